# The libraries of the MinGW cross build (cmake/mingw-w64-x86_64.cmake), all
# from Debian's own packages: Boost, spdlog, fmt and uriparser as headers from
# the host's /usr/include, GoogleTest built from /usr/src/googletest. Debian
# has no Windows build of uriparser, so the URL parser compiles here but
# nothing that calls it can be linked (VSRS_LINK_URL_PARSER is OFF).

# One folder of links to the libraries' own include folders: putting all of
# /usr/include on the path would let glibc's headers shadow MinGW's.
set(vsrs_debian_headers ${CMAKE_BINARY_DIR}/debian-headers)
file(MAKE_DIRECTORY ${vsrs_debian_headers})
foreach(library boost spdlog fmt uriparser)
  if(NOT IS_DIRECTORY /usr/include/${library})
    message(FATAL_ERROR "/usr/include/${library} missing: run scripts/install-deps.sh")
  endif()
  if(NOT EXISTS ${vsrs_debian_headers}/${library})
    file(CREATE_LINK /usr/include/${library} ${vsrs_debian_headers}/${library} SYMBOLIC)
  endif()
endforeach()

add_library(Boost::headers INTERFACE IMPORTED)
set_target_properties(Boost::headers PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${vsrs_debian_headers})

# Header-only spdlog over header-only fmt: Debian builds spdlog against its
# separate fmt package, so its headers expect SPDLOG_FMT_EXTERNAL.
add_library(spdlog::spdlog INTERFACE IMPORTED)
set_target_properties(spdlog::spdlog PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${vsrs_debian_headers}
  INTERFACE_COMPILE_DEFINITIONS "SPDLOG_FMT_EXTERNAL;FMT_HEADER_ONLY")

# uriparser's headers, to compile the URL parser; URI_STATIC_BUILD keeps its
# declarations free of dllimport.
add_library(vsrs_uriparser_headers INTERFACE IMPORTED)
set_target_properties(vsrs_uriparser_headers PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${vsrs_debian_headers}
  INTERFACE_COMPILE_DEFINITIONS URI_STATIC_BUILD)
set(VSRS_LINK_URL_PARSER OFF)

if(VSRS_BUILD_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "No GoogleTest install from the cross build")
  # Defines GTest::gtest, GTest::gtest_main, GTest::gmock as the installed
  # package would.
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()

# The MinGW runtime's DLLs beside the programs, as on a Windows machine that
# has none installed.
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
    OUTPUT_VARIABLE dll_path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${dll_path}" OR NOT EXISTS "${dll_path}")
    message(FATAL_ERROR "MinGW runtime ${dll} not found")
  endif()
  file(COPY ${dll_path} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
endforeach()
