// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/handle.h"

namespace veltrane::testing {

// Paths a user might give by mistake where a serial line belongs, one of each kind: a file with
// something in it, a folder, /dev/null (a device that is no terminal) and a named pipe, the
// first, second and last in a scratch folder of their own. A reader holds the pipe open, so
// that anything written into it stays there to be found.
class NonSerialPaths {
 public:
  struct Entry {
    const char* kind;
    std::string path;
  };

  NonSerialPaths();
  ~NonSerialPaths();
  NonSerialPaths(const NonSerialPaths&) = delete;
  NonSerialPaths& operator=(const NonSerialPaths&) = delete;

  const std::vector<Entry>& entries() const { return entries_; }
  // What was written anywhere, in a few words; empty when the file holds what it held, the
  // folder is empty and nothing waits in the pipe.
  std::string WhatChanged() const;

 private:
  std::filesystem::path folder_;
  std::vector<Entry> entries_;
  platform::UniqueHandle pipeReader_;
};

}  // namespace veltrane::testing
