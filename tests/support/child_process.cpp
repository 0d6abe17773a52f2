// SPDX-License-Identifier: MIT
#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <string>

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

double Seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
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
  run.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
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

double ChildProcess::CpuSeconds() const {
  // /proc/PID/stat: the 14th and 15th fields are the user and system time in clock ticks; the
  // command name (2nd) is in parentheses and may hold spaces, so fields count from its end.
  std::FILE* stat = std::fopen(("/proc/" + std::to_string(pid_) + "/stat").c_str(), "r");
  if (stat == nullptr) return 0;
  std::string text(1024, '\0');
  text.resize(std::fread(text.data(), 1, text.size(), stat));
  std::fclose(stat);
  const size_t nameEnd = text.rfind(')');
  if (nameEnd == std::string::npos) return 0;
  unsigned long long user = 0, system = 0;
  // After the name: state, then fields 4..13, then utime and stime.
  if (std::sscanf(text.c_str() + nameEnd + 1,
                  " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &user, &system) != 2)
    return 0;
  return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

std::string ChildProcess::ReadLine() {
  std::string line;
  if (output_ == nullptr) return line;
  for (int c = std::fgetc(output_); c != EOF && c != '\n'; c = std::fgetc(output_))
    line += static_cast<char>(c);
  return line;
}

}  // namespace veltrane::testing
