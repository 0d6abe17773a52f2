// SPDX-License-Identifier: MIT
// The version export: the text is fixed when the library is built, so a program can tell which
// library it runs on whatever header it was compiled with.
#include "veltrane/veltrane.h"

extern "C" VELTRANE_API const char* LED_GetVersion(void) { return VELTRANE_VERSION_STRING; }
