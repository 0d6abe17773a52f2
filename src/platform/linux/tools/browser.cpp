// SPDX-License-Identifier: MIT
#include "platform/tools/browser.h"

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace veltrane::platform {

bool OpenInBrowser(const std::string& url) {
  std::string program = "xdg-open";
  char* const argv[] = {program.data(), const_cast<char*>(url.c_str()), nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, "xdg-open", nullptr, nullptr, argv, environ) != 0) return false;
  // xdg-open hands the address to the browser and ends; reaping it keeps no zombie behind.
  int status = 0;
  return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace veltrane::platform
