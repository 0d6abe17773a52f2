# SPDX-License-Identifier: MIT
# What `cmake --install` puts under the prefix, following GNUInstallDirs (on a multiarch system the
# library goes into lib/<triplet>, see the top CMakeLists.txt), in four components:
#   runtime  libveltrane.so.MAJOR and its versioned file
#   dev      the header, the libveltrane.so link, veltrane.pc, the CMake package, veltrane(3)
#   tools    veltrane and veltrane-screen, their manual pages and bash completion, the Wireshark
#            dissector (installed by tools/)
#   python   the Python package (its Debian package only: pip installs it elsewhere)
# `cpack -G DEB` makes one Debian package of each: libveltrane0, libveltrane-dev, veltrane-tools,
# python3-veltrane.
include(CMakePackageConfigHelpers)
set(veltrane_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/veltrane)

install(TARGETS veltrane EXPORT veltraneTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev)
install(FILES ${PROJECT_SOURCE_DIR}/include/veltrane/veltrane.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/veltrane COMPONENT dev)

# find_package(veltrane) gives the imported target veltrane::veltrane.
install(EXPORT veltraneTargets NAMESPACE veltrane:: DESTINATION ${veltrane_cmake_dir}
  COMPONENT dev)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/veltraneConfig.cmake.in
  ${PROJECT_BINARY_DIR}/veltraneConfig.cmake INSTALL_DESTINATION ${veltrane_cmake_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/veltraneConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/veltraneConfig.cmake
  ${PROJECT_BINARY_DIR}/veltraneConfigVersion.cmake
  DESTINATION ${veltrane_cmake_dir} COMPONENT dev)

# The .pc file finds the prefix from its own place, so the installed tree can move (a staging
# folder, a Debian package, a scratch prefix) without rewriting it.
file(RELATIVE_PATH veltrane_pc_to_prefix /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
configure_file(${CMAKE_CURRENT_LIST_DIR}/veltrane.pc.in ${PROJECT_BINARY_DIR}/veltrane.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/veltrane.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

include(cmake/DebianPackages.cmake)
