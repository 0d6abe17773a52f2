#include "common/messages.h"

#include <cstdio>
#include <mutex>

namespace veltrane {
namespace {

void WriteToStderr(const char* text, void*) { std::fprintf(stderr, "%s\n", text); }

struct Installed {
  std::mutex mutex;
  MessageSink sink = WriteToStderr;
  void* context = nullptr;
};

Installed& installed() {
  static Installed value;
  return value;
}

}  // namespace

void SetMessageSink(MessageSink sink, void* context) {
  Installed& current = installed();
  std::lock_guard lock(current.mutex);
  current.sink = sink != nullptr ? sink : WriteToStderr;
  current.context = sink != nullptr ? context : nullptr;
}

void ShowMessage(const std::string& text) {
  MessageSink sink;
  void* context;
  {
    // Copied out so that a sink may itself install another sink without deadlocking.
    Installed& current = installed();
    std::lock_guard lock(current.mutex);
    sink = current.sink;
    context = current.context;
  }
  sink(text.c_str(), context);
}

}  // namespace veltrane
