#include "platform/terminal.h"

#include <unistd.h>

namespace veltrane::platform {

bool IsTerminal(std::FILE* stream) { return stream != nullptr && isatty(fileno(stream)) == 1; }

}  // namespace veltrane::platform
