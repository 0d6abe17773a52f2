// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Running the project's programs as child processes, for the benchmarks that measure a tool as
// its users run it.
namespace veltrane::testing {

struct ChildRun {
  int exitStatus = -1;    // -1 when it could not be started or did not exit normally
  double seconds = 0;     // from starting it to its exit
  int64_t maxRssKiB = 0;  // its peak resident memory, never below this process's at its start
  double cpuSeconds = 0;  // the CPU time it used, in user and system mode
};

// Runs `argv` (argv[0] is the program's path) with its output discarded and waits for it.
ChildRun RunChild(const std::vector<std::string>& argv);

// A program left running beside the caller (a simulated screen, say), its stdout read line by
// line. Stopped with SIGTERM, and waited for, when this is destroyed.
class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& argv);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return pid_ > 0; }
  // The CPU time it has used so far, in user and system mode (0 when that cannot be read).
  double CpuSeconds() const;
  // The next line it printed, without its line break; empty once its output ends.
  std::string ReadLine();

 private:
  pid_t pid_ = -1;
  std::FILE* output_ = nullptr;
};

}  // namespace veltrane::testing
