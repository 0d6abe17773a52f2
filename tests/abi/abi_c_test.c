/* Compiled as strict C99 against the public header and linked to the shared library: the
   header must stand alone in C, and the exports must behave as documented through it. */
#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "veltrane/veltrane.h"

static int failures = 0;

#define EXPECT(condition)                                              \
  do {                                                                 \
    if (!(condition)) {                                                \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
      ++failures;                                                      \
    }                                                                  \
  } while (0)

typedef char dev_param_is_40_bytes[sizeof(DevParam) == 40 ? 1 : -1];
typedef char rmt_ip_at_16[offsetof(DevParam, RmtIP) == 16 ? 1 : -1];
typedef char dev_addr_at_32[offsetof(DevParam, devAddr) == 32 ? 1 : -1];
typedef char led_rect_is_16_bytes[sizeof(LedRect) == 16 ? 1 : -1];

static int messages_seen = 0;
static void count_messages(const char *text, void *context) {
  (void)text;
  (void)context;
  ++messages_seen;
}

int main(void) {
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
    nowhere.devType = 2;
    EXPECT(LED_SetPower(nowhere, 1) == -1);
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
  EXPECT(LED_Cleanup() == 0);
  EXPECT(LED_Cleanup() == -1); /* not started any more */

  if (failures == 0) printf("abi_c_test: all checks passed\n");
  return failures == 0 ? 0 : 1;
}
