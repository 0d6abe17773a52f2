/* SPDX-License-Identifier: MIT */
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

#if defined(_WIN32)
#include <windows.h>
/* Windows: every function is __stdcall (it removes its own arguments; x64 has one convention and
   ignores the word) and comes from veltrane.dll, whose .def file names the exports. */
#define VELTRANE_CALL __stdcall
#if defined(VELTRANE_BUILDING)
#define VELTRANE_API
#else
#define VELTRANE_API __declspec(dllimport)
#endif
#else
#define VELTRANE_CALL
#if defined(VELTRANE_BUILDING)
#define VELTRANE_API __attribute__((visibility("default")))
#else
#define VELTRANE_API
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* DevParam.devType: how the screen is reached. */
#define VELTRANE_DEV_SERIAL 0 /* a COM port (locPort) */
#define VELTRANE_DEV_UDP 1    /* UDP/IPv4 (RmtIP:rmtPort from local port locPort) */

/* DevParam.speed: the serial line's speed, by index. */
#define VELTRANE_SPEED_9600 0
#define VELTRANE_SPEED_19200 1
#define VELTRANE_SPEED_38400 2
#define VELTRANE_SPEED_57600 3
#define VELTRANE_SPEED_115200 4

/* The connection descriptor, passed by value to every device call. Exactly 40 bytes. */
typedef struct DevParam {
  int32_t devType;  /* VELTRANE_DEV_SERIAL or VELTRANE_DEV_UDP; any other value is refused (the
                       call returns -1) */
  int32_t speed;    /* serial: a VELTRANE_SPEED_* index; anything else is taken as
                       VELTRANE_SPEED_57600 */
  int32_t locPort;  /* serial: COM port number; UDP: local port to bind (low 16 bits) */
  int32_t rmtPort;  /* UDP: the screen's port (low 16 bits) */
  char RmtIP[16];   /* UDP: the screen's dotted IPv4 address, NUL-terminated within 16 bytes;
                       16 characters without a NUL are read as the first 16 only */
  int32_t devAddr;  /* low byte: the screen's address */
  int32_t reserved; /* read by nothing */
} DevParam;

/* A rectangle on the screen, passed by value, in pixels from the screen's top-left corner. The
   right and bottom lie just outside the area, as in a Windows RECT: {0, 0, 64, 16} is 64 pixels
   wide and 16 high, and a rectangle whose right equals its left is empty. */
typedef struct LedRect {
  int32_t left, top, right, bottom;
} LedRect;

/* LedBitmap.format */
#define VELTRANE_BITMAP_BGR 0  /* 3 bytes per pixel: blue, green, red */
#define VELTRANE_BITMAP_BGRX 1 /* 4 bytes per pixel: blue, green, red, unused */

/* The host's own drawing, handed to AddWindow. Pixels read outside width x height are black. */
typedef struct LedBitmap {
  int32_t width, height;
  int32_t stride; /* bytes from one row to the next; rows run top-down */
  int32_t format; /* VELTRANE_BITMAP_BGR or VELTRANE_BITMAP_BGRX */
  const uint8_t* pixels;
} LedBitmap;

/* Receives the text of every message the library shows, on the calling thread. */
typedef void(VELTRANE_CALL* LedMessageHandler)(const char* text, void* context);

/* ---- Version ------------------------------------------------------------------------------ */
/* The version of this header. The build reads its version from these three lines, so they are the
   only place it is written. LED_GetVersion tells which library a program actually runs on. */
#define VELTRANE_VERSION_MAJOR 0
#define VELTRANE_VERSION_MINOR 1
#define VELTRANE_VERSION_PATCH 0

#define VELTRANE_STRINGIFY_(x) #x
#define VELTRANE_STRINGIFY(x) VELTRANE_STRINGIFY_(x)
/* "MAJOR.MINOR.PATCH" */
#define VELTRANE_VERSION_STRING              \
  VELTRANE_STRINGIFY(VELTRANE_VERSION_MAJOR) \
  "." VELTRANE_STRINGIFY(VELTRANE_VERSION_MINOR) "." VELTRANE_STRINGIFY(VELTRANE_VERSION_PATCH)

/* Returns the running library's version as "MAJOR.MINOR.PATCH" (static text, never NULL). A
   Veltrane extension: may be called at any time, before LED_Init too. */
VELTRANE_API const char* VELTRANE_CALL LED_GetVersion(void);

/* ---- Life cycle and switches ------------------------------------------------------------ */

/* Starts the library: empties the 16 program slots and zeroes the busy count. Returns 1. On
   Windows it first starts Windows Sockets (version 1.1) and returns 0, doing nothing else, when
   WSAStartup fails. */
VELTRANE_API int32_t VELTRANE_CALL LED_Init(void);

/* Waits (looking every 10 ms, for at most 8000 ms) until no device call is in progress, pauses
   100 ms, then frees every program still held in a slot and stops the library. Returns 0, or -1
   when the library was not started; on Windows what WSACleanup returns (0, or -1). */
VELTRANE_API int32_t VELTRANE_CALL LED_Cleanup(void);

/* 0 turns uploads off: LED_SendToScreen then still frees its slot but sends nothing and returns 0.
   Any other value turns them on (the initial state). Survives LED_Init and LED_Cleanup.
   Always returns 0. */
VELTRANE_API int32_t VELTRANE_CALL SetSenderEnable(int32_t enable);

/* Non-zero makes LED_GetPower first show its descriptor through the message handler.
   Survives LED_Init and LED_Cleanup. Returns flag. (Exported on Windows as _LED_SetDebugFlag@4.) */
VELTRANE_API int32_t VELTRANE_CALL LED_SetDebugFlag(int32_t flag);

/* Installs the receiver of every message text (the debug text of LED_GetPower, the area document
   messages); it runs on the calling thread before the call goes on. NULL restores the default,
   which writes the text and a newline to stderr; on Windows it shows a message box (no owner
   window, an empty caption, an OK button) and waits until the user closes it. */
VELTRANE_API void VELTRANE_CALL LED_SetMessageHandler(LedMessageHandler handler, void* context);

/* ---- Programs ---------------------------------------------------------------------------- */
/* A program is built in one of 16 slots: MakeRoot claims a slot, AddLeaf adds a page, and the area
   calls add areas to the page added last. Builder calls run one at a time across all slots and may
   come from any thread. Values the screen interprets (rootType, pageParam, areaParam, paramA,
   paramB, ...) are stored unchanged; 16-bit record fields keep the low 16 bits. */

/* MakeRoot's colorMode: how pictures are packed. Any value other than 1 packs two bits. */
#define VELTRANE_COLOR_ONE_BIT 1  /* one bit per pixel: lit where red is above 96 */
#define VELTRANE_COLOR_TWO_BITS 2 /* two bits per pixel: green and red, each lit above 96 */

/* Claims the lowest free slot for a new program. colorMode: VELTRANE_COLOR_ONE_BIT or
   VELTRANE_COLOR_TWO_BITS. Returns the slot number 1..16, or 0 when every slot is taken or more
   than 16 device calls are running. */
VELTRANE_API int32_t VELTRANE_CALL MakeRoot(int32_t rootType, int32_t colorMode);

/* Adds a page to the program in `slot`; later areas go on this page. Returns 1, or 0 (nothing
   changed) for a slot outside 1..16, a free slot, a program that already has 65535 pages, or no
   memory. */
VELTRANE_API int32_t VELTRANE_CALL AddLeaf(int32_t slot, int32_t pageParam);

/* Discards the program in `slot` and frees the slot. Does nothing for a free slot or a number
   outside 1..16. */
VELTRANE_API void VELTRANE_CALL LED_ReleaseMem(int32_t slot);

/* Sends the program in `slot` to the screen: a start packet, one acknowledged packet per 512 bytes,
   an end packet, each tried three times with a 1000 ms window. Returns 1 when the screen
   acknowledged the whole upload, else 0. A slot outside 1..16, a free slot, or a program over
   2 MiB (0x200000 bytes) is refused and left in its slot; in every other case the program leaves
   its slot (the slot is free at once, also when sending is disabled, the descriptor is unusable or
   the screen did not acknowledge). */
VELTRANE_API int32_t VELTRANE_CALL LED_SendToScreen(DevParam param, int32_t slot);

/* Adds a string area: the text itself, for the screen to render in its own font. `text` is
   zero-terminated 8-bit text; only its first 2047 bytes are kept. Returns 1, or 0 (nothing
   changed) for a null text, a slot outside 1..16, a slot without a page, a page that already has
   65535 areas, or no memory. */
VELTRANE_API int32_t VELTRANE_CALL AddString(int32_t slot, LedRect area, int32_t areaParam,
                                             const char* text, int32_t stringParamA,
                                             int32_t stringParamB, int32_t paramA, int32_t paramB);

/* Adds an area that the screen fills with the date, time or weekday from its own clock. The glyphs
   the type needs are drawn here in the named font (faceName: host text, at most 255 bytes used;
   characters the face lacks come from another installed face) at pointSize points, in textColor.
   dateTimeType: one of the VELTRANE_DATETIME_* kinds below; any other value adds an area without
   glyphs. Returns 1, or 0 (nothing changed) for a null face name, a slot outside 1..16, a slot
   without a page, no usable font, or a glyph too large to pack. */
#define VELTRANE_DATETIME_DATE 1         /* year-month-day with CJK words */
#define VELTRANE_DATETIME_TIME 2         /* hour:minute */
#define VELTRANE_DATETIME_TIME_SECONDS 3 /* hour:minute:second */
#define VELTRANE_DATETIME_YEAR 4
#define VELTRANE_DATETIME_MONTH 5
#define VELTRANE_DATETIME_DAY 6
#define VELTRANE_DATETIME_HOUR 7
#define VELTRANE_DATETIME_MINUTE 8
#define VELTRANE_DATETIME_SECOND 9
#define VELTRANE_DATETIME_WEEKDAY 10 /* the weekday's CJK name */
VELTRANE_API int32_t VELTRANE_CALL AddDateTime(int32_t slot, LedRect area, const char* faceName,
                                               int32_t pointSize, uint32_t textColor,
                                               int32_t dateTimeType, int32_t areaParam);

/* Adds an analog clock that the screen runs from its own time. Every picture is square, its side
   the smaller of the area's width and height; the face, 48 hour-hand, 60 minute-hand and 60
   second-hand positions are drawn here in the colours given (0x00BBGGRR). Returns 1, or 0 (nothing
   changed) for a slot outside 1..16, a slot without a page, an area whose right or bottom lies
   before its left or top, or a side too large to pack (over 2880 pixels at one bit per pixel,
   over 2048 at two). */
VELTRANE_API int32_t VELTRANE_CALL AddClock(int32_t slot, LedRect area, int32_t areaParam,
                                            uint32_t hourColor, uint32_t minuteColor,
                                            uint32_t secondColor, uint32_t markColor,
                                            uint32_t ringColor, uint32_t faceColor);

/* Adds a window area: the width x height pixels at the top-left of the host's picture `source`
   (pixels beyond the picture's own size are black), packed one or two bits per pixel as the
   program's colorMode says. A pixel is lit where its red (one bit) or its green and red (two bits)
   are above 96. Note that areaParam comes last here. Returns 1, or 0 (nothing changed) for a null
   or malformed source (unknown format, negative size, null pixels or rows shorter than the width),
   a width or height below 0 or above 65535, a picture whose packed form would pass 1 MiB, a slot
   outside 1..16, a slot without a page, a page that already has 65535 areas, or no memory. */
#if defined(_WIN32)
/* On Windows the picture is the bitmap selected into the host's device context `sourceDC`, read
   with GetDIBits and left as it was; a null or unreadable context is refused like a null source. */
VELTRANE_API int32_t VELTRANE_CALL AddWindow(int32_t slot, HDC sourceDC, int32_t width,
                                             int32_t height, LedRect area, int32_t paramA,
                                             int32_t paramB, int32_t areaParam);
#else
VELTRANE_API int32_t VELTRANE_CALL AddWindow(int32_t slot, const LedBitmap* source, int32_t width,
                                             int32_t height, LedRect area, int32_t paramA,
                                             int32_t paramB, int32_t areaParam);
#endif

/* Adds a text area: `text` (zero-terminated, in the code page set by LED_SetTextEncoding; only
   its first 2047 bytes are kept) drawn as one line, line breaks included as characters, in the
   installed face that best matches `faceName` (zero-terminated, same code page; the first 255
   bytes are read) at pointSize points and 96 pixels per inch, in textColor (0x00BBGGRR) on black.
   The picture is exactly as wide as the characters' advances and as high as the face's line.
   Characters the face lacks (CJK in a Latin face, say) come from a face that has them; a name
   that is not installed gets fontconfig's substitute, in the end the default sans-serif family.
   Returns 1, or 0 (nothing changed) for a null text or face name, no usable face, a picture of
   65536 pixels or more on a side or whose packed form would pass 1 MiB, a slot outside 1..16, a
   slot without a page, a page that already has 65535 areas, or no memory.
   On Windows GDI draws the text: the face as named (Windows substitutes for a missing one), in
   the character set that has the text's characters (the ANSI code page's, else a far-eastern one,
   GB2312 first), at the display's pixels per inch, exactly as large as GetTextExtentPoint32
   measures it. */
VELTRANE_API int32_t VELTRANE_CALL AddText(int32_t slot, LedRect area, int32_t areaParam,
                                           const char* text, const char* faceName,
                                           int32_t pointSize, uint32_t textColor, int32_t paramA,
                                           int32_t paramB);

/* ---- Platform services --------------------------------------------------------------------- */

/* Sets the 8-bit code page of the texts and face names given to AddText: an iconv name such as
   "UTF-8", "GBK" or "CP1252". NULL restores the default: the C library locale's codeset, or
   UTF-8 where that is plain ASCII. Bytes that do not decode are drawn as U+FFFD. Returns 1, or 0
   (the setting unchanged) for a name iconv does not know. On Windows the names are those of
   Windows code pages ("CP936", "GBK", "windows-1252", "Shift_JIS", "UTF-8", ...), the default is
   the ANSI code page, and 0 means the system has no such code page. */
VELTRANE_API int32_t VELTRANE_CALL LED_SetTextEncoding(const char* charset);

/* ---- Device commands -------------------------------------------------------------------- */
/* Each opens the channel its descriptor names (VELTRANE_DEV_SERIAL: COM port locPort at the speed
   index; VELTRANE_DEV_UDP: a UDP socket bound to locPort on every local address, talking to
   RmtIP:rmtPort),
   sends one request up to three times, each try waiting for the screen's reply (power and clock
   1 s, queries and reset 1.5 s, brightness 3 s over UDP and 5 s over serial), closes the channel
   and returns. Only replies from RmtIP:rmtPort count over UDP. Results:
   1: the screen answered;  0: no acceptable reply in three tries;
   -1: devType is neither VELTRANE_DEV_SERIAL nor VELTRANE_DEV_UDP, or the port or socket could
   not be opened (for instance held by another call). Values are sent unchanged. */

/* Switches the screen: value 1 on, 0 off (what the fixed-target entry points send). Any other
   value is sent as it is, for the screen to read as it does. Returns 1, 0 or -1 as above. */
VELTRANE_API int32_t VELTRANE_CALL LED_SetPower(DevParam param, int32_t value);

/* Returns the screen's power value, or -1 on any failure (as for LED_GetBright, a screen value
   of -1 cannot be told from a failure). With the debug switch on, first hands the descriptor's
   text ("devType=..\r\nlocPort=..\r\nspeed=..\r\nrmtPort=..\r\nRmtIP=..") to the message
   handler. */
VELTRANE_API int32_t VELTRANE_CALL LED_GetPower(DevParam param);

/* Sets the screen's brightness. The levels are the screen's own; screens usually take 16, from 0
   (darkest) to 15 (brightest). The value is sent as it is, nothing clamped. Returns 1, 0 or -1
   as above; a silent screen takes three windows of 5 s over serial, 3 s over UDP. */
VELTRANE_API int32_t VELTRANE_CALL LED_SetBright(DevParam param, int32_t value);

/* Returns the screen's brightness value, or -1 on any failure. */
VELTRANE_API int32_t VELTRANE_CALL LED_GetBright(DevParam param);

/* Asks the screen to reset itself; what a reset does is the screen's own. Returns 1, 0 or -1 as
   above: 1 means the screen acknowledged the request. */
VELTRANE_API int32_t VELTRANE_CALL LED_Reset(DevParam param);

/* Sets the screen's clock to the host's local time. Returns 1, 0 or -1 as above. */
VELTRANE_API int32_t VELTRANE_CALL LED_AdjustTime(DevParam param);

#if !defined(_WIN32)
/* ---- Platform settings ------------------------------------------------------------------ */

/* Maps COM port number `port` (1..255) to a device path such as "/dev/ttyUSB0"; NULL or ""
   restores the default "/dev/ttyS<port-1>". Returns 1, or 0 for a port number out of range.
   Serial ports are opened exclusively: a second call on a port that is in use returns -1. */
VELTRANE_API int32_t VELTRANE_CALL LED_SetComPortPath(int32_t port, const char* path);
#endif

/* ---- Fixed-target entry points ------------------------------------------------------------ */
/* A screen at UDP port 6666 of the address `ip` (dotted IPv4 text, at most 15 characters), with
   screen address 255, reached from local port `locPort` (low 16 bits). The unnamed arguments are
   ignored. (Exported on Windows as _XR_LED_PowerOn@20 and so on.)
   Results: 0 the screen answered; 1 it did not: no reply within the command's tries, or nothing
   could be sent (a null or over-long address text, or a local port that cannot be bound). */
VELTRANE_API int32_t VELTRANE_CALL XR_LED_PowerOn(const char* ip, int32_t locPort, int32_t, int32_t,
                                                  int32_t);
VELTRANE_API int32_t VELTRANE_CALL XR_LED_PowerOff(const char* ip, int32_t locPort, int32_t,
                                                   int32_t, int32_t);
/* Sets the screen's clock from the host's local time. */
VELTRANE_API int32_t VELTRANE_CALL XR_LED_ResiveTime(const char* ip, int32_t locPort, int32_t,
                                                     int32_t, int32_t);
/* Shows the fields of an area document through the message handler, one message per field, in a
   fixed order; a NULL document shows none. Sends nothing and touches no program slot. Returns 1. */
VELTRANE_API int32_t VELTRANE_CALL XR_LED_SendData(const char* ip, int32_t locPort, int32_t,
                                                   int32_t, const char* document, int32_t);

/* ---- Fleets --------------------------------------------------------------------------------- */
/* Veltrane extensions: one program or command to many screens in one call, several screens at
   once, with one result per screen. A fleet is a list of descriptors, opened once and run as
   often as needed. UDP screens are driven from the calling thread, many to a socket (a screen
   whose descriptor names a local port keeps a socket of its own, bound to it); each serial line
   has a thread of its own. Screens on one COM port, or at one address and port, take turns;
   each is told its own devAddr. Every packet is tried and waited for as the single-screen calls
   do, unless the options ask for other tries or windows. A run counts as one device call for
   the busy count (LED_Cleanup waits for it, MakeRoot counts it once).

   Every fleet call returns its failure value (0 or -1, with the last error set to
   VELTRANE_ERROR_BAD_ARGUMENT) for a null pointer, a fleet number that is not open or an
   argument out of range. */

/* Most screens in one fleet, and most fleets open at once. */
#define VELTRANE_FLEET_MAX_SCREENS 4096
#define VELTRANE_FLEET_MAX_OPEN 256

/* One screen's result of a run, in the order of the fleet's descriptors. */
typedef struct LedFleetResult {
  int32_t error;         /* VELTRANE_ERROR_NONE when the screen did what was asked; else
                            NO_ANSWER (no acceptable reply within the tries), REFUSED (it
                            answered an upload packet with a refusal), BAD_ARGUMENT (its
                            descriptor names no transport, or sending is switched off),
                            BUSY / PERMISSION / NO_DEVICE / SYSTEM (its port or socket did not
                            open; NO_DEVICE also for a path that is no serial line), CANCELLED
                            (the run was cancelled before it was done; it did not take the
                            program), NO_MEMORY or INTERNAL */
  int32_t value;         /* a query's value when error is VELTRANE_ERROR_NONE, else -1 */
  uint32_t packetsDone;  /* packets the screen acknowledged: an upload's start, data and end
                            packets, or 1 for an answered command */
  uint32_t packetsTotal; /* packets in all: N + 2 for an upload of N pieces, 1 for a command */
  uint32_t bytesDone;    /* program bytes the acknowledged upload packets carried */
  uint32_t milliseconds; /* from the screen's turn starting to its end; 0 for one never tried */
} LedFleetResult;

/* Told, on the calling thread, that `packetsDone` of `packetsTotal` packets of screen `screen`
   (its index in the fleet, from 0) are acknowledged: a few times a second at most while a screen
   is in progress, and once when it ends. It may call LED_FleetCancel; another run on the same
   fleet is refused (BUSY) while this one is in progress. */
typedef void(VELTRANE_CALL* LedFleetProgress)(int32_t screen, uint32_t packetsDone,
                                              uint32_t packetsTotal, void* context);

/* How a run goes about it. A NULL options pointer means every field 0. */
typedef struct LedFleetOptions {
  int32_t jobs;     /* screens in progress at once, at most, 1..VELTRANE_FLEET_MAX_SCREENS;
                       0: as many as useful (512 per CPU, at most 1024) */
  int32_t tries;    /* sends of each packet, 1..10; 0: three, as the single-screen calls */
  int32_t windowMs; /* each try's receive window in ms, 1..60000; 0: each command's own (the
                       single-screen calls' windows; 1000 for an upload packet) */
  LedFleetProgress progress; /* NULL: none */
  void* context;             /* handed to progress unchanged */
} LedFleetOptions;

/* The commands of LED_FleetCommand, each the single-screen call of the same name. */
#define VELTRANE_FLEET_SET_POWER 1   /* LED_SetPower with `value` */
#define VELTRANE_FLEET_GET_POWER 2   /* LED_GetPower: each result's value */
#define VELTRANE_FLEET_SET_BRIGHT 3  /* LED_SetBright with `value` */
#define VELTRANE_FLEET_GET_BRIGHT 4  /* LED_GetBright: each result's value */
#define VELTRANE_FLEET_RESET 5       /* LED_Reset */
#define VELTRANE_FLEET_ADJUST_TIME 6 /* LED_AdjustTime: each screen the host's time at its turn */

/* Opens a fleet of the `count` descriptors at `screens` (1..VELTRANE_FLEET_MAX_SCREENS; they are
   copied, and a COM port is looked up at each run). Returns its number (1 or more), or 0: a null
   pointer, a count out of range or VELTRANE_FLEET_MAX_OPEN fleets already open
   (BAD_ARGUMENT). A fleet stays open across LED_Cleanup and LED_Init until LED_FleetClose. */
VELTRANE_API int32_t VELTRANE_CALL LED_FleetOpen(const DevParam* screens, int32_t count);

/* Closes the fleet. Returns 1, or 0 for a number that is not open (BAD_ARGUMENT) or a fleet with
   a run in progress (BUSY; nothing changes). */
VELTRANE_API int32_t VELTRANE_CALL LED_FleetClose(int32_t fleet);

/* Sends the program in `slot` to every screen of the fleet, as LED_SendToScreen would to each,
   writing one result per screen to `results` (room for the fleet's count). Returns the number
   of screens that took the whole program (0..count), or -1 when nothing was sent: a null
   `results`, options out of range or a fleet that is not open (BAD_ARGUMENT), a run already in
   progress on it (BUSY), or a slot outside 1..16, a free slot or a program over 2 MiB
   (BAD_ARGUMENT); the program then stays in its slot. In every other case the program leaves
   its slot. With sending switched off (SetSenderEnable) nothing is sent, every result is
   BAD_ARGUMENT and the call returns 0. When some screen did not succeed, the last error is the
   first such screen's (naming its RmtIP when that is no IPv4 address, as the single-screen calls
   do). */
VELTRANE_API int32_t VELTRANE_CALL LED_FleetSend(int32_t fleet, int32_t slot,
                                                 const LedFleetOptions* options,
                                                 LedFleetResult* results);

/* Runs a VELTRANE_FLEET_* command at every screen of the fleet, writing one result per screen to
   `results`. `value` is sent by SET_POWER and SET_BRIGHT and ignored by the others. Returns the
   number of screens that answered (0..count), or -1 when nothing was sent: an unknown command,
   a null `results`, options out of range or a fleet that is not open (BAD_ARGUMENT), or a run
   already in progress on it (BUSY). When some screen did not succeed, the last error is the
   first such screen's, as for LED_FleetSend. */
VELTRANE_API int32_t VELTRANE_CALL LED_FleetCommand(int32_t fleet, int32_t command, int32_t value,
                                                    const LedFleetOptions* options,
                                                    LedFleetResult* results);

/* From any thread: stops the run in progress on the fleet. No screen begins after it; a screen
   in progress stops at once unless the last packet of its turn (a command's request, an upload's
   end packet) has gone out, which is seen through to its answer or its last try: so a screen
   that may have taken the program is never reported CANCELLED. The run then returns as usual.
   Returns 1 when a run was in progress, 0 when none was (the last error cleared) or the number
   is not open (BAD_ARGUMENT). */
VELTRANE_API int32_t VELTRANE_CALL LED_FleetCancel(int32_t fleet);

/* ---- Last error ---------------------------------------------------------------------------- */
/* Veltrane extensions. Every export records why it failed, per thread, and clears the record when
   it succeeds; reading the record changes no result. A screen that answered an upload packet
   with a refusal is VELTRANE_ERROR_REFUSED, not VELTRANE_ERROR_NO_ANSWER. The codes: */
#define VELTRANE_ERROR_NONE 0       /* the thread's last call succeeded */
#define VELTRANE_ERROR_INTERNAL 1   /* an unexpected fault inside the library */
#define VELTRANE_ERROR_REFUSED 2    /* the screen answered, refusing what was sent */
#define VELTRANE_ERROR_BUSY 3       /* the port is held by another call or process */
#define VELTRANE_ERROR_PERMISSION 4 /* the system denied access to the device or port */
#define VELTRANE_ERROR_NO_DEVICE 5  /* no such device */
#define VELTRANE_ERROR_SYSTEM 6     /* the system refused for another reason */
#define VELTRANE_ERROR_NO_ANSWER 7  /* the screen gave no acceptable reply within the tries */
#define VELTRANE_ERROR_BAD_REPLY 8  /* the screen's reply was damaged or not the one asked for */
#define VELTRANE_ERROR_NO_MEMORY 9  /* the library ran out of memory */
#define VELTRANE_ERROR_BUILD                                            \
  10 /* a program or area could not be built as asked: no free slot, no \
        installed font, a picture or program too large */
#define VELTRANE_ERROR_BAD_ARGUMENT                                                               \
  11                                /* an argument, descriptor or state the call does not accept: \
                                       a slot number or slot without a program, a null text, an   \
                                       inverted area, an unknown encoding, sending off */
#define VELTRANE_ERROR_CANCELLED 12 /* a fleet run was cancelled before this screen was done */

/* The code of this thread's last failed call, or VELTRANE_ERROR_NONE after a success. */
VELTRANE_API int32_t VELTRANE_CALL LED_GetLastError(void);
/* A short English text saying why this thread's last call failed; "" after a success. Never NULL;
   valid until this thread's next call into the library. */
VELTRANE_API const char* VELTRANE_CALL LED_GetLastErrorText(void);

#ifdef __cplusplus
}
#endif

#endif /* VELTRANE_VELTRANE_H */
