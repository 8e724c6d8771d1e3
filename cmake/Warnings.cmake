# Project code is warning-clean; vs_warnings() applies the policy per target so
# that third-party code pulled in later is not held to it.
function(vs_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
