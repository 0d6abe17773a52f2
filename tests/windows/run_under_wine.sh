#!/bin/sh
# SPDX-License-Identifier: MIT
# Usage: run_under_wine.sh DLL_TEST_EXE VELTRANE_SCREEN WRITE_SAMPLES
# Runs the Windows test program (next to veltrane.dll) under 64-bit Wine against veltrane-screen:
#  1. the Linux build's sample programs are sent to one simulator, which keeps them;
#  2. a fresh Wine prefix is made in a temporary folder, and COM5 in it is linked to the
#     pseudo-terminal of a second simulator that also serves UDP on loopback, COM6 to a file; a
#     third serves four screens on consecutive UDP ports, for a fleet;
#  3. the test program runs in that prefix; afterwards every Wine process of the prefix is ended
#     (wineserver -k), the simulators are stopped and the folder is removed.
set -u
test_program=$1
screen_program=$2
write_samples=$3

wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver64 || echo /usr/lib/wine/wineserver64)
[ -x "$wine" ] || { echo "wine64 not found"; exit 1; }

work=$(mktemp -d) || exit 1
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko installer prompts in the fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
screen_pids=
cleanup() {
  [ -d "$WINEPREFIX" ] && "$wineserver" -k 2>/dev/null
  for pid in $screen_pids; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() {
  echo "$1"
  for log in "$work"/*.log; do
    [ -s "$log" ] && { echo "--- $log:"; cat "$log"; }
  done
  exit 1
}

# Starts veltrane-screen with the given options, its output in $work/$name.out; waits until it
# says where it serves.
start_screen() {
  name=$1
  shift
  "$screen_program" --udp 127.0.0.1:0 "$@" >"$work/$name.out" 2>"$work/$name.log" &
  screen_pids="$screen_pids $!"
  for _ in $(seq 200); do
    grep -q '^udp ' "$work/$name.out" && return 0
    kill -0 "$!" 2>/dev/null || fail "veltrane-screen ($name) stopped before it served"
    sleep 0.05
  done
  fail "veltrane-screen ($name) did not say where it serves"
}
# The (first) UDP port a simulator serves.
udp_port() { sed -n 's/^udp 127\.0\.0\.1:\([0-9][0-9]*\)$/\1/p' "$work/$1.out" | head -n 1; }

mkdir -p "$work/linux" "$work/windows"
start_screen linux --save-programs "$work/linux"
"$write_samples" 127.0.0.1 "$(udp_port linux)" >"$work/write_samples.log" 2>&1 ||
  fail "the Linux build could not send its sample programs"

start_screen windows --pty --save-programs "$work/windows"
terminal=$(sed -n 's/^serial //p' "$work/windows.out")
[ -n "$terminal" ] || fail "veltrane-screen serves no pseudo-terminal"

mkdir -p "$work/fleet"
start_screen fleet --screens 4 --save-programs "$work/fleet"

started=$(date +%s)
"$wine" wineboot --init >"$work/wineboot.log" 2>&1 || fail "wineboot could not make the prefix"
"$wineserver" -w
ln -sf "$terminal" "$WINEPREFIX/dosdevices/com5"
# COM6 is a file a user keeps: no serial line.
echo "what the user keeps in this file" >"$work/not_a_port.txt"
ln -sf "$work/not_a_port.txt" "$WINEPREFIX/dosdevices/com6"

VELTRANE_SCREEN_UDP_PORT=$(udp_port windows) VELTRANE_SCREEN_COM_PORT=5 \
  VELTRANE_FILE_AS_COM_PORT=6 VELTRANE_FILE_AS_COM_PATH="Z:$work/not_a_port.txt" \
  VELTRANE_SAVED_PROGRAMS="Z:$work/windows" VELTRANE_LINUX_SAMPLES="Z:$work/linux" \
  VELTRANE_FLEET_UDP_PORT=$(udp_port fleet) VELTRANE_FLEET_PROGRAMS="Z:$work/fleet" \
  "$wine" "$test_program" --gtest_color=no
status=$?
echo "wine64 suite: exit status $status, $(($(date +%s) - started)) s including the prefix"
[ "$status" -eq 0 ] || fail "the Windows test program failed"
