#!/usr/bin/env bash
# Installs what is missing, builds the library and its tools, and runs the demo: a simulated
# screen in the process receives a demo program, and demo.png shows what it displays.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target veltrane veltrane_cli veltrane-screen -j "$(nproc 2>/dev/null || echo 2)"
build/default/tools/cli/veltrane demo "$@"
