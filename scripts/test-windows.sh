#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds veltrane.dll for 32- and 64-bit Windows and runs their tests:
# the DLLs' export tables, imports and (32-bit) stack clean-up, and the 64-bit DLL's test program
# under wine64 against the Linux build's simulator, which is built here first when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="$(nproc 2>/dev/null || echo 2)"

bash scripts/install-deps.sh library tools tests windows

cmake --preset default
cmake --build --preset default -j "$jobs" --target veltrane-screen write_samples

for preset in windows-x86 windows-x64; do
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done
