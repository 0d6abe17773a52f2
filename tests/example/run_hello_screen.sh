#!/bin/sh
# SPDX-License-Identifier: MIT
# Usage: run_hello_screen.sh VELTRANE_SCREEN HELLO_SCREEN
# Starts a simulated screen on a port of the system's choosing, runs the C example against it,
# and checks that the example succeeded, that the screen took the whole upload, and that the
# brightness the example printed is the one the screen reported.
set -u
screen_program=$1
example_program=$2
work=$(mktemp -d) || exit 1
"$screen_program" --udp 127.0.0.1:0 --verbose >"$work/screen.out" 2>"$work/screen.log" &
screen_pid=$!
trap 'kill "$screen_pid" 2>/dev/null; wait "$screen_pid" 2>/dev/null; rm -rf "$work"' EXIT

fail() {
  echo "$1"
  echo "--- hello_screen said:"; cat "$work/example.out" 2>/dev/null
  echo "--- the screen logged:"; cat "$work/screen.log"
  exit 1
}

port=
for _ in $(seq 200); do
  port=$(sed -n 's/^udp 127\.0\.0\.1:\([0-9][0-9]*\)$/\1/p' "$work/screen.out")
  [ -n "$port" ] && break
  kill -0 "$screen_pid" 2>/dev/null || fail "veltrane-screen stopped before it served"
  sleep 0.05
done
[ -n "$port" ] || fail "veltrane-screen did not say where it serves"

"$example_program" 127.0.0.1 "$port" >"$work/example.out" 2>&1
status=$?
[ "$status" -eq 0 ] || fail "hello_screen exited with status $status"
grep -q '^built a program of two pages' "$work/example.out" || fail "no program built"
grep -q "^sent it to 127.0.0.1:$port\$" "$work/example.out" || fail "no upload reported"
brightness=$(sed -n 's/^brightness \(-\{0,1\}[0-9][0-9]*\)$/\1/p' "$work/example.out")
[ -n "$brightness" ] || fail "no brightness printed"
grep -q ' upload-end seq [0-9]* address 1 .*-> answered' "$work/screen.log" || fail "the upload did not end"
grep -q " get-bright address 1 .* -> answered $brightness\$" "$work/screen.log" ||
  fail "the screen did not report brightness $brightness"
cat "$work/example.out"
