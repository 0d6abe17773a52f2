#pragma once

#include <mutex>
#include <string>

namespace veltrane {

// Receives the text of every message the library shows the user.
using MessageHandler = void (*)(const char* text, void* context);

// Where the library's messages go: the installed handler with its context, or by default a line
// on stderr. Safe to use from any thread.
class MessageSink {
 public:
  // Installs the handler (nullptr restores the default).
  void Install(MessageHandler handler, void* context);

  // Hands `text` to the installed handler on the calling thread and returns when it returns.
  void Show(const std::string& text) const;

 private:
  static void WriteToStderr(const char* text, void* context);

  mutable std::mutex mutex_;
  MessageHandler handler_ = WriteToStderr;
  void* context_ = nullptr;
};

}  // namespace veltrane
