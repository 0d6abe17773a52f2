#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the build into a scratch prefix, builds a C program against the installed tree twice
# (pkg-config on the command line, find_package in a CMake project) and runs both against the
# installed veltrane-screen on a free loopback UDP port.
# Usage: installed_tree_test.sh BUILD_DIR CONSUMER_SOURCE CONSUMER_CMAKE_PROJECT
set -euo pipefail
build=$1 source=$2 project=$3

work=$(mktemp -d)
screen_pid=
cleanup() {
  if [ -n "$screen_pid" ]; then kill "$screen_pid" 2>/dev/null && wait "$screen_pid" || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
pc_file=$(find "$prefix" -name veltrane.pc)
libdir=$(dirname "$(dirname "$pc_file")")
test -L "$libdir/libveltrane.so" || { echo "no libveltrane.so link in $libdir"; exit 1; }

"$prefix/bin/veltrane-screen" --udp 127.0.0.1:0 >"$work/screen.out" &
screen_pid=$!
for _ in $(seq 100); do
  grep -q '^udp ' "$work/screen.out" && break
  sleep 0.05
done
port=$(sed -n 's/^udp 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/screen.out")
test -n "$port" || { echo "veltrane-screen did not start"; exit 1; }

echo "== pkg-config"
export PKG_CONFIG_PATH=$(dirname "$pc_file")
# shellcheck disable=SC2046  # the flags are meant to split
cc -std=c99 -Wall -Wextra -Werror -o "$work/by-pkg-config" "$source" $(pkg-config --cflags --libs veltrane)
LD_LIBRARY_PATH=$(pkg-config --variable=libdir veltrane) "$work/by-pkg-config" 127.0.0.1 "$port"

echo "== find_package"
cmake -S "$project" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCONSUMER_SOURCE="$source" -DCMAKE_C_FLAGS="-Wall -Wextra -Werror" >/dev/null
cmake --build "$work/cmake-build" >/dev/null
"$work/cmake-build/consumer" 127.0.0.1 "$port"
