/* SPDX-License-Identifier: MIT */
/* hello_screen: builds a two-page program, sends it to a screen over UDP and reads the screen's
   brightness, using only the library's public header.

     hello_screen ADDRESS PORT     e.g. hello_screen 127.0.0.1 7777

   Try it against the simulator: `veltrane-screen --udp 127.0.0.1:7777` in another terminal.
   Exits 0 when every step worked, 1 when one failed, 2 for bad usage. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "veltrane/veltrane.h"

/* Colours are 0x00BBGGRR. */
#define RED 0x0000FFu
#define GREEN 0x00FF00u
#define YELLOW 0x00FFFFu
#define BLACK 0x000000u

/* The screen this program talks to: UDP, any free local port, screen address 1 (the
   simulator's default; 255 reaches any screen). */
static int describe_screen(const char* address, const char* port_text, DevParam* screen) {
  char* end = NULL;
  const long port = strtol(port_text, &end, 10);
  if (*port_text == '\0' || *end != '\0' || port < 1 || port > 65535) return 0;
  if (strlen(address) >= sizeof screen->RmtIP) return 0;
  memset(screen, 0, sizeof *screen);
  screen->devType = VELTRANE_DEV_UDP;
  screen->locPort = 0;
  screen->rmtPort = (int32_t)port;
  strcpy(screen->RmtIP, address);
  screen->devAddr = 1;
  return 1;
}

/* Page 1: a line of text drawn here in a real font, and an analog clock the screen runs.
   Page 2: a string the screen renders itself, and the time of day from the screen's clock. */
static int build_program(int32_t slot) {
  const LedRect text_area = {0, 0, 96, 32};
  const LedRect clock_area = {96, 0, 128, 32};
  const LedRect string_area = {0, 0, 128, 16};
  const LedRect time_area = {0, 16, 128, 32};
  return AddLeaf(slot, 0) == 1 &&
         AddText(slot, text_area, 0, "Hello", "DejaVu Sans", 12, YELLOW, 0, 0) == 1 &&
         AddClock(slot, clock_area, 0, RED, GREEN, YELLOW, GREEN, RED, BLACK) == 1 &&
         AddLeaf(slot, 0) == 1 &&
         AddString(slot, string_area, 0, "from a C program", 0, 0, 0, 0) == 1 &&
         AddDateTime(slot, time_area, "DejaVu Sans", 9, GREEN, VELTRANE_DATETIME_TIME_SECONDS, 0) ==
             1;
}

int main(int argc, char** argv) {
  DevParam screen;
  int32_t slot;
  int32_t brightness;
  int ok = 0;

  if (argc != 3 || !describe_screen(argv[1], argv[2], &screen)) {
    fprintf(stderr, "usage: hello_screen ADDRESS PORT   (e.g. hello_screen 127.0.0.1 7777)\n");
    return 2;
  }
  LED_Init();

  /* colorMode 2: two bits per pixel, so red, green and yellow all show. */
  slot = MakeRoot(1, VELTRANE_COLOR_TWO_BITS);
  if (slot == 0) {
    fprintf(stderr, "hello_screen: no free program slot\n");
  } else if (!build_program(slot)) {
    fprintf(stderr, "hello_screen: could not build the program\n");
    LED_ReleaseMem(slot);
  } else {
    printf("built a program of two pages in slot %d\n", (int)slot);
    /* The program leaves its slot whatever the outcome; there is nothing to release after. */
    if (LED_SendToScreen(screen, slot) != 1) {
      fprintf(stderr, "hello_screen: the screen at %s:%s did not take the program\n", argv[1],
              argv[2]);
    } else {
      printf("sent it to %s:%s\n", argv[1], argv[2]);
      brightness = LED_GetBright(screen);
      if (brightness == -1) {
        fprintf(stderr, "hello_screen: the screen did not report its brightness\n");
      } else {
        printf("brightness %d\n", (int)brightness);
        ok = 1;
      }
    }
  }

  LED_Cleanup();
  return ok ? 0 : 1;
}
