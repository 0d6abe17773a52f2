#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what the demo needs when it is missing, builds the library and its tools in build/demo,
# and runs the demo: a simulated screen in the process receives a demo program, and demo.png shows
# what it displays.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh library tools
cmake --preset demo >/dev/null
cmake --build --preset demo --target veltrane veltrane_cli veltrane-screen -j "$(nproc 2>/dev/null || echo 2)"
build/demo/tools/cli/veltrane demo "$@"
