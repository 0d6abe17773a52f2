/* SPDX-License-Identifier: MIT */
/* A Windows host as one is written against the installed header: it calls every function the
   header declares. It is only linked, never run (32-bit programs cannot run here): the link
   shows that each declaration reaches its export through the import libraries, with the calling
   convention and argument bytes the DLL was built with. */
#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "veltrane/veltrane.h"

static void VELTRANE_CALL show(const char* text, void* context) {
  (void)context;
  puts(text);
}

int main(void) {
  DevParam screen;
  LedRect area = {0, 0, 64, 16};
  int32_t slot;
  memset(&screen, 0, sizeof screen);
  screen.devType = VELTRANE_DEV_UDP;
  screen.speed = VELTRANE_SPEED_57600;
  strcpy(screen.RmtIP, "127.0.0.1");
  screen.rmtPort = 6666;

  printf("%s\n", LED_GetVersion());
  LED_Init();
  SetSenderEnable(1);
  LED_SetDebugFlag(0);
  LED_SetMessageHandler(show, NULL);
  LED_SetTextEncoding("UTF-8");

  slot = MakeRoot(1, VELTRANE_COLOR_TWO_BITS);
  AddLeaf(slot, 0);
  AddString(slot, area, 0, "text", 0, 0, 0, 0);
  AddText(slot, area, 0, "text", "Arial", 12, 0x0000FF, 0, 0);
  AddDateTime(slot, area, "Arial", 12, 0x00FF00, VELTRANE_DATETIME_TIME, 0);
  AddClock(slot, area, 0, 0x0000FF, 0x00FF00, 0x00FFFF, 0x00FF00, 0x0000FF, 0);
  AddWindow(slot, NULL, 16, 16, area, 0, 0, 0);
  LED_SendToScreen(screen, slot);
  LED_ReleaseMem(slot);

  LED_SetPower(screen, 1);
  LED_GetPower(screen);
  LED_SetBright(screen, 8);
  LED_GetBright(screen);
  LED_Reset(screen);
  LED_AdjustTime(screen);

  XR_LED_PowerOn("127.0.0.1", 0, 0, 0, 0);
  XR_LED_PowerOff("127.0.0.1", 0, 0, 0, 0);
  XR_LED_ResiveTime("127.0.0.1", 0, 0, 0, 0);
  XR_LED_SendData("127.0.0.1", 0, 0, 0, NULL, 0);

  printf("%d %s\n", (int)LED_GetLastError(), LED_GetLastErrorText());
  return LED_Cleanup() == 0 ? 0 : 1;
}
