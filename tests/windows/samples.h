/* SPDX-License-Identifier: MIT */
/* Two programs that the Linux and the Windows builds make from the same input, so that their
   bytes can be compared: an analog clock, and a window area read from a picture with colours on
   both sides of the lit thresholds. Only the way the picture reaches AddWindow differs. */
#ifndef VELTRANE_TESTS_WINDOWS_SAMPLES_H
#define VELTRANE_TESTS_WINDOWS_SAMPLES_H

#include "veltrane/veltrane.h"

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
typedef HDC SamplePicture;
#else
typedef const LedBitmap* SamplePicture;
#endif

enum { kSampleWidth = 37, kSampleHeight = 19 };

/* The colour (0x00BBGGRR) of the sample picture at x, y. */
uint32_t SamplePixel(int32_t x, int32_t y);

/* Each builds its program in a fresh slot and returns the slot, or 0 when a call failed. */
int32_t BuildClockSample(void);
int32_t BuildWindowSample(SamplePicture picture);

#ifdef __cplusplus
}
#endif

#endif
