#!/usr/bin/env bash
# Installs what is missing, builds with the given preset (default: "default") and runs every test.
# The default preset also installs the Debian packages in a fresh Debian root (debootstrap; as root
# only, and slow the first time), and builds the libFuzzer targets with clang and runs each for a
# bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
jobs="$(nproc 2>/dev/null || echo 2)"

bash scripts/install-deps.sh all

cmake --preset "$preset"
cmake --build --preset "$preset" -j "$jobs"
ctest --preset "$preset" -j "$jobs"

if [ "$preset" = default ]; then
  ctest --preset fresh-root
  if command -v clang++ >/dev/null; then
    cmake --preset fuzz
    cmake --build --preset fuzz -j "$jobs"
    ctest --preset fuzz -j "$jobs"
  else
    echo "clang++ not found: the bounded fuzz runs are skipped"
  fi
fi
