// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"

namespace veltrane::studio {

// Paths a request names are at most this long, and a folder listing holds at most this many
// files found at most this deep: a studio folder is a folder of signs, not a disk.
constexpr size_t kMaxRequestPathBytes = 1024;
constexpr size_t kMaxListedFiles = 2000;
constexpr int kMaxListedDepth = 4;

// The folder a studio serves: every file it reads or writes lies inside it. A path a request
// names is taken relative to it and refused when it is absolute, empty, has a ".." step, or
// leads out through a symbolic link.
class StudioFolder {
 public:
  // `root` must exist; it is taken with its links resolved.
  explicit StudioFolder(const std::filesystem::path& root);

  const std::filesystem::path& root() const { return root_; }

  // The place `relative` names inside the folder (which may not exist yet), or one sentence on
  // why it is refused.
  Result<std::filesystem::path> Resolve(std::string_view relative) const;

  // Whether `path` (absolute, or relative to the working folder) lies inside the folder once
  // its links are resolved.
  bool Contains(const std::filesystem::path& path) const;

  // `path` inside the folder as the page names it: relative, with "/" between steps.
  std::string Relative(const std::filesystem::path& path) const;

  // The files inside the folder whose names end in one of `extensions` (".json"), as Relative
  // gives them, sorted; hidden files and folders are skipped, and so are links leading out.
  std::vector<std::string> List(const std::vector<std::string>& extensions) const;

 private:
  std::filesystem::path root_;
};

}  // namespace veltrane::studio
