# SPDX-License-Identifier: MIT
# Warnings for the project's own targets; third-party headers come in as system includes.
function(veltrane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(VELTRANE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
