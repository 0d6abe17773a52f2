# SPDX-License-Identifier: MIT
# The version is written once, in the public header's VELTRANE_VERSION_MAJOR/MINOR/PATCH lines;
# project() and everything derived from it (SONAME, pkg-config, CMake package, Debian packages)
# read it from there.
function(veltrane_header_version out_var header)
  set(parts "")
  foreach(part MAJOR MINOR PATCH)
    file(STRINGS ${header} line REGEX "^#define VELTRANE_VERSION_${part} +[0-9]+$")
    list(LENGTH line count)
    if(NOT count EQUAL 1)
      message(FATAL_ERROR "${header}: expected one '#define VELTRANE_VERSION_${part} N' line")
    endif()
    string(REGEX REPLACE "^.* ([0-9]+)$" "\\1" number "${line}")
    list(APPEND parts ${number})
  endforeach()
  list(JOIN parts "." version)
  set(${out_var} ${version} PARENT_SCOPE)
endfunction()
