// SPDX-License-Identifier: MIT
#pragma once

#include <mutex>
#include <string>

#include "veltrane/veltrane.h"

namespace veltrane {

// Receives the text of every message the library shows the user. Hosts install their own, so it
// has the calling convention of the public header.
using MessageHandler = LedMessageHandler;

// Chooses the handler every MessageSink falls back to when its host installed none: at first the
// text and a newline on stderr; a platform with message boxes puts one there. A platform choice,
// made once at load, not state a caller sets.
void SetDefaultMessageHandler(MessageHandler handler);

// Where the library's messages go: the installed handler with its context, or by default the
// platform's. Safe to use from any thread.
class MessageSink {
 public:
  // Installs the handler (nullptr restores the default).
  void Install(MessageHandler handler, void* context);

  // Hands `text` to the installed handler on the calling thread and returns when it returns.
  void Show(const std::string& text) const;

 private:
  mutable std::mutex mutex_;
  MessageHandler handler_ = nullptr;  // none: the platform's default
  void* context_ = nullptr;
};

}  // namespace veltrane
