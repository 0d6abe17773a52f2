/* SPDX-License-Identifier: MIT */
/* A C host driving a fleet of 64 simulated screens through the fleet exports: a program sent to
   all of them, sixteen at once, with progress, and cancelled from another thread half-way. The
   simulator (argv[1]) logs every request; afterwards every screen that acknowledged the
   program's end packet must be one the results call sent, and every other one cancelled. */
#define _POSIX_C_SOURCE 200809L

#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include "veltrane/veltrane.h"

#define SCREENS 64
#define JOBS 16

static int failures = 0;

#define EXPECT(condition)                                                     \
  do {                                                                        \
    if (!(condition)) {                                                       \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
      ++failures;                                                             \
    }                                                                         \
  } while (0)

/* What the progress callback saw, shared with the cancelling thread. */
static pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t halfway = PTHREAD_COND_INITIALIZER;
static uint32_t done_of[SCREENS];
static uint32_t total_of[SCREENS];
static int screens_done = 0;
static int calls = 0;
static int fleet = 0;

static void VELTRANE_CALL on_progress(int32_t screen, uint32_t done, uint32_t total,
                                      void* context) {
  (void)context;
  pthread_mutex_lock(&mutex);
  ++calls;
  if (screen >= 0 && screen < SCREENS) {
    if (done == total && done_of[screen] != total) ++screens_done;
    done_of[screen] = done;
    total_of[screen] = total;
  }
  if (screens_done >= SCREENS / 2) pthread_cond_signal(&halfway);
  pthread_mutex_unlock(&mutex);
}

static void* cancel_halfway(void* unused) {
  (void)unused;
  pthread_mutex_lock(&mutex);
  while (screens_done < SCREENS / 2) pthread_cond_wait(&halfway, &mutex);
  pthread_mutex_unlock(&mutex);
  EXPECT(LED_FleetCancel(fleet) == 1);
  return NULL;
}

/* Starts the simulator with its stdout on a pipe and its log in `log_path`. */
static pid_t start_screens(const char* program, const char* log_path, FILE** out) {
  int fds[2];
  pid_t pid;
  if (pipe(fds) != 0) return -1;
  pid = fork();
  if (pid == 0) {
    FILE* log = freopen(log_path, "w", stderr);
    (void)log;
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    execl(program, program, "--udp", "127.0.0.1:0", "--screens", "64", "--delay", "2", "-v",
          (char*)NULL);
    _exit(127);
  }
  close(fds[1]);
  *out = fdopen(fds[0], "r");
  return pid;
}

/* A program of string areas, about 20 KiB: some forty packets for every screen. */
static int32_t build_program(void) {
  static char text[2048];
  LedRect area = {0, 0, 64, 16};
  int32_t slot = MakeRoot(1, 1);
  int i;
  memset(text, 'x', sizeof text - 1);
  EXPECT(slot > 0);
  EXPECT(AddLeaf(slot, 1) == 1);
  for (i = 0; i < 10; ++i) EXPECT(AddString(slot, area, 1, text, 0, 0, 0, 0) == 1);
  return slot;
}

int main(int argc, char** argv) {
  char log_path[] = "/tmp/veltrane_fleet_c_test_XXXXXX";
  DevParam screens[SCREENS];
  LedFleetResult results[SCREENS];
  LedFleetOptions options;
  FILE* out = NULL;
  FILE* log;
  char line[256];
  int took[SCREENS];
  int i, sent, cancelled = 0, ok = 0;
  pid_t pid;
  pthread_t canceller;
  int log_fd = mkstemp(log_path);

  if (argc < 2 || log_fd < 0) return 2;
  close(log_fd);
  pid = start_screens(argv[1], log_path, &out);
  if (pid <= 0 || out == NULL) return 2;
  memset(screens, 0, sizeof screens);
  for (i = 0; i < SCREENS; ++i) {
    unsigned port = 0;
    if (fgets(line, sizeof line, out) == NULL || sscanf(line, "udp 127.0.0.1:%u", &port) != 1) {
      fprintf(stderr, "the simulator did not say where screen %d is\n", i);
      kill(pid, SIGTERM);
      return 2;
    }
    screens[i].devType = 1;
    screens[i].rmtPort = (int32_t)port;
    strcpy(screens[i].RmtIP, "127.0.0.1");
    screens[i].devAddr = 1;
  }

  EXPECT(LED_Init() == 1);
  /* Arguments a fleet does not take. */
  EXPECT(LED_FleetOpen(NULL, 1) == 0);
  EXPECT(LED_GetLastError() == VELTRANE_ERROR_BAD_ARGUMENT);
  EXPECT(LED_FleetOpen(screens, 0) == 0);
  EXPECT(LED_FleetCancel(12345) == 0);
  EXPECT(LED_GetLastError() == VELTRANE_ERROR_BAD_ARGUMENT);
  fleet = LED_FleetOpen(screens, SCREENS);
  EXPECT(fleet > 0);
  memset(&options, 0, sizeof options);
  options.tries = 11;
  EXPECT(LED_FleetCommand(fleet, VELTRANE_FLEET_RESET, 0, &options, results) == -1);
  EXPECT(LED_GetLastError() == VELTRANE_ERROR_BAD_ARGUMENT);
  EXPECT(LED_FleetCommand(fleet, 99, 0, NULL, results) == -1);
  EXPECT(LED_FleetSend(fleet, 0, NULL, results) == -1);
  EXPECT(LED_GetLastError() == VELTRANE_ERROR_BAD_ARGUMENT);

  /* Every screen answers a command. */
  EXPECT(LED_FleetCommand(fleet, VELTRANE_FLEET_SET_BRIGHT, 7, NULL, results) == SCREENS);
  EXPECT(LED_FleetCommand(fleet, VELTRANE_FLEET_GET_BRIGHT, 0, NULL, results) == SCREENS);
  EXPECT(results[SCREENS - 1].error == VELTRANE_ERROR_NONE && results[SCREENS - 1].value == 7);

  /* The upload, cancelled half-way from another thread. */
  options.tries = 0;
  options.jobs = JOBS;
  options.progress = on_progress;
  EXPECT(pthread_create(&canceller, NULL, cancel_halfway, NULL) == 0);
  sent = LED_FleetSend(fleet, build_program(), &options, results);
  pthread_join(canceller, NULL);
  for (i = 0; i < SCREENS; ++i) {
    EXPECT(results[i].error == VELTRANE_ERROR_NONE || results[i].error == VELTRANE_ERROR_CANCELLED);
    if (results[i].error == VELTRANE_ERROR_NONE) {
      ++ok;
      EXPECT(results[i].packetsDone == results[i].packetsTotal && results[i].packetsTotal > 40);
    } else {
      ++cancelled;
      EXPECT(results[i].packetsDone < results[i].packetsTotal || results[i].packetsTotal == 0);
    }
    /* The last progress call said where the screen ended. */
    EXPECT(done_of[i] == results[i].packetsDone);
  }
  EXPECT(sent == ok);
  EXPECT(ok >= SCREENS / 2);
  EXPECT(cancelled >= SCREENS / 4);
  EXPECT(calls >= SCREENS);
  EXPECT(LED_GetLastError() == VELTRANE_ERROR_CANCELLED);
  EXPECT(LED_FleetClose(fleet) == 1);
  EXPECT(LED_FleetClose(fleet) == 0);
  EXPECT(LED_Cleanup() == 0);

  /* The simulator's own word on which screens took the program. */
  kill(pid, SIGTERM);
  waitpid(pid, NULL, 0);
  memset(took, 0, sizeof took);
  log = fopen(log_path, "r");
  EXPECT(log != NULL);
  while (log != NULL && fgets(line, sizeof line, log) != NULL) {
    int screen = -1;
    if (sscanf(line, "screen %d ", &screen) == 1 && screen >= 0 && screen < SCREENS &&
        strstr(line, " upload-end ") != NULL && strstr(line, "-> answered") != NULL)
      took[screen] = 1;
  }
  if (log != NULL) fclose(log);
  remove(log_path);
  for (i = 0; i < SCREENS; ++i) {
    if (took[i] != (results[i].error == VELTRANE_ERROR_NONE))
      fprintf(stderr, "screen %d: took the program %d, result %d\n", i, took[i], results[i].error);
    EXPECT(took[i] == (results[i].error == VELTRANE_ERROR_NONE));
  }
  if (failures == 0) printf("fleet of %d: %d sent, %d cancelled\n", SCREENS, ok, cancelled);
  return failures == 0 ? 0 : 1;
}
