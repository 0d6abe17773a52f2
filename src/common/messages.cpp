#include "common/messages.h"

#include <cstdio>
#include <mutex>

namespace veltrane {
namespace {

void VELTRANE_CALL WriteToStderr(const char* text, void*) { std::fprintf(stderr, "%s\n", text); }

struct Installed {
  std::mutex mutex;
  MessageSink sink = nullptr;  // none: the default
  void* context = nullptr;
  MessageSink fallback = WriteToStderr;
};

Installed& installed() {
  static Installed value;
  return value;
}

}  // namespace

void SetMessageSink(MessageSink sink, void* context) {
  Installed& current = installed();
  std::lock_guard lock(current.mutex);
  current.sink = sink;
  current.context = sink != nullptr ? context : nullptr;
}

void SetDefaultMessageSink(MessageSink sink) {
  Installed& current = installed();
  std::lock_guard lock(current.mutex);
  current.fallback = sink != nullptr ? sink : WriteToStderr;
}

void ShowMessage(const std::string& text) {
  MessageSink sink;
  void* context;
  {
    // Copied out so that a sink may itself install another sink without deadlocking.
    Installed& current = installed();
    std::lock_guard lock(current.mutex);
    sink = current.sink != nullptr ? current.sink : current.fallback;
    context = current.context;
  }
  sink(text.c_str(), context);
}

}  // namespace veltrane
