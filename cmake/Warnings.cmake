# Project code is warning-clean; vs_warnings() applies the policy per target so
# that third-party code pulled in later is not held to it.
#
# With MSVC (and clang-cl): /utf-8 because the sources and the module's text
# are UTF-8; C4251/C4275 off because orvlog's exported classes hold standard
# library members, which is sound as host, orvlog and module share one
# runtime; _CRT_SECURE_NO_WARNINGS because the error texts are the runtime's
# strerror texts.
function(vs_warnings target)
  set(msvc_like "$<OR:$<CXX_COMPILER_ID:MSVC>,$<STREQUAL:${CMAKE_CXX_COMPILER_FRONTEND_VARIANT},MSVC>>")
  target_compile_options(${target} PRIVATE
    "$<${msvc_like}:/W4;/WX;/permissive-;/utf-8;/wd4251;/wd4275>"
    "$<$<NOT:${msvc_like}>:-Wall;-Wextra;-Werror>")
  target_compile_definitions(${target} PRIVATE "$<${msvc_like}:_CRT_SECURE_NO_WARNINGS>")
endfunction()
