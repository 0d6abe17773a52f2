// SPDX-License-Identifier: MIT
// Running a subcommand in this process and keeping what it printed.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace veltrane::cli::testing {

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

template <class Command>
Outcome Capture(Command command) {
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  const int status = command();
  return {status, ::testing::internal::GetCapturedStdout(),
          ::testing::internal::GetCapturedStderr()};
}

// A scratch file name of this test run.
inline std::filesystem::path TempPath(const std::string& name) {
  return std::filesystem::temp_directory_path() /
         ("veltrane_cli_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
          "_" + name);
}

}  // namespace veltrane::cli::testing
