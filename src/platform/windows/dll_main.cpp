// SPDX-License-Identifier: MIT
// veltrane.dll's entry point. The library registers with no application framework, so any host
// can load it; everything it keeps is set up by LED_Init and torn down by LED_Cleanup.
#include "win32.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
