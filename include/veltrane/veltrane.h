/*
 * Veltrane: a sender library for LED display controllers ("screens") reached over a serial line
 * or UDP/IPv4.
 *
 * This is the library's only public header. It compiles as C99 and as C++. Every function is
 * safe to call with any argument values, null pointers included: a call that cannot do its work
 * returns its failure value (documented with each function) and never aborts.
 *
 * Life cycle: call LED_Init once before anything else and LED_Cleanup after the last call.
 * SetSenderEnable, LED_SetDebugFlag and LED_SetMessageHandler may be called at any time.
 */
#ifndef VELTRANE_VELTRANE_H
#define VELTRANE_VELTRANE_H

#include <stdint.h>

#if defined(VELTRANE_BUILDING)
#define VELTRANE_API __attribute__((visibility("default")))
#else
#define VELTRANE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The connection descriptor, passed by value to every device call. Exactly 40 bytes. */
typedef struct DevParam {
  int32_t devType; /* 0 serial, 1 UDP; any other value is refused (the call returns -1) */
  int32_t speed;   /* serial speed index: 0 9600, 1 19200, 2 38400, 3 57600, 4 115200 bit/s;
                      anything else is taken as 3 */
  int32_t locPort; /* serial: COM port number; UDP: local port to bind (low 16 bits) */
  int32_t rmtPort; /* UDP: the screen's port (low 16 bits) */
  char RmtIP[16];  /* UDP: the screen's dotted IPv4 address, NUL-terminated within 16 bytes;
                      16 characters without a NUL are read as the first 16 only */
  int32_t devAddr; /* low byte: the screen's address */
  int32_t reserved; /* read by nothing */
} DevParam;

/* A rectangle on the screen, passed by value. */
typedef struct LedRect {
  int32_t left, top, right, bottom;
} LedRect;

/* The host's own drawing, handed to AddWindow. Pixels read outside width x height are black. */
typedef struct LedBitmap {
  int32_t width, height;
  int32_t stride; /* bytes from one row to the next; rows run top-down */
  int32_t format; /* 0: 3 bytes per pixel B,G,R   1: 4 bytes per pixel B,G,R,X */
  const uint8_t *pixels;
} LedBitmap;

/* Receives the text of every message the library shows, on the calling thread. */
typedef void (*LedMessageHandler)(const char *text, void *context);

/* ---- Life cycle and switches ------------------------------------------------------------ */

/* Starts the library: empties the 16 program slots and zeroes the busy count. Returns 1. */
VELTRANE_API int32_t LED_Init(void);

/* Waits (looking every 10 ms, for at most 8000 ms) until no device call is in progress, pauses
   100 ms, then stops the library. Programs still held in slots are not freed: release them first.
   Returns 0, or -1 when the library was not started. */
VELTRANE_API int32_t LED_Cleanup(void);

/* 0 turns uploads off: LED_SendToScreen then still frees its slot but sends nothing and returns 0.
   Any other value turns them on (the initial state). Survives LED_Init and LED_Cleanup.
   Always returns 0. */
VELTRANE_API int32_t SetSenderEnable(int32_t enable);

/* Non-zero makes LED_GetPower first show its descriptor through the message handler.
   Survives LED_Init and LED_Cleanup. Returns flag. (Exported on Windows as _LED_SetDebugFlag@4.) */
VELTRANE_API int32_t LED_SetDebugFlag(int32_t flag);

/* Installs the receiver of every message text (the debug text of LED_GetPower, the area document
   messages); it runs on the calling thread before the call goes on. NULL restores the default,
   which writes the text and a newline to stderr. */
VELTRANE_API void LED_SetMessageHandler(LedMessageHandler handler, void *context);

/* ---- Device commands -------------------------------------------------------------------- */
/* Each opens the channel its descriptor names (devType 0: COM port locPort at the speed index;
   devType 1: a UDP socket bound to locPort on every local address, talking to RmtIP:rmtPort),
   sends one request up to three times, each try waiting for the screen's reply (power and clock
   1 s, queries and reset 1.5 s, brightness 3 s over UDP and 5 s over serial), closes the channel
   and returns. Only replies from RmtIP:rmtPort count over UDP. Results:
   1: the screen answered;  0: no acceptable reply in three tries;
   -1: devType is neither 0 nor 1, or the port or socket could not be opened (for instance held
   by another call). Values are sent unchanged. */

VELTRANE_API int32_t LED_SetPower(DevParam param, int32_t value);

/* Returns the screen's power value, or -1 on any failure (as for LED_GetBright, a screen value
   of -1 cannot be told from a failure). With the debug switch on, first hands the descriptor's
   text ("devType=..\r\nlocPort=..\r\nspeed=..\r\nrmtPort=..\r\nRmtIP=..") to the message
   handler. */
VELTRANE_API int32_t LED_GetPower(DevParam param);

VELTRANE_API int32_t LED_SetBright(DevParam param, int32_t value);

/* Returns the screen's brightness value, or -1 on any failure. */
VELTRANE_API int32_t LED_GetBright(DevParam param);

VELTRANE_API int32_t LED_Reset(DevParam param);

/* Sets the screen's clock to the host's local time. */
VELTRANE_API int32_t LED_AdjustTime(DevParam param);

/* ---- Platform settings ------------------------------------------------------------------ */

/* Maps COM port number `port` (1..255) to a device path such as "/dev/ttyUSB0"; NULL or ""
   restores the default "/dev/ttyS<port-1>". Returns 1, or 0 for a port number out of range.
   Serial ports are opened exclusively: a second call on a port that is in use returns -1. */
VELTRANE_API int32_t LED_SetComPortPath(int32_t port, const char *path);

#ifdef __cplusplus
}
#endif

#endif /* VELTRANE_VELTRANE_H */
