// SPDX-License-Identifier: MIT
// Writing a tool's output over whatever the user named: a link to nothing yet, the permissions a
// replaced file keeps, and the refusals that touch nothing. tests/tool/output_test.sh tries the
// rest through the command (a file, a link, a device, a pipe, a failed write).
#include "shared/output_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace veltrane::tools {
namespace {

namespace fs = std::filesystem;

const std::vector<uint8_t> kBytes = {'n', 'e', 'w', 0, 0xFF, '\n'};
const std::string kNew(kBytes.begin(), kBytes.end());

std::string ReadWhole(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A scratch folder of the test's own, removed with everything in it.
class OutputFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "veltrane_output_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { fs::remove_all(folder_); }

  fs::path At(const std::string& name) const { return folder_ / name; }
  void Make(const std::string& name, const std::string& text) const {
    std::ofstream(At(name), std::ios::binary) << text;
  }
  // The names in the folder, in order: no new file is ever left behind.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path folder_;
};

TEST_F(OutputFile, ALinkToNothingYetMakesItsTarget) {
  fs::create_symlink("target", At("out"));
  EXPECT_EQ(WriteOutputFile(At("out"), kBytes), "");
  EXPECT_EQ(fs::read_symlink(At("out")), "target");
  EXPECT_EQ(ReadWhole(At("target")), kNew);
  EXPECT_EQ(Names(), (std::vector<std::string>{"out", "target"}));
}

TEST_F(OutputFile, AReplacedFileKeepsItsPermissions) {
  Make("out", "old text");
  constexpr fs::perms kKept =
      fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(At("out"), kKept);
  EXPECT_EQ(WriteOutputFile(At("out"), kBytes), "");
  EXPECT_EQ(ReadWhole(At("out")), kNew);
  EXPECT_EQ(fs::status(At("out")).permissions(), kKept);
  EXPECT_EQ(Names(), std::vector<std::string>{"out"});
}

TEST_F(OutputFile, AFolderOrAMissingOneIsRefusedUntouched) {
  fs::create_directory(At("folder"));
  EXPECT_EQ(WriteOutputFile(At("folder"), kBytes),
            At("folder").string() + " is a directory, not a file");
  EXPECT_EQ(WriteOutputFile(At("none/out"), kBytes),
            "cannot write " + At("none/out").string() + ": no such file or directory");
  EXPECT_TRUE(fs::is_empty(At("folder")));
  EXPECT_EQ(Names(), std::vector<std::string>{"folder"});
}

}  // namespace
}  // namespace veltrane::tools
