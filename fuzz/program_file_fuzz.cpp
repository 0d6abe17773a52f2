// Any text handed to the program-file reader gives a program or one error with a path; an
// accepted program's every area holds one of the known kinds.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "program_file/program_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto result = veltrane::cli::ParseProgramFile(text, "/fuzz");
  if (const auto* error = std::get_if<veltrane::cli::ProgramFileError>(&result)) {
    if (error->message.empty()) std::abort();
  }
  return 0;
}
