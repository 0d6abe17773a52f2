// SPDX-License-Identifier: MIT
// Reading what the command is given: whole files within a limit, and no device, directory or
// oversized file read at all.
#include "shared/input_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "common/status_text.h"
#include "fleet.h"

namespace veltrane::tools {
namespace {

namespace fs = std::filesystem;

fs::path TempPath(const std::string& name) {
  return fs::temp_directory_path() /
         ("veltrane_input_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
          "_" + name);
}

TEST(BoundedInput, ReadsWithinTheLimitAndRefusesByKindOrSize) {
  constexpr InputKind kKind{"a test input", 8};
  const fs::path exact = TempPath("exact");
  const fs::path over = TempPath("over");
  const fs::path empty = TempPath("empty");
  std::ofstream(exact, std::ios::binary) << "12345678";
  std::ofstream(over, std::ios::binary) << "123456789";
  std::ofstream(empty, std::ios::binary);

  struct Case {
    fs::path file;
    std::string bytes;  // what is read, when it is read
    std::string error;  // the sentence, when it is not
  };
  const Case cases[] = {
      {exact, "12345678", ""},
      {empty, "", ""},
      {over, "", over.string() + " has 9 bytes, more than the 8 bytes a test input may have"},
      {fs::temp_directory_path(), "", fs::temp_directory_path().string() + " is a directory"},
      {"/dev/zero", "", "/dev/zero is a device, not a regular file"},
      {"/dev/null", "", "/dev/null is a device, not a regular file"},
      {"/nonexistent/input", "", "cannot read /nonexistent/input: no such file or directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file.string());
    const auto read = ReadBoundedInput(c.file, kKind);
    if (c.error.empty()) {
      ASSERT_TRUE(read) << StatusText(read.error());
      const auto& bytes = *read;
      EXPECT_EQ(std::string(bytes.begin(), bytes.end()), c.bytes);
    } else {
      ASSERT_FALSE(read);
      EXPECT_EQ(StatusText(read.error()).rfind(c.error, 0), 0u) << StatusText(read.error());
    }
  }
  for (const fs::path& file : {exact, over, empty}) fs::remove(file);
}

// A named pipe with no writer would keep a read waiting forever: only the inputs a user names on
// the command line, where a shell's <(...) is one, read from a pipe.
TEST(BoundedInput, APipeIsReadOnlyWhereTheKindTakesOne) {
  const fs::path pipe = TempPath("pipe");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const std::string refused = pipe.string() + " is a pipe, not a regular file";
  using Reading = std::function<std::optional<std::string>()>;
  const auto errorOf = [](const auto& read) -> std::optional<std::string> {
    if (!read) return StatusText(read.error());
    return std::nullopt;
  };
  const std::pair<const char*, Reading> refusals[] = {
      {"an input of a kind without pipes",
       [&] {
         return errorOf(ReadBoundedInput(pipe, {"a test input", 8}));
       }},
      {"an image of a program file", [&] { return errorOf(ReadPngInput(pipe)); }},
      {"a fleet file", [&] { return errorOf(cli::LoadFleet(pipe)); }},
  };
  for (const auto& [what, read] : refusals) {
    SCOPED_TRACE(what);
    EXPECT_EQ(read(), refused);
  }
  std::thread writer([&] { std::ofstream(pipe, std::ios::binary) << "1234"; });
  const auto read = ReadBoundedInput(pipe, {"a program", 8, true});
  writer.join();
  ASSERT_TRUE(read) << StatusText(read.error());
  EXPECT_EQ(*read, (std::vector<uint8_t>{'1', '2', '3', '4'}));
  fs::remove(pipe);
}

TEST(BoundedInput, StandardInputIsNamedAndItsSizeUnknown) {
  constexpr InputKind kKind{"a program block", 2097152};
  EXPECT_TRUE(IsStandardInput("-"));
  EXPECT_FALSE(IsStandardInput("./-"));
  EXPECT_EQ(InputName("-"), "standard input");
  EXPECT_EQ(TooLargeSentence("-", std::nullopt, kKind),
            "standard input has more than the 2097152 bytes a program block may have");
}

}  // namespace
}  // namespace veltrane::tools
