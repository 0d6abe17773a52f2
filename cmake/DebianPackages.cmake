# SPDX-License-Identifier: MIT
# The Debian packages `cpack -G DEB` makes, one per install component, each with what Debian asks
# of a package: a description of its own, and usr/share/doc/<package>/ holding the copyright and
# the changelog (cmake/debian/). Those files, the C example and the Python package are installed
# for the packages only (EXCLUDE_FROM_ALL): a component's own install still takes them.
set(veltrane_debian_dir ${CMAKE_CURRENT_LIST_DIR}/debian)
set(veltrane_debian_release 1)
set(veltrane_debian_version ${PROJECT_VERSION}-${veltrane_debian_release})
set(veltrane_runtime_package libveltrane${PROJECT_VERSION_MAJOR})

# The changelog, compressed as Debian ships it (no name or time stamp in the gzip header).
find_program(GZIP gzip REQUIRED)
set(veltrane_changelog ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz)
add_custom_command(OUTPUT ${veltrane_changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/debian
  COMMAND ${GZIP} -9n -c ${veltrane_debian_dir}/changelog > ${veltrane_changelog}
  DEPENDS ${veltrane_debian_dir}/changelog)
add_custom_target(veltrane_debian_changelog ALL DEPENDS ${veltrane_changelog})

# veltrane_debian_package(COMPONENT PACKAGE SECTION SUMMARY DESCRIPTION): the package of an install
# component, its section and its description (the summary line, then the long text).
function(veltrane_debian_package component package section summary description)
  string(TOUPPER ${component} upper)
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${package} PARENT_SCOPE)
  set(CPACK_DEBIAN_${upper}_PACKAGE_SECTION ${section} PARENT_SCOPE)
  set(CPACK_DEBIAN_${upper}_DESCRIPTION "${summary}\n${description}" PARENT_SCOPE)
  install(FILES ${veltrane_debian_dir}/copyright ${veltrane_changelog}
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component} EXCLUDE_FROM_ALL)
endfunction()

# The long descriptions keep their lines under 80 characters, as dpkg shows them; "\n\n" starts a
# paragraph.
set(about "Veltrane drives LED display controllers (screens) over a serial line or UDP.")
veltrane_debian_package(runtime ${veltrane_runtime_package} libs
  "sender library for LED display controllers over serial or UDP"
  "${about}\nIt switches screens on and off, sets their brightness and clock, and builds\n\
programs of pictures, rendered text, date-time fields and analog clocks, which\n\
it uploads in acknowledged packets.\n\nThis package holds the shared library.")
veltrane_debian_package(dev libveltrane-dev libdevel
  "sender library for LED display controllers - development files"
  "${about}\n\nThis package holds the C header, the libveltrane.so link, the pkg-config file,\n\
the CMake package (find_package(veltrane)), the veltrane(3) manual page and a\n\
C example.")
veltrane_debian_package(tools veltrane-tools utils
  "command-line tools for LED display controllers"
  "${about}\n\nveltrane switches screens on and off, sets their brightness and clock, and\n\
sends, inspects and previews program files, for one screen or a whole fleet.\n\
veltrane-screen simulates a screen, to work without the hardware. This package\n\
also holds their manual pages, bash completion and a Wireshark dissector for\n\
the screens' UDP traffic.")
veltrane_debian_package(python python3-veltrane python
  "Python interface to the Veltrane LED display controller library"
  "${about}\n\nThis package lets Python programs switch screens, set their brightness and\n\
clock, and build and send programs through libveltrane.")

install(FILES ${PROJECT_SOURCE_DIR}/examples/c/hello_screen.c
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/libveltrane-dev/examples COMPONENT dev
  EXCLUDE_FROM_ALL)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/python/veltrane/
  DESTINATION lib/python3/dist-packages/veltrane COMPONENT python EXCLUDE_FROM_ALL
  FILES_MATCHING PATTERN "*.py" PATTERN __pycache__ EXCLUDE)

# The shared library's control files: its symbols with the version that brought each (checked
# against the library by tests/install/debian_packages_test.sh), and the ldconfig trigger.
configure_file(${veltrane_debian_dir}/libveltrane0.symbols ${PROJECT_BINARY_DIR}/debian/symbols
  COPYONLY)
configure_file(${veltrane_debian_dir}/libveltrane0.triggers ${PROJECT_BINARY_DIR}/debian/triggers
  COPYONLY)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA
  ${PROJECT_BINARY_DIR}/debian/symbols ${PROJECT_BINARY_DIR}/debian/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

set(CPACK_PACKAGE_NAME veltrane)
set(CPACK_PACKAGE_VENDOR "Veltrane")
set(CPACK_PACKAGE_CONTACT "The Veltrane developers <veltrane@example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)  # as Debian ships them; the build tree keeps the debug information
set(CPACK_COMPONENTS_ALL runtime dev python)
if(VELTRANE_BUILD_TOOLS AND NOT VELTRANE_FUZZ)
  list(APPEND CPACK_COMPONENTS_ALL tools)
endif()
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${veltrane_debian_release})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# Text, date and clock areas draw with installed fonts: a Latin and a CJK one.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS "fonts-dejavu-core, fonts-wqy-zenhei")
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
set(CPACK_COMPONENT_PYTHON_DEPENDS runtime)
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3:any")
set(CPACK_DEBIAN_TOOLS_PACKAGE_SUGGESTS "tshark | wireshark")
include(CPack)
