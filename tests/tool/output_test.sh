#!/bin/sh
# SPDX-License-Identifier: MIT
# Usage: output_test.sh VELTRANE VELTRANE_SCREEN EXAMPLES_DIR
# What the tools write, and where: a picture written over a file, a link, a device or a pipe
# never takes away what was there when the write fails, and results printed to a full or closed
# standard output fail the command (exit status 1, one sentence) instead of passing for given.
set -u
veltrane=$1
screen=$2
examples=$3
work=$(mktemp -d) || exit 1
reader=
trap '[ -n "$reader" ] && kill "$reader" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
hello=$examples/hello.json

fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# expect STATUS EXPECTED COMMAND...: runs COMMAND (with its redirections inside it, through sh -c)
# and expects exit status STATUS and, for a failure, one line on stderr matching EXPECTED.
expect() {
  want=$1 expected=$2
  shift 2
  sh -c "$*" 2>"$work/err"
  status=$?
  lines=$(wc -l <"$work/err")
  if [ "$status" -ne "$want" ]; then
    fail "$*: status $status (expected $want):" "$(cat "$work/err")"
  elif [ "$want" -ne 0 ] && { [ "$lines" -ne 1 ] || ! grep -Eq "$expected" "$work/err"; }; then
    fail "$*: $lines line(s) on stderr, expected one matching $expected:" "$(cat "$work/err")"
  fi
}

# is_png FILE: the file starts with PNG's signature.
is_png() { [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ]; }

# Results lost on a full or closed standard output.
lost="^veltrane: cannot write standard output"
expect 1 "$lost: no space left on device" "'$veltrane' inspect --summary '$hello' >/dev/full"
expect 1 "$lost" "'$veltrane' inspect '$hello' >/dev/full"
expect 1 "$lost" "'$veltrane' inspect --json '$hello' >/dev/full"
expect 1 "$lost: bad file descriptor" "'$veltrane' inspect --summary '$hello' >&-"
expect 1 "$lost" "'$veltrane' inspect --json '$hello' >&-"
expect 1 "$lost" "'$veltrane' --help >/dev/full"
expect 1 "^veltrane-screen: cannot write standard output" "'$screen' --help >/dev/full"
expect 0 "" "'$veltrane' inspect --summary '$hello' >/dev/null"

# A picture over a copy of /dev/full's node: the error, and the node stays.
if mknod "$work/full" c 1 7 2>/dev/null; then
  expect 2 "^veltrane: cannot write $work/full: no space left on device$" \
    "'$veltrane' preview '$hello' -o '$work/full'"
  expect 2 "^veltrane: cannot write $work/full: no space left on device$" \
    "cd '$work' && '$veltrane' demo -o '$work/full' >/dev/null"
  [ -c "$work/full" ] || fail "the copy of /dev/full's node is gone"
  rm -f "$work/full"
else
  echo "skipped: mknod is not allowed here"
fi

# A file that cannot grow enough keeps what it held, and nothing is left beside it.
printf 'old picture' >"$work/kept.png"
expect 2 "^veltrane: cannot write $work/kept.png: file too large$" \
  "trap '' XFSZ; ulimit -f 1; '$veltrane' preview '$hello' -o '$work/kept.png'"
[ "$(cat "$work/kept.png")" = "old picture" ] || fail "kept.png was changed by a failed write"
[ "$(ls -A "$work" | wc -l)" -eq 2 ] || fail "a failed write left files:" $(ls -A "$work")

# A link is followed: the file it leads to gets the picture, and the link stays.
printf 'old picture' >"$work/target.png"
ln -s target.png "$work/link.png"
expect 0 "" "'$veltrane' preview '$hello' -o '$work/link.png' >/dev/null"
[ "$(readlink "$work/link.png")" = target.png ] || fail "link.png is no longer the link"
is_png "$work/target.png" || fail "the link's target did not get the picture"

# A pipe and standard output are written in place.
mkfifo "$work/fifo"
cat "$work/fifo" >"$work/from_fifo" &
reader=$!
expect 0 "" "'$veltrane' preview '$hello' -o '$work/fifo' >/dev/null"
wait "$reader"
reader=
[ -p "$work/fifo" ] || fail "the pipe was replaced"
is_png "$work/from_fifo" || fail "the picture did not come through the pipe"
expect 0 "" "'$veltrane' preview '$hello' -o /dev/stdout | cat >'$work/piped'"
is_png "$work/piped" || fail "the picture did not come through standard output"

[ "$failures" -eq 0 ] && echo "every output was written or refused as it should be"
[ "$failures" -eq 0 ]
