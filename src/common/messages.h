#pragma once

#include <string>

namespace veltrane {

// Receives the text of every message the library shows the user.
using MessageSink = void (*)(const char* text, void* context);

// Installs the sink (nullptr restores the default, which writes the text and a newline to stderr).
void SetMessageSink(MessageSink sink, void* context);

// Hands `text` to the installed sink on the calling thread and returns when the sink returns.
void ShowMessage(const std::string& text);

}  // namespace veltrane
