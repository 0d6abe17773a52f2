# SPDX-License-Identifier: MIT
# What a platform folder must implement, read from the headers themselves: every header in
# src/platform/ is the library's contract with the operating system and every header in
# src/platform/tools/ what only the tools need of it, each implemented by the .cpp of the same
# name in the platform's folder (src/platform/<name>/ and src/platform/<name>/tools/). Headers
# that are whole in themselves are named here; so is native_handle.h, what a handle is there.
set(VELTRANE_PLATFORM_WHOLE_HEADERS line_wait.h)

# Fails the configuration, naming every missing file, when the platform folder `platform_dir`
# lacks part of the contract that the headers under `contract_dir` (src/platform) make.
function(veltrane_check_platform_contract contract_dir platform_dir)
  set(missing "")
  if(NOT EXISTS ${platform_dir}/native_handle.h)
    list(APPEND missing native_handle.h)
  endif()
  foreach(part IN ITEMS "" "tools/")
    file(GLOB headers RELATIVE ${contract_dir}/${part} ${contract_dir}/${part}*.h)
    list(REMOVE_ITEM headers ${VELTRANE_PLATFORM_WHOLE_HEADERS})
    foreach(header IN LISTS headers)
      string(REGEX REPLACE "\\.h$" ".cpp" implementation ${part}${header})
      if(NOT EXISTS ${platform_dir}/${implementation})
        list(APPEND missing ${implementation})
      endif()
    endforeach()
  endforeach()
  if(missing)
    list(JOIN missing ", " missing)
    message(FATAL_ERROR "The platform folder ${platform_dir} does not implement the whole "
      "platform contract: it lacks ${missing}. Each header in ${contract_dir} (the library's "
      "part) and in ${contract_dir}/tools (the tools' part) needs its .cpp there.")
  endif()
endfunction()
