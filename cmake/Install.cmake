# Installation: the module, the host interface headers, the orvlog library and
# rs-host, with a CMake package through which a host project finds the
# interface and the module's path; `cpack` turns the same into a .deb.
include(CMakePackageConfigHelpers)

# A build on rs2sim streams test patterns as if they came from a camera; it is
# installed or packaged only when asked for by name.
option(VSRS_PACKAGE_SIM "Allow installing and packaging a build on rs2sim, the simulated SDK" OFF)
if(VSRS_USING_SIM AND NOT VSRS_PACKAGE_SIM)
  # The first install rule, so a refused install (or cpack) leaves nothing behind.
  install(CODE [[
    message(FATAL_ERROR
      "This build runs on rs2sim, the simulated librealsense2: installed, it would stream test "
      "patterns instead of a camera. Build against the real librealsense2 (-DVSRS_SDK=real, see "
      "docs/INSTALL.md), or configure with -DVSRS_PACKAGE_SIM=ON to install the simulated build "
      "on purpose.")
  ]])
endif()

set(VSRS_CMAKE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/vs_realsense2)

# The host's side of the boundary: headers, the interface target and orvlog.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/host/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
set_target_properties(vs_host PROPERTIES EXPORT_NAME host)
install(TARGETS vs_host orvlog EXPORT vs_realsense2Targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(EXPORT vs_realsense2Targets NAMESPACE vs_realsense2::
  DESTINATION ${VSRS_CMAKE_INSTALL_DIR})

# The module is loaded at run time, never linked, so it is no exported target;
# the package names its file instead.
set(VSRS_MODULE_INSTALL_PATH "")
if(TARGET vs_realsense2)
  install(TARGETS vs_realsense2
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The simulated SDK, when the module was built on it, lies beside it.
  set_property(TARGET vs_realsense2 PROPERTY INSTALL_RPATH "$ORIGIN")
  if(VSRS_USING_SIM AND TARGET rs2sim)
    install(TARGETS rs2sim
      LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
      RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
  set(VSRS_MODULE_INSTALL_PATH "${CMAKE_INSTALL_LIBDIR}/$<TARGET_FILE_NAME:vs_realsense2>")
endif()

if(TARGET rs-host)
  install(TARGETS rs-host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/tools/rs-host/README.md
    DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME rs-host.md OPTIONAL)
endif()

# The package's config file; the module's file name is known only at
# generation time, hence file(GENERATE) after the configuring.
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/vs_realsense2Config.cmake.in [=[
# vs_realsense2: the host interface of the RealSense video-source module.
#
#   find_package(vs_realsense2 1 REQUIRED)
#   target_link_libraries(my_host PRIVATE vs_realsense2::host vs_realsense2::orvlog)
#   # the module to load at run time: ${vs_realsense2_MODULE}, also the
#   # IMPORTED_LOCATION of the target vs_realsense2::module (for TARGET_FILE)
#
# Variables: vs_realsense2_MODULE (the module's full path, empty when it was not
# built), vs_realsense2_RS_HOST (the reference host program).
@PACKAGE_INIT@

include(CMakeFindDependencyMacro)
find_dependency(Boost 1.74)

include("${CMAKE_CURRENT_LIST_DIR}/vs_realsense2Targets.cmake")

set(vs_realsense2_MODULE "")
set(_vsrs_module_relative "@VSRS_MODULE_INSTALL_PATH@")
if(_vsrs_module_relative)
  set(vs_realsense2_MODULE "${PACKAGE_PREFIX_DIR}/${_vsrs_module_relative}")
  if(NOT TARGET vs_realsense2::module)
    add_library(vs_realsense2::module MODULE IMPORTED)
    set_target_properties(vs_realsense2::module PROPERTIES
      IMPORTED_LOCATION "${vs_realsense2_MODULE}")
  endif()
endif()
unset(_vsrs_module_relative)
set(vs_realsense2_RS_HOST "@PACKAGE_CMAKE_INSTALL_BINDIR@/rs-host")

check_required_components(vs_realsense2)
]=])
configure_package_config_file(
  ${CMAKE_CURRENT_BINARY_DIR}/vs_realsense2Config.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/vs_realsense2Config.cmake.configured
  INSTALL_DESTINATION ${VSRS_CMAKE_INSTALL_DIR}
  PATH_VARS CMAKE_INSTALL_INCLUDEDIR CMAKE_INSTALL_LIBDIR CMAKE_INSTALL_BINDIR)
file(GENERATE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/vs_realsense2Config.cmake
  INPUT ${CMAKE_CURRENT_BINARY_DIR}/vs_realsense2Config.cmake.configured)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/vs_realsense2ConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/vs_realsense2Config.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/vs_realsense2ConfigVersion.cmake
  DESTINATION ${VSRS_CMAKE_INSTALL_DIR})

# `cpack` in the build folder makes a .deb of all of the above.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
if(VSRS_USING_SIM)
  # Named so that nobody takes it for the camera module; it carries rs2sim.
  set(CPACK_PACKAGE_NAME vs-realsense2-sim)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "RealSense video-source module on rs2sim, the SIMULATED librealsense2: test patterns, no camera")
  set(CPACK_DEBIAN_PACKAGE_CONFLICTS vs-realsense2)
else()
  set(CPACK_PACKAGE_NAME vs-realsense2)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "RealSense video-source module for the video server, its host interface and rs-host")
  # Intel's package of the runtime library; the module needs at least the
  # version it was built against.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "librealsense2 (>= ${realsense2_VERSION})")
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "librealsense2-udev-rules, librealsense2-utils")
  set(CPACK_DEBIAN_PACKAGE_CONFLICTS vs-realsense2-sim)
endif()
set(CPACK_PACKAGE_CONTACT "vs_realsense2 developers")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Run-time dependencies (libpng, spdlog, libstdc++ ...) read off the binaries
# where dpkg-dev's tool for it is at hand.
# A librealsense2 built from source belongs to no package, which makes the
# tool fail: configure with -DCPACK_DEBIAN_PACKAGE_SHLIBDEPS=OFF then.
find_program(VSRS_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(VSRS_DPKG_SHLIBDEPS AND NOT DEFINED CPACK_DEBIAN_PACKAGE_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
# Only a host project that compiles against the headers needs Boost.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libboost-dev (>= 1.74)")
include(CPack)
