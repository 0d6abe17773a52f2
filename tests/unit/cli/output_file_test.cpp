// Writing a tool's output over whatever the user named: what is replaced, what is written in
// place, and that a failure leaves everything as it was.
#include "shared/output_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <functional>
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

TEST_F(OutputFile, AFileIsReplacedWholeAndALinkFollowedToIt) {
  struct Case {
    const char* what;
    std::function<void()> make;  // what is at "out" before
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"nothing", [] {}, {"out"}},
      {"a file", [&] { Make("out", "old text"); }, {"out"}},
      {"a link to a file",
       [&] {
         Make("target", "old text");
         fs::create_symlink("target", At("out"));
       },
       {"out", "target"}},
      {"a link to nothing yet",
       [&] { fs::create_symlink("target", At("out")); },
       {"out", "target"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(folder_);
    fs::create_directory(folder_);
    c.make();
    const bool link = fs::is_symlink(At("out"));
    EXPECT_EQ(WriteOutputFile(At("out"), kBytes), "");
    EXPECT_EQ(ReadWhole(At("out")), kNew);
    // A link still leads where it led.
    EXPECT_EQ(fs::is_symlink(At("out")), link);
    EXPECT_EQ(link ? fs::read_symlink(At("out")) : fs::path("target"), "target");
    EXPECT_EQ(Names(), c.names);
  }
}

TEST_F(OutputFile, AReplacedFileKeepsItsPermissions) {
  Make("out", "old text");
  fs::permissions(At("out"),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(WriteOutputFile(At("out"), kBytes), "");
  EXPECT_EQ(fs::status(At("out")).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(OutputFile, AFailedWriteLeavesWhatWasThere) {
  ASSERT_EQ(::mkfifo(At("pipe").c_str(), 0600), 0);
  // A copy of /dev/full's node: a device that takes no byte.
  const bool fullDevice = ::mknod(At("full").c_str(), S_IFCHR | 0600, ::makedev(1, 7)) == 0;
  Make("kept", "old text");
  fs::create_directory(At("folder"));
  struct Case {
    std::string path;
    std::string error;
  };
  std::vector<Case> cases = {
      {At("folder").string(), At("folder").string() + " is a directory, not a file"},
      {At("none/out").string(),
       "cannot write " + At("none/out").string() + ": no such file or directory"},
  };
  if (fullDevice)
    cases.push_back(
        {At("full").string(), "cannot write " + At("full").string() + ": no space left on device"});
  // A file the system lets grow no further than a few bytes.
  cases.push_back(
      {At("kept").string(), "cannot write " + At("kept").string() + ": file too large"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    rlimit before{};
    ::getrlimit(RLIMIT_FSIZE, &before);
    const bool limited = c.path == At("kept").string();
    const auto oldHandler = limited ? std::signal(SIGXFSZ, SIG_IGN) : SIG_DFL;
    if (limited) {
      rlimit few = before;
      few.rlim_cur = 3;
      ::setrlimit(RLIMIT_FSIZE, &few);
    }
    const std::string error = WriteOutputFile(c.path, kBytes);
    if (limited) {
      ::setrlimit(RLIMIT_FSIZE, &before);
      std::signal(SIGXFSZ, oldHandler);
    }
    EXPECT_EQ(error, c.error);
  }
  EXPECT_EQ(ReadWhole(At("kept")), "old text");
  EXPECT_TRUE(fs::is_empty(At("folder")));
  EXPECT_TRUE(fs::is_fifo(At("pipe")));
  EXPECT_EQ(fs::is_character_file(At("full")), fullDevice);
  std::vector<std::string> names = {"folder", "kept", "pipe"};
  if (fullDevice) names.insert(names.begin() + 1, "full");
  EXPECT_EQ(Names(), names);
}

TEST_F(OutputFile, APipeIsWrittenInPlace) {
  ASSERT_EQ(::mkfifo(At("pipe").c_str(), 0600), 0);
  const int reader = ::open(At("pipe").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(WriteOutputFile(At("pipe"), kBytes), "");
  std::string arrived(64, '\0');
  const ssize_t n = ::read(reader, arrived.data(), arrived.size());
  ::close(reader);
  arrived.resize(n > 0 ? static_cast<size_t>(n) : 0);
  EXPECT_EQ(arrived, kNew);
  EXPECT_TRUE(fs::is_fifo(At("pipe")));
  EXPECT_EQ(Names(), std::vector<std::string>{"pipe"});
}

}  // namespace
}  // namespace veltrane::tools
