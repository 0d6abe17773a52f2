// SPDX-License-Identifier: MIT
#include "support/non_serial_paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

namespace veltrane::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFileText = "what the user keeps in this file\n";

std::string ReadWhole(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

NonSerialPaths::NonSerialPaths() {
  std::string pattern = (fs::temp_directory_path() / "veltrane_not_serial_XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return;
  folder_ = pattern;
  const fs::path file = folder_ / "victim.txt";
  std::ofstream(file, std::ios::binary) << kFileText;
  const fs::path folder = folder_ / "folder";
  fs::create_directory(folder);
  const fs::path pipe = folder_ / "pipe";
  ::mkfifo(pipe.c_str(), 0600);
  pipeReader_.Reset(::open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  entries_ = {{"a file", file.string()},
              {"a folder", folder.string()},
              {"a device that is no terminal", "/dev/null"},
              {"a named pipe", pipe.string()}};
}

NonSerialPaths::~NonSerialPaths() {
  pipeReader_.Reset();
  std::error_code ignored;
  if (!folder_.empty()) fs::remove_all(folder_, ignored);
}

std::string NonSerialPaths::WhatChanged() const {
  if (!pipeReader_.valid()) return "the scratch paths were not made";
  if (const std::string held = ReadWhole(folder_ / "victim.txt"); held != kFileText)
    return "the file now holds " + std::to_string(held.size()) + " bytes";
  if (!fs::is_empty(folder_ / "folder")) return "something was made in the folder";
  char byte = 0;
  if (::read(pipeReader_.get(), &byte, 1) > 0) return "bytes were written into the pipe";
  return {};
}

}  // namespace veltrane::testing
