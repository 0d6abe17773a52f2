#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds with the given preset (default: "default") and runs every test.
# The default preset also builds the libFuzzer targets with clang and runs each for a bounded time,
# and meanwhile installs the Debian packages in a fresh Debian root (debootstrap; as root only, and
# several minutes the first time).
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
jobs="$(nproc 2>/dev/null || echo 2)"

bash scripts/install-deps.sh all

cmake --preset "$preset"
cmake --build --preset "$preset" -j "$jobs"
ctest --preset "$preset" -j "$jobs"

if [ "$preset" = default ]; then
  # The fresh root mostly waits for the Debian mirror and the disk, so it runs beside the fuzz
  # build and runs; its report follows theirs.
  fresh_root_log=build/default/fresh-root.log
  ctest --preset fresh-root >"$fresh_root_log" 2>&1 &
  fresh_root=$!
  if command -v clang++ >/dev/null; then
    cmake --preset fuzz
    cmake --build --preset fuzz -j "$jobs"
    ctest --preset fuzz -j "$jobs"
  else
    echo "clang++ not found: the bounded fuzz runs are skipped"
  fi
  fresh_root_status=0
  wait "$fresh_root" || fresh_root_status=$?
  cat "$fresh_root_log"
  exit "$fresh_root_status"
fi
