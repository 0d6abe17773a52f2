/* SPDX-License-Identifier: MIT */
/* write_samples ADDRESS PORT: builds the sample programs with the Linux library and sends them,
   clock first, to a screen over UDP; veltrane-screen --save-programs keeps what it receives as
   the bytes the Windows build must match. Exits 0 when both were sent, 1 otherwise. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "samples.h"

static uint8_t picture_pixels[kSampleHeight][kSampleWidth][3];

static LedBitmap SamplePictureBitmap(void) {
  LedBitmap bitmap = {kSampleWidth, kSampleHeight, kSampleWidth * 3, 0, &picture_pixels[0][0][0]};
  for (int32_t y = 0; y < kSampleHeight; ++y) {
    for (int32_t x = 0; x < kSampleWidth; ++x) {
      const uint32_t color = SamplePixel(x, y);
      picture_pixels[y][x][0] = (uint8_t)(color >> 16);
      picture_pixels[y][x][1] = (uint8_t)(color >> 8);
      picture_pixels[y][x][2] = (uint8_t)color;
    }
  }
  return bitmap;
}

int main(int argc, char** argv) {
  if (argc != 3 || strlen(argv[1]) >= 16) {
    fprintf(stderr, "usage: write_samples ADDRESS PORT\n");
    return 2;
  }
  DevParam screen;
  memset(&screen, 0, sizeof screen);
  screen.devType = 1;
  screen.rmtPort = atoi(argv[2]);
  strcpy(screen.RmtIP, argv[1]);
  screen.devAddr = 1;

  const LedBitmap bitmap = SamplePictureBitmap();
  if (LED_Init() != 1) return 1;
  const int sent = LED_SendToScreen(screen, BuildClockSample()) == 1 &&
                   LED_SendToScreen(screen, BuildWindowSample(&bitmap)) == 1;
  LED_Cleanup();
  return sent ? 0 : 1;
}
