#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fails when a C or C++ file the project owns differs from the project's .clang-format style, or
# when a source file does not name its licence (scripts/spdx.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends clang-format
fi
mapfile -t files < <(git ls-files '*.c' '*.cc' '*.cpp' '*.h' '*.hpp')
clang-format --dry-run --Werror "${files[@]}"
echo "format: ${#files[@]} files match .clang-format"
bash scripts/spdx.sh --check
