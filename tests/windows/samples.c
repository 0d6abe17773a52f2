// SPDX-License-Identifier: MIT
#include "samples.h"

uint32_t SamplePixel(int32_t x, int32_t y) {
  /* 96 is the last unlit level, 97 the first lit one. */
  static const uint32_t levels[] = {0, 96, 97, 255};
  const uint32_t red = levels[(x + y) % 4];
  const uint32_t green = levels[(x / 3 + 2 * y) % 4];
  const uint32_t blue = (uint32_t)(x * 7 + y * 13) & 0xFFu;
  return red | (green << 8) | (blue << 16);
}

int32_t BuildClockSample(void) {
  const LedRect area = {0, 0, 48, 40};
  const int32_t slot = MakeRoot(1, 2);
  if (slot == 0) return 0;
  if (AddLeaf(slot, 7) != 1 ||
      AddClock(slot, area, 3, 0x0000FF, 0x00FF00, 0x00FFFF, 0x00FF00, 0x0000FF, 0x000000) != 1) {
    LED_ReleaseMem(slot);
    return 0;
  }
  return slot;
}

int32_t BuildWindowSample(SamplePicture picture) {
  const LedRect area = {8, 0, 8 + kSampleWidth, kSampleHeight};
  const int32_t slot = MakeRoot(1, 2);
  if (slot == 0) return 0;
  /* The second area reads beyond the picture's right and bottom edges, which count as black. */
  if (AddLeaf(slot, 1) != 1 ||
      AddWindow(slot, picture, kSampleWidth, kSampleHeight, area, 1, 2, 5) != 1 ||
      AddWindow(slot, picture, kSampleWidth + 3, kSampleHeight + 2, area, 3, 4, 6) != 1) {
    LED_ReleaseMem(slot);
    return 0;
  }
  return slot;
}
