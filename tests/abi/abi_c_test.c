/* SPDX-License-Identifier: MIT */
/* Compiled as strict C99 against the public header and linked to the shared library: the
   header must stand alone in C, and the exports must behave as documented through it. */
#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "veltrane/veltrane.h"

static int failures = 0;

#define EXPECT(condition)                                                     \
  do {                                                                        \
    if (!(condition)) {                                                       \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
      ++failures;                                                             \
    }                                                                         \
  } while (0)

typedef char dev_param_is_40_bytes[sizeof(DevParam) == 40 ? 1 : -1];
typedef char rmt_ip_at_16[offsetof(DevParam, RmtIP) == 16 ? 1 : -1];
typedef char dev_addr_at_32[offsetof(DevParam, devAddr) == 32 ? 1 : -1];
typedef char led_rect_is_16_bytes[sizeof(LedRect) == 16 ? 1 : -1];
/* The codes keep their numbers: hosts compare against them. */
typedef char refused_is_2[VELTRANE_ERROR_REFUSED == 2 ? 1 : -1];
typedef char build_is_10[VELTRANE_ERROR_BUILD == 10 ? 1 : -1];
typedef char bad_argument_is_11[VELTRANE_ERROR_BAD_ARGUMENT == 11 ? 1 : -1];

static int messages_seen = 0;
static void count_messages(const char* text, void* context) {
  (void)text;
  (void)context;
  ++messages_seen;
}

int main(void) {
  EXPECT(strcmp(LED_GetVersion(), VELTRANE_VERSION_STRING) == 0);
  EXPECT(LED_SetDebugFlag(5) == 5);
  EXPECT(LED_SetDebugFlag(0) == 0);
  EXPECT(SetSenderEnable(0) == 0);
  EXPECT(SetSenderEnable(1) == 0);
  LED_SetMessageHandler(count_messages, NULL);
  LED_SetMessageHandler(NULL, NULL);

  {
    /* A descriptor naming no transport fails every device call without opening anything. */
    DevParam nowhere;
    memset(&nowhere, 0, sizeof nowhere);
    nowhere.devType = VELTRANE_DEV_UDP + 1;
    EXPECT(LED_SetPower(nowhere, 1) == -1);
    EXPECT(LED_GetLastError() == VELTRANE_ERROR_BAD_ARGUMENT);
    EXPECT(LED_GetLastErrorText()[0] != '\0');
    EXPECT(LED_GetPower(nowhere) == -1);
    EXPECT(LED_SetBright(nowhere, 1) == -1);
    EXPECT(LED_GetBright(nowhere) == -1);
    EXPECT(LED_Reset(nowhere) == -1);
    EXPECT(LED_AdjustTime(nowhere) == -1);
    EXPECT(LED_SetComPortPath(1, "/dev/null") == 1);
    EXPECT(LED_SetComPortPath(1, NULL) == 1);
    EXPECT(LED_SetComPortPath(0, NULL) == 0);
    EXPECT(LED_SetComPortPath(256, "/dev/null") == 0);
  }

  EXPECT(LED_Init() == 1);
  {
    LedRect area = {0, 0, 64, 16};
    int32_t slot = MakeRoot(1, VELTRANE_COLOR_ONE_BIT);
    EXPECT(slot == 1);
    EXPECT(AddString(slot, area, 0, "no page yet", 0, 0, 0, 0) == 0);
    EXPECT(AddLeaf(slot, 0) == 1);
    EXPECT(AddString(slot, area, 0, "hello", 0, 0, 0, 0) == 1);
    EXPECT(AddString(slot, area, 0, NULL, 0, 0, 0, 0) == 0);
    EXPECT(AddLeaf(17, 0) == 0);
    {
      /* A 2 x 1 picture of 3-byte pixels, red then black, in rows of 8 bytes. */
      static const uint8_t pixels[8] = {0, 0, 255, 0, 0, 0, 0, 0};
      LedBitmap bitmap = {2, 1, 8, VELTRANE_BITMAP_BGR, pixels};
      LedBitmap unknownFormat = {2, 1, 8, 7, pixels};
      EXPECT(AddWindow(slot, &bitmap, 2, 1, area, 0, 0, 5) == 1);
      EXPECT(AddWindow(slot, &bitmap, 64, 16, area, 0, 0, 5) == 1); /* black beyond the picture */
      EXPECT(AddWindow(slot, NULL, 2, 1, area, 0, 0, 5) == 0);
      EXPECT(AddWindow(slot, &unknownFormat, 2, 1, area, 0, 0, 5) == 0);
      EXPECT(AddWindow(slot, &bitmap, -2, 1, area, 0, 0, 5) == 0);
    }
    EXPECT(AddText(slot, area, 0, "12:30", "DejaVu Sans", 12, 0x0000FF, 0, 0) == 1);
    EXPECT(AddText(slot, area, 0, NULL, "DejaVu Sans", 12, 0x0000FF, 0, 0) == 0);
    EXPECT(AddText(slot, area, 0, "12:30", NULL, 12, 0x0000FF, 0, 0) == 0);
    EXPECT(LED_SetTextEncoding("GBK") == 1);
    EXPECT(AddText(slot, area, 0, "\xC4\xEA", "DejaVu Sans", 12, 0x0000FF, 0, 0) == 1);
    EXPECT(LED_SetTextEncoding("NO-SUCH-CODE-PAGE") == 0);
    EXPECT(LED_SetTextEncoding(NULL) == 1);
    EXPECT(AddDateTime(slot, area, "DejaVu Sans", 9, 0x00FF00, VELTRANE_DATETIME_TIME, 0) == 1);
    EXPECT(AddDateTime(slot, area, NULL, 9, 0x00FF00, VELTRANE_DATETIME_TIME, 0) == 0);
    EXPECT(AddClock(slot, area, 0, 0x0000FF, 0x00FF00, 0x00FFFF, 0x00FF00, 0x0000FF, 0) == 1);
    EXPECT(AddClock(slot, (LedRect){10, 0, 0, 16}, 0, 0, 0, 0, 0, 0, 0) == 0);
    {
      DevParam none;
      memset(&none, 0, sizeof none);
      none.devType = 2;
      EXPECT(LED_SendToScreen(none, 0) == 0); /* not a slot: refused, nothing touched */
      EXPECT(LED_SendToScreen(none, 17) == 0);
    }
    EXPECT(XR_LED_PowerOn(NULL, 0, 0, 0, 0) == 1);
    EXPECT(XR_LED_PowerOff("1234567890.1234567", 0, 0, 0, 0) == 1); /* longer than 15 */
    EXPECT(XR_LED_ResiveTime(NULL, 0, 0, 0, 0) == 1);
    EXPECT(XR_LED_SendData(NULL, 0, 0, 0, NULL, 0) == 1);
    LED_ReleaseMem(slot);
    LED_ReleaseMem(0);
    EXPECT(MakeRoot(1, 1) == 1); /* released slots are claimed again */
  }
  EXPECT(LED_Cleanup() == 0);
  EXPECT(LED_Cleanup() == -1); /* not started any more */

  if (failures == 0) printf("abi_c_test: all checks passed\n");
  return failures == 0 ? 0 : 1;
}
