# What `cmake --install` puts under the prefix, following GNUInstallDirs, in three components:
#   runtime  libveltrane.so.MAJOR and its versioned file
#   dev      the header, the libveltrane.so link, veltrane.pc and the CMake package
#   tools    veltrane and veltrane-screen (installed by tools/)
# `cpack -G DEB` makes one Debian package of each.
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

set(CPACK_PACKAGE_NAME veltrane)
set(CPACK_PACKAGE_VENDOR "Veltrane")
set(CPACK_PACKAGE_CONTACT "Veltrane developers <veltrane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Sender library for LED display controllers over serial or UDP")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)  # as Debian ships them; the build tree keeps the debug information
set(CPACK_COMPONENTS_ALL runtime dev)
if(VELTRANE_BUILD_TOOLS AND NOT VELTRANE_FUZZ)
  list(APPEND CPACK_COMPONENTS_ALL tools)
endif()
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libveltrane${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# Text, date and clock areas draw with installed fonts: a Latin and a CJK one.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS "fonts-dejavu-core, fonts-wqy-zenhei")
set(CPACK_DEBIAN_DEV_PACKAGE_NAME libveltrane-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME veltrane-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
include(CPack)
