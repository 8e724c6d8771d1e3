# One switch for the whole tree: every object, the shared libraries included,
# must carry the same instrumentation or the sanitizers miss cross-library bugs.
if(VSRS_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(VSRS_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT VSRS_SANITIZE STREQUAL "")
  message(FATAL_ERROR "VSRS_SANITIZE must be empty, address or thread")
endif()
