// SPDX-License-Identifier: MIT
#include "common/messages.h"

#include <atomic>
#include <cstdio>

namespace veltrane {
namespace {

void VELTRANE_CALL WriteToStderr(const char* text, void*) { std::fprintf(stderr, "%s\n", text); }

std::atomic<MessageHandler> defaultHandler{WriteToStderr};

}  // namespace

void SetDefaultMessageHandler(MessageHandler handler) {
  defaultHandler = handler != nullptr ? handler : WriteToStderr;
}

void MessageSink::Install(MessageHandler handler, void* context) {
  std::lock_guard lock(mutex_);
  handler_ = handler;
  context_ = handler != nullptr ? context : nullptr;
}

void MessageSink::Show(const std::string& text) const {
  MessageHandler handler;
  void* context;
  {
    // Copied out so that a handler may itself install another handler without deadlocking.
    std::lock_guard lock(mutex_);
    handler = handler_ != nullptr ? handler_ : defaultHandler.load();
    context = context_;
  }
  handler(text.c_str(), context);
}

}  // namespace veltrane
