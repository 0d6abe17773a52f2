// SPDX-License-Identifier: MIT
// The studio's folder: what a request's path may name, and what the folder lists.
#include "folder.h"

#include <gtest/gtest.h>

#include <fstream>

#include "common/status_text.h"

namespace veltrane::studio {
namespace {

namespace fs = std::filesystem;

// A scratch folder holding a served folder and a file beside it that the served one must not
// reach, removed with the object.
class Scratch {
 public:
  Scratch() : top_(fs::temp_directory_path() / ("veltrane_studio_" + std::to_string(::getpid()))) {
    fs::remove_all(top_);
    fs::create_directories(served() / "signs");
    fs::create_directories(served() / ".hidden");
    Touch(top_ / "secret.json");
    Touch(served() / "a.json");
    Touch(served() / "signs" / "b.json");
    Touch(served() / "signs" / "logo.png");
    Touch(served() / ".hidden" / "c.json");
    fs::create_symlink(top_, served() / "out");                          // leads out
    fs::create_symlink(top_ / "secret.json", served() / "secret.json");  // leads out
    fs::create_symlink(served() / "signs", served() / "inside");         // stays inside
  }
  ~Scratch() { fs::remove_all(top_); }
  fs::path served() const { return top_ / "served"; }

 private:
  static void Touch(const fs::path& file) { std::ofstream(file) << "{}"; }
  fs::path top_;
};

TEST(StudioFolder, APathMayNameOnlyWhatLiesInside) {
  const Scratch scratch;
  const StudioFolder folder(scratch.served());
  struct Case {
    std::string path;
    std::string refusal;  // empty: taken
  };
  const Case cases[] = {
      {"a.json", ""},
      {"signs/b.json", ""},
      {"signs/new.json", ""},  // not there yet: may be written
      {"inside/b.json", ""},
      {"", "no file was named"},
      {"/etc/passwd", "is absolute"},
      {"../secret.json", "steps out with \"..\""},
      {"signs/../../secret.json", "steps out with \"..\""},
      {"out/secret.json", "leads out of the studio's folder"},
      {"secret.json", "leads out of the studio's folder"},
      {std::string("a\0b.json", 8), "the path \"a\\0b.json\" holds a NUL"},
      {std::string(kMaxRequestPathBytes + 1, 'x'), "longer than"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.substr(0, 40));
    const auto resolved = folder.Resolve(c.path);
    if (c.refusal.empty()) {
      ASSERT_TRUE(resolved) << StatusText(resolved.error());
      EXPECT_TRUE(folder.Contains(*resolved));
    } else {
      ASSERT_FALSE(resolved);
      EXPECT_NE(StatusText(resolved.error()).find(c.refusal), std::string::npos)
          << StatusText(resolved.error());
    }
  }
}

TEST(StudioFolder, ListsMatchingFilesInsideWithoutHiddenOnesOrLinksLeadingOut) {
  const Scratch scratch;
  const StudioFolder folder(scratch.served());
  EXPECT_EQ(folder.List({".json"}), (std::vector<std::string>{"a.json", "signs/b.json"}));
  EXPECT_EQ(folder.List({".png", ".txt"}), (std::vector<std::string>{"signs/logo.png"}));
  EXPECT_EQ(folder.Relative(scratch.served() / "signs" / "b.json"), "signs/b.json");
}

}  // namespace
}  // namespace veltrane::studio
