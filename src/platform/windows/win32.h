// SPDX-License-Identifier: MIT
#pragma once

// The Windows headers as the platform code includes them: Winsock 2's declarations (the library
// asks for version 1.1 at run time) before windows.h, which would otherwise bring the old ones,
// and without the min/max macros; then the multimedia timer (timeGetTime), which the lean
// windows.h leaves out.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <mmsystem.h>
// clang-format on
