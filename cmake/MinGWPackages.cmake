# The libraries of the MinGW cross build (cmake/mingw-w64-x86_64.cmake), all
# from Debian's own packages: Boost, spdlog and fmt as headers from the host's
# /usr/include, GoogleTest built from /usr/src/googletest. Debian has no
# Windows build of uriparser: it is built here from its unmodified sources
# (VSRS_URIPARSER_SOURCE, by default ../shared/third_party/uriparser-0.9.7
# beside the repository) as a static library. Without those sources the URL
# parser compiles against the host's uriparser headers, and nothing that
# calls it can be linked (VSRS_LINK_URL_PARSER is OFF).

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

set(VSRS_URIPARSER_SOURCE "${PROJECT_SOURCE_DIR}/../shared/third_party/uriparser-0.9.7"
  CACHE PATH "uriparser's sources, built for the Windows build")
set(vsrs_uriparser_prefix ${CMAKE_BINARY_DIR}/uriparser)
if(EXISTS ${VSRS_URIPARSER_SOURCE}/CMakeLists.txt)
  # Built once per build folder, at configure time, with this toolchain: a
  # separate project, so that its options (BUILD_SHARED_LIBS above all) stay
  # its own.
  if(NOT EXISTS ${vsrs_uriparser_prefix}/.built)
    message(STATUS "Building uriparser for Windows from ${VSRS_URIPARSER_SOURCE}")
    execute_process(
      COMMAND ${CMAKE_COMMAND} -S ${VSRS_URIPARSER_SOURCE} -B ${vsrs_uriparser_prefix}-build
        -G ${CMAKE_GENERATOR} -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=${vsrs_uriparser_prefix}
        -DBUILD_SHARED_LIBS=OFF -DURIPARSER_BUILD_DOCS=OFF -DURIPARSER_BUILD_TESTS=OFF
        -DURIPARSER_BUILD_TOOLS=OFF
      OUTPUT_FILE ${vsrs_uriparser_prefix}-build.log ERROR_FILE ${vsrs_uriparser_prefix}-build.log
      RESULT_VARIABLE configured)
    if(configured EQUAL 0)
      execute_process(COMMAND ${CMAKE_COMMAND} --build ${vsrs_uriparser_prefix}-build --target install
        OUTPUT_FILE ${vsrs_uriparser_prefix}-install.log
        ERROR_FILE ${vsrs_uriparser_prefix}-install.log RESULT_VARIABLE configured)
    endif()
    if(NOT configured EQUAL 0)
      message(FATAL_ERROR "uriparser for Windows did not build: see ${vsrs_uriparser_prefix}-build.log "
                          "and ${vsrs_uriparser_prefix}-install.log")
    endif()
    file(TOUCH ${vsrs_uriparser_prefix}/.built)
  endif()
  find_package(uriparser 0.9.7 EXACT CONFIG REQUIRED PATHS ${vsrs_uriparser_prefix}
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  set(VSRS_LINK_URL_PARSER ON)
  message(STATUS "uriparser for Windows: ${vsrs_uriparser_prefix}")
else()
  # uriparser's headers, to compile the URL parser; URI_STATIC_BUILD keeps its
  # declarations free of dllimport.
  add_library(vsrs_uriparser_headers INTERFACE IMPORTED)
  set_target_properties(vsrs_uriparser_headers PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${vsrs_debian_headers}
    INTERFACE_COMPILE_DEFINITIONS URI_STATIC_BUILD)
  set(VSRS_LINK_URL_PARSER OFF)
  message(STATUS "uriparser sources not found at ${VSRS_URIPARSER_SOURCE}: "
                 "the module and what reads addresses are compiled, not linked")
endif()

# The reference host's header-only libraries: CLI11, nlohmann's JSON, and
# stb's PNG writer standing in for libpng, which Debian has for Linux only.
foreach(library CLI nlohmann stb)
  if(IS_DIRECTORY /usr/include/${library} AND NOT EXISTS ${vsrs_debian_headers}/${library})
    file(CREATE_LINK /usr/include/${library} ${vsrs_debian_headers}/${library} SYMBOLIC)
  endif()
endforeach()
if(EXISTS ${vsrs_debian_headers}/CLI AND EXISTS ${vsrs_debian_headers}/nlohmann
   AND EXISTS ${vsrs_debian_headers}/stb)
  foreach(target CLI11::CLI11 nlohmann_json::nlohmann_json vsrs::stb)
    add_library(${target} INTERFACE IMPORTED)
    set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${vsrs_debian_headers})
  endforeach()
endif()

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
