#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>

extern char** environ;

namespace veltrane::testing {
namespace {

// Starts `argv` with stdout on `stdoutTo` (or discarded when it is -1) and stderr discarded.
pid_t Spawn(const std::vector<std::string>& argv, int stdoutTo) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (stdoutTo >= 0)
    posix_spawn_file_actions_adddup2(&actions, stdoutTo, 1);
  else
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

}  // namespace

ChildRun RunChild(const std::vector<std::string>& argv) {
  ChildRun run;
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = Spawn(argv, -1);
  if (pid < 0) return run;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // Linux counts it in KiB. It includes the memory the child shared with this process until it
  // started the program, so a small caller keeps the figure the program's own.
  run.maxRssKiB = usage.ru_maxrss;
  if (WIFEXITED(status)) run.exitStatus = WEXITSTATUS(status);
  return run;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv) {
  std::array<int, 2> ends{};
  if (pipe2(ends.data(), O_CLOEXEC) != 0) return;
  pid_ = Spawn(argv, ends[1]);
  close(ends[1]);
  output_ = fdopen(ends[0], "r");
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  if (output_ != nullptr) std::fclose(output_);
}

std::string ChildProcess::ReadLine() {
  std::string line;
  if (output_ == nullptr) return line;
  for (int c = std::fgetc(output_); c != EOF && c != '\n'; c = std::fgetc(output_))
    line += static_cast<char>(c);
  return line;
}

}  // namespace veltrane::testing
