#include "common/messages.h"

#include <cstdio>

namespace veltrane {

void MessageSink::WriteToStderr(const char* text, void*) { std::fprintf(stderr, "%s\n", text); }

void MessageSink::Install(MessageHandler handler, void* context) {
  std::lock_guard lock(mutex_);
  handler_ = handler != nullptr ? handler : WriteToStderr;
  context_ = handler != nullptr ? context : nullptr;
}

void MessageSink::Show(const std::string& text) const {
  MessageHandler handler;
  void* context;
  {
    // Copied out so that a handler may itself install another handler without deadlocking.
    std::lock_guard lock(mutex_);
    handler = handler_;
    context = context_;
  }
  handler(text.c_str(), context);
}

}  // namespace veltrane
