#!/usr/bin/env bash
# Installs what is missing, builds the library and lists what it exports.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target veltrane -j "$(nproc 2>/dev/null || echo 2)"
library="$(ls build/default/src/libveltrane.so.* | head -n 1)"
echo "built $library, exporting:"
nm -D --defined-only "$library" | awk '{print "  " $3}' | sed 's/@.*//' | sort
