#!/bin/sh
# SPDX-License-Identifier: MIT
# Usage: unbounded_input_test.sh VELTRANE EXAMPLES_DIR SANITIZED
# Runs the command on inputs that have no end or ask for far more memory than they are worth,
# each under a memory limit and a time limit, and checks that every one ends in a refusal: exit
# status 2, nothing on stdout, and one "veltrane: ..." line saying why. Sanitized builds reserve
# address space of their own, so there the sanitizer's allocation limit stands in for prlimit.
set -u
veltrane=$1
examples=$2
sanitized=$3
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
failures=0

memory_mb=100  # the command runs in 50 MB; one clock of the file below would take 177 MB
if [ "$sanitized" = 1 ]; then
  seconds=10
  limit_options="max_allocation_size_mb=$memory_mb:allocator_may_return_null=1"
  export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}$limit_options"
  export TSAN_OPTIONS="${TSAN_OPTIONS:+$TSAN_OPTIONS:}$limit_options"
  limited() { timeout "$seconds" "$veltrane" "$@"; }
else
  seconds=1
  limited() { timeout "$seconds" prlimit --as=$((memory_mb * 1000 * 1000)) "$veltrane" "$@"; }
fi

clock='{"kind": "clock", "rect": [0, 0, 2048, 2048]}'
echo "{\"pages\": [{\"areas\": [$clock, $clock, $clock]}]}" >"$work/three_clocks.json"
echo '{"pages": [{"areas": [{"kind": "image", "rect": [0, 0, 8, 8], "file": "/dev/zero"}]}]}' \
  >"$work/image_zero.json"
echo '{"pages": [{"areas": [{"kind": "string", "rect": [0, 0, 2147483647, 16], "text": "x"}]}]}' \
  >"$work/huge_rect.json"
echo '{"pages": [{"areas": [{"kind": "string", "rect": [0, 0, 65535, 65535], "text": "x"}]}]}' \
  >"$work/screen_sized.json"
echo '{"pages": [{"areas": [{"kind": "datetime", "rect": [0, 0, 8, 8], "format": 999}]}]}' \
  >"$work/format_999.json"
echo '{"pages": [], "pages": []}' >"$work/repeated.json"
head -c 3000000 /dev/zero >"$work/three_megabytes.bin"

# refuses INPUT EXPECTED ARGUMENTS...: runs the command with INPUT on standard input and expects a
# refusal whose one line matches the extended regular expression EXPECTED.
refuses() {
  input=$1 expected=$2
  shift 2
  limited "$@" <"$input" >"$work/out" 2>"$work/err"
  status=$?
  lines=$(wc -l <"$work/err")
  if [ "$status" -ne 2 ] || [ -s "$work/out" ] || [ "$lines" -ne 1 ] ||
    ! grep -Eq "^veltrane: .*$expected" "$work/err"; then
    echo "FAILED: veltrane $* <$input: status $status (expected 2), $lines line(s) on stderr:"
    cat "$work/err"
    echo "  expected one line matching: $expected"
    failures=$((failures + 1))
  fi
}

udp="--udp 127.0.0.1:9"  # never reached: every input below is refused before sending
device="/dev/zero is a device, not a regular file"
stdin_over="standard input has more than the 2097152 bytes a program may have"
clocks_over="pages\[0\]\.areas\[0\]: this takes the program to [0-9]+ bytes, past its limit of 2097152 bytes"
refuses /dev/null "$device" inspect /dev/zero
refuses /dev/null "$device" send /dev/zero $udp
refuses /dev/null "$device" preview /dev/zero -o "$work/zero.png"
refuses /dev/null "$work is a directory" inspect "$work"
refuses /dev/zero "$stdin_over" inspect -
refuses /dev/zero "$stdin_over" send - $udp
refuses /dev/zero "$stdin_over" preview - -o "$work/zero.png"
refuses /dev/null "has 3000000 bytes, more than the 2097152 bytes a program block may have" \
  inspect "$work/three_megabytes.bin"
refuses /dev/null "image_zero.json: pages\[0\]\.areas\[0\]: $device" inspect "$work/image_zero.json"
refuses /dev/null "three_clocks.json: $clocks_over" inspect "$work/three_clocks.json"
refuses /dev/null "three_clocks.json: $clocks_over" send "$work/three_clocks.json" $udp
refuses "$work/three_clocks.json" "standard input: $clocks_over" send - $udp
refuses /dev/null "pages\[0\]\.areas\[0\]\.rect\[2\]: expected 0\.\.65535, found 2147483647" \
  preview "$work/huge_rect.json" -o "$work/huge.png"
refuses /dev/null "the picture would be 16384 x 16384 pixels, more than the 16777216 a preview may have" \
  preview "$work/screen_sized.json" -o "$work/screen.png"
refuses /dev/null "pages\[0\]\.areas\[0\]\.format: expected 1\.\.10, found 999" \
  inspect "$work/format_999.json"
refuses /dev/null "repeated.json: pages: duplicate key" inspect "$work/repeated.json"
for picture in zero huge screen; do
  if [ -e "$work/$picture.png" ]; then
    echo "FAILED: a refused preview wrote $picture.png"
    failures=$((failures + 1))
  fi
done

# The limits leave room for what the command is for: the example read from standard input, its
# image found from the working folder.
if ! (cd "$examples" && limited inspect - <hello.json | grep -q '^@0 root: rootType 1'); then
  echo "FAILED: inspect - <hello.json under the same limits"
  failures=$((failures + 1))
fi
if ! (cd "$examples" && limited preview - -o "$work/hello.png" <hello.json >/dev/null) ||
  [ ! -s "$work/hello.png" ]; then
  echo "FAILED: preview - <hello.json under the same limits"
  failures=$((failures + 1))
fi

[ "$failures" -eq 0 ] && echo "every unbounded input was refused within ${seconds}s and ${memory_mb} MB"
[ "$failures" -eq 0 ]
