/* A program built against an installed Veltrane: switches the screen at HOST PORT (UDP) on, reads
   the power back and sends it a one-line program. Exits 0 when the screen took all of it. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <veltrane/veltrane.h>

static DevParam udp_screen(const char* host, int port) {
  DevParam screen;
  memset(&screen, 0, sizeof screen);
  screen.devType = 1;
  screen.rmtPort = port;
  screen.devAddr = 1;
  strncpy(screen.RmtIP, host, sizeof screen.RmtIP - 1);
  return screen;
}

static int send_greeting(DevParam screen) {
  LedRect area = {0, 0, 63, 15};
  int32_t slot = MakeRoot(1, 1);
  if (slot == 0) return 0;
  if (AddLeaf(slot, 0) != 1 || AddString(slot, area, 0, "Hello", 0, 0, 0, 0) != 1) {
    LED_ReleaseMem(slot);
    return 0;
  }
  return LED_SendToScreen(screen, slot) == 1;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: %s HOST PORT\n", argv[0]);
    return 2;
  }
  DevParam screen = udp_screen(argv[1], atoi(argv[2]));
  printf("veltrane %s\n", LED_GetVersion());
  LED_Init();
  int ok = LED_SetPower(screen, 1) == 1 && LED_GetPower(screen) == 1 && send_greeting(screen);
  LED_Cleanup();
  puts(ok ? "the screen took the program" : "the screen did not answer");
  return ok ? 0 : 1;
}
