# SPDX-License-Identifier: MIT
# The platform contract check (cmake/PlatformContract.cmake) on both real platform folders and on
# scratch copies of their layout: a folder that lacks a part, or a contract that gained a header
# no folder implements yet, fails the configuration with every missing file named.
# Run as: cmake -DSOURCE_DIR=<repo> -DWORK_DIR=<scratch> -P platform_contract_test.cmake
# (with -DCHECK_CONTRACT=<dir> -DCHECK_PLATFORM=<dir> it runs one check, for the cases that fail).
include(${SOURCE_DIR}/cmake/PlatformContract.cmake)
if(DEFINED CHECK_PLATFORM)
  veltrane_check_platform_contract(${CHECK_CONTRACT} ${CHECK_PLATFORM})
  return()
endif()

# Runs one check in a process of its own; `outcome` is "passed" or its message.
function(check contract platform outcome)
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${SOURCE_DIR}
    -DCHECK_CONTRACT=${contract} -DCHECK_PLATFORM=${platform} -P ${CMAKE_CURRENT_LIST_FILE}
    RESULT_VARIABLE failed ERROR_VARIABLE message)
  if(failed)
    string(REGEX REPLACE "[ \n]+" " " message "${message}")
    set(${outcome} "${message}" PARENT_SCOPE)
  else()
    set(${outcome} passed PARENT_SCOPE)
  endif()
endfunction()

function(expect_pass contract platform)
  check(${contract} ${platform} outcome)
  if(NOT outcome STREQUAL "passed")
    message(FATAL_ERROR "${platform} should meet the contract: ${outcome}")
  endif()
endfunction()

function(expect_missing contract platform)
  check(${contract} ${platform} outcome)
  foreach(file IN LISTS ARGN)
    if(NOT outcome MATCHES "lacks .*${file}")
      message(FATAL_ERROR "${platform} lacks ${file}, but the check said: ${outcome}")
    endif()
  endforeach()
endfunction()

# Empty files named as under `from` (its *.h and *.cpp, and those of its tools/), under `to`.
function(copy_layout from to)
  file(GLOB_RECURSE names RELATIVE ${from} ${from}/*.h ${from}/*.cpp)
  foreach(name IN LISTS names)
    if(NOT name MATCHES "^(linux|windows)/")
      file(WRITE ${to}/${name} "")
    endif()
  endforeach()
endfunction()

set(contract ${SOURCE_DIR}/src/platform)
expect_pass(${contract} ${contract}/linux)
expect_pass(${contract} ${contract}/windows)

file(REMOVE_RECURSE ${WORK_DIR})
copy_layout(${contract} ${WORK_DIR}/contract)
copy_layout(${contract}/linux ${WORK_DIR}/stub)
expect_pass(${WORK_DIR}/contract ${WORK_DIR}/stub)

file(REMOVE ${WORK_DIR}/stub/native_handle.h ${WORK_DIR}/stub/font.cpp
  ${WORK_DIR}/stub/tools/timer.cpp)
expect_missing(${WORK_DIR}/contract ${WORK_DIR}/stub native_handle.h font.cpp tools/timer.cpp)

copy_layout(${contract}/linux ${WORK_DIR}/stub)
file(TOUCH ${WORK_DIR}/contract/serial_break.h ${WORK_DIR}/contract/tools/joystick.h)
expect_missing(${WORK_DIR}/contract ${WORK_DIR}/stub serial_break.cpp tools/joystick.cpp)
