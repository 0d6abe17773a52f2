# SPDX-License-Identifier: MIT
# Builds veltrane.dll's export table from src/api/windows_exports.cmake and the import libraries
# that go with it.
#
# On 32-bit Windows the functions are __stdcall, so the compiler names LED_Init `LED_Init@0`. The
# linker's .def gives each export its table name and ordinal and names the function behind it
# with its argument bytes (`LED_Init = LED_Init@0 @11`): a function whose arguments take other
# room has another name, and the link fails. On 64-bit Windows there is no decoration; the same
# names and ordinals are exported, the decorated ones included.
#
# The import libraries come from a second .def through dlltool, so a host's stdcall references
# (`__imp__LED_Init@0`) resolve to the plain or decorated name the DLL exports. MSVC's linker takes
# veltrane.lib; MinGW's takes libveltrane.dll.a (the same content).

include(${PROJECT_SOURCE_DIR}/src/api/windows_exports.cmake)

# Splits "Name:bytes" or "_Name@N:bytes" into the exported name, the function and the bytes.
function(veltrane_parse_export entry out_export out_function out_bytes)
  string(REGEX MATCH "^([^:]+):([0-9]+)$" _ "${entry}")
  set(export ${CMAKE_MATCH_1})
  set(bytes ${CMAKE_MATCH_2})
  string(REGEX REPLACE "^_(.*)@[0-9]+$" "\\1" function "${export}")
  set(${out_export} ${export} PARENT_SCOPE)
  set(${out_function} ${function} PARENT_SCOPE)
  set(${out_bytes} ${bytes} PARENT_SCOPE)
endfunction()

# Rewrites `file` only when its text changes, so that configuring again does not relink.
function(veltrane_write_if_changed file text)
  file(WRITE ${file}.new "${text}")
  file(COPY_FILE ${file}.new ${file} ONLY_IF_DIFFERENT)
  file(REMOVE ${file}.new)
endfunction()

# Writes the linker's .def (`link_def`) and dlltool's (`import_def`) for this target processor.
function(veltrane_write_def_files link_def import_def)
  set(link_lines "LIBRARY veltrane.dll\nEXPORTS\n")
  set(import_lines "LIBRARY veltrane.dll\nEXPORTS\n")
  set(ordinal 0)
  foreach(entry IN LISTS VELTRANE_WINDOWS_EXPORTS)
    math(EXPR ordinal "${ordinal} + 1")
    veltrane_parse_export("${entry}" export function bytes)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      set(symbol "${function}@${bytes}")
    else()
      set(symbol "${function}")
    endif()
    string(APPEND link_lines "  ${export} = ${symbol} @${ordinal}\n")
    if(export STREQUAL function)
      string(APPEND import_lines "  ${symbol} @${ordinal}\n")
    else()
      string(APPEND import_lines "  ${symbol} @${ordinal} == ${export}\n")
    endif()
  endforeach()
  veltrane_write_if_changed(${link_def} "${link_lines}")
  veltrane_write_if_changed(${import_def} "${import_lines}")
endfunction()

# Makes `target` veltrane.dll: exports from the .def, the C++ and thread runtimes linked in so
# that it imports only system DLLs, and the two import libraries beside it.
function(veltrane_windows_dll target)
  set(link_def ${CMAKE_CURRENT_BINARY_DIR}/veltrane.def)
  set(import_def ${CMAKE_CURRENT_BINARY_DIR}/veltrane-import.def)
  veltrane_write_def_files(${link_def} ${import_def})
  # The import libraries beside the DLL.
  set_target_properties(${target} PROPERTIES
    PREFIX "" OUTPUT_NAME veltrane ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
    LINK_DEPENDS "${link_def};${PROJECT_SOURCE_DIR}/src/api/windows_exports.cmake")
  target_link_options(${target} PRIVATE ${link_def} -static -Wl,--no-undefined)

  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(machine i386)
    set(kill_at -k)
  else()
    set(machine i386:x86-64)
    set(kill_at)
  endif()
  set(out_dir $<TARGET_FILE_DIR:${target}>)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_DLLTOOL} -m ${machine} ${kill_at} -d ${import_def} -l ${out_dir}/veltrane.lib
    COMMAND ${CMAKE_COMMAND} -E copy ${out_dir}/veltrane.lib $<TARGET_LINKER_FILE:${target}>
    BYPRODUCTS ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/veltrane.lib
    COMMENT "Import libraries of veltrane.dll for MSVC and MinGW"
    VERBATIM)
endfunction()
