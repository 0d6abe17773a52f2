// SPDX-License-Identifier: MIT
#include "folder.h"

#include <algorithm>
#include <system_error>

#include "shared/refusal.h"

namespace veltrane::studio {
namespace {

namespace fs = std::filesystem;

// Whether the resolved `path` is `root` or lies below it, step by step (so "/a/bc" is not
// inside "/a/b").
bool Within(const fs::path& root, const fs::path& path) {
  return std::mismatch(root.begin(), root.end(), path.begin(), path.end()).first == root.end();
}

bool Hidden(const fs::path& name) { return name.string().starts_with('.'); }

}  // namespace

StudioFolder::StudioFolder(const fs::path& root) : root_(fs::canonical(root)) {}

Result<fs::path> StudioFolder::Resolve(std::string_view relative) const {
  // A NUL is shown as \0: the sentence travels as text, which a NUL would end.
  std::string quoted = "\"";
  for (const char c : relative.substr(0, 80))
    quoted += c == '\0' ? std::string("\\0") : std::string(1, c);
  quoted += "\"";
  if (relative.empty()) return tools::Refusal("no file was named");
  if (relative.size() > kMaxRequestPathBytes)
    return tools::Refusal("the path is longer than " + std::to_string(kMaxRequestPathBytes) +
                          " bytes");
  if (relative.find('\0') != std::string_view::npos)
    return tools::Refusal("the path " + quoted + " holds a NUL");
  const fs::path path(relative);
  if (path.has_root_path())
    return tools::Refusal("the path " + quoted +
                          " is absolute; name a file inside the studio's folder");
  for (const fs::path& step : path)
    if (step == "..") return tools::Refusal("the path " + quoted + " steps out with \"..\"");
  const fs::path inside = root_ / path;
  if (!Contains(inside))
    return tools::Refusal("the path " + quoted + " leads out of the studio's folder");
  return inside;
}

bool StudioFolder::Contains(const fs::path& path) const {
  std::error_code error;
  const fs::path resolved = fs::weakly_canonical(path, error);
  return !error && Within(root_, resolved);
}

std::string StudioFolder::Relative(const fs::path& path) const {
  return path.lexically_relative(root_).generic_string();
}

std::vector<std::string> StudioFolder::List(const std::vector<std::string>& extensions) const {
  std::vector<std::string> files;
  std::error_code error;
  fs::recursive_directory_iterator it(root_, fs::directory_options::skip_permission_denied, error);
  for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    const fs::directory_entry& entry = *it;
    if (Hidden(entry.path().filename())) {
      if (entry.is_directory(error)) it.disable_recursion_pending();
      continue;
    }
    if (entry.is_directory(error)) {
      if (it.depth() + 1 >= kMaxListedDepth) it.disable_recursion_pending();
      continue;
    }
    const std::string extension = entry.path().extension().string();
    if (std::find(extensions.begin(), extensions.end(), extension) == extensions.end()) continue;
    if (!entry.is_regular_file(error) || !Contains(entry.path())) continue;
    files.push_back(Relative(entry.path()));
    if (files.size() == kMaxListedFiles) break;
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace veltrane::studio
