#pragma once

#include <string>

#include "veltrane/veltrane.h"

namespace veltrane {

// Receives the text of every message the library shows the user. Hosts install their own, so it
// has the calling convention of the public header.
using MessageSink = LedMessageHandler;

// Installs the sink (nullptr restores the default sink).
void SetMessageSink(MessageSink sink, void* context);

// Chooses the default sink, which at first writes the text and a newline to stderr (a platform
// with message boxes puts one there).
void SetDefaultMessageSink(MessageSink sink);

// Hands `text` to the installed sink on the calling thread and returns when the sink returns.
void ShowMessage(const std::string& text);

}  // namespace veltrane
