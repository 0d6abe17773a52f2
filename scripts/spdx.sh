#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every source file the project owns names its licence in its first comment:
#   spdx.sh [--check]  lists the source files whose first lines lack the licence line; fails if any
#   spdx.sh --add      puts the line at the top of each of them (after a #! line); safe to rerun
# Source files are those git tracks in C, C++, JavaScript, CSS, Python, Lua, CMake and shell, found by
# name, or by a #! line naming a shell or Python.
set -euo pipefail
cd "$(dirname "$0")/.."
readonly identifier="SPDX-License-Identifier: MIT"
readonly lines_searched=3 # the licence line, or the #! line and then the licence line

mode=${1:---check}
case $mode in
  --check | --add) ;;
  *)
    echo "usage: spdx.sh [--check | --add]" >&2
    exit 2
    ;;
esac

# Sets `start` to the comment that opens a line in FILE's language; empty for a file that is not
# source. (No subshell and no other program: the check runs over every file of the tree.)
comment_start() {
  local file=$1 name=${1##*/} first=""
  IFS= read -r first <"$file" || true
  start=""
  case $name in
    *.c | *.h)
      # C headers and programs that open with a block comment keep to block comments (C89 readers).
      if [[ $first == "/*"* ]]; then start="/*"; else start="//"; fi ;;
    *.cc | *.cpp | *.hpp | *.js | *.mjs) start="//" ;;
    *.css) start="/*" ;;
    *.lua) start="--" ;;
    *.py | *.sh | *.bash | *.cmake | *.cmake.in | CMakeLists.txt) start="#" ;;
    *.*) ;;
    *) [[ $first =~ ^#!.*(sh|bash|python3?)( |$) ]] && start="#" ;;
  esac
  return 0
}

has_identifier() {
  local line count=0
  while ((count < lines_searched)) && IFS= read -r line; do
    [[ $line == *"$identifier"* ]] && return 0
    count=$((count + 1))
  done <"$1"
  return 1
}

add_identifier() {
  local file=$1 start=$2 line
  if [ "$start" = "/*" ]; then line="/* $identifier */"; else line="$start $identifier"; fi
  if head -n 1 "$file" | grep -q '^#!'; then
    sed -i "1a\\$line" "$file"
  else
    sed -i "1i\\$line" "$file"
  fi
}

lacking=()
while IFS= read -r file; do
  [ -f "$file" ] || continue
  comment_start "$file"
  [ -n "$start" ] || continue
  has_identifier "$file" && continue
  if [ "$mode" = --add ]; then
    add_identifier "$file" "$start"
    echo "added: $file"
  else
    lacking+=("$file")
  fi
done < <(git ls-files --cached --others --exclude-standard ':!:fuzz/corpus/')

if ((${#lacking[@]} > 0)); then
  printf '%s\n' "${lacking[@]}"
  echo "spdx: ${#lacking[@]} source files lack \"$identifier\" in their first lines" \
    "(bash scripts/spdx.sh --add puts it there)" >&2
  exit 1
fi
[ "$mode" = --check ] && echo "spdx: every source file names its licence"
exit 0
