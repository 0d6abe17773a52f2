# SPDX-License-Identifier: MIT
# Compares the dynamic symbols the library defines with the functions the header declares.
find_program(NM nm REQUIRED)
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
  OUTPUT_VARIABLE nm_output RESULT_VARIABLE nm_result)
if(NOT nm_result EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[0-9a-fA-F]+ [A-Za-z] [^\n]+" symbol_lines "${nm_output}")
set(exported "")
foreach(line IN LISTS symbol_lines)
  string(REGEX REPLACE "^[0-9a-fA-F]+ [A-Za-z] ([^@\n]+).*$" "\\1" name "${line}")
  list(APPEND exported ${name})
endforeach()

file(READ ${HEADER} header_text)
string(REGEX MATCHALL "\nVELTRANE_API [^(;]*[ *]([A-Za-z_][A-Za-z_0-9]*)\\(" declarations "${header_text}")
set(declared "")
foreach(declaration IN LISTS declarations)
  string(REGEX REPLACE ".*[ *]([A-Za-z_][A-Za-z_0-9]*)\\($" "\\1" name "${declaration}")
  list(APPEND declared ${name})
endforeach()

# A function whose argument types differ by platform (AddWindow) is declared once per platform.
list(REMOVE_DUPLICATES declared)
list(SORT exported)
list(SORT declared)
if(NOT exported STREQUAL declared)
  message(FATAL_ERROR "exported symbols differ from the header\n  exported: ${exported}\n  declared: ${declared}")
endif()
list(LENGTH exported count)
message(STATUS "${count} exports match the header: ${exported}")
