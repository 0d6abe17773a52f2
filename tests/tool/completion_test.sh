#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Drives the bash completion as bash does: COMP_WORDS and COMP_CWORD set, the completion function
# called, COMPREPLY read. Every subcommand and every option each help lists must be offered.
# Usage: completion_test.sh COMPLETION_SCRIPT VELTRANE VELTRANE_SCREEN
set -uo pipefail
script=$1 veltrane=$2 screen=$3
# shellcheck source=/dev/null
source "$script"
failed=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# complete WORD...: the completions of the last word, one a line.
complete_words() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE="$*"
  COMP_POINT=${#COMP_LINE}
  _veltrane "$1" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  printf '%s\n' "${COMPREPLY[@]}"
}

# expect DESCRIPTION EXPECTED_LINES ACTUAL_LINES: every expected line is among the actual ones.
expect_all() {
  local missing
  missing=$(comm -23 <(sort -u <<<"$2") <(sort -u <<<"$3"))
  if [ -n "$missing" ]; then
    echo "$1: not offered: $(tr '\n' ' ' <<<"$missing")"
    failed=1
  fi
}

# expect_exactly DESCRIPTION EXPECTED_LINES ACTUAL_LINES
expect_exactly() {
  if [ "$(sort <<<"$2")" != "$(sort <<<"$3")" ]; then
    echo "$1: expected [$(tr '\n' ' ' <<<"$2")], offered [$(tr '\n' ' ' <<<"$3")]"
    failed=1
  fi
}

# Every option name a help text lists: the first field of its lines that start with a dash.
listed_options() {
  awk '/^  -/ { n = split($1, names, ","); for (i = 1; i <= n; i++) print names[i] }' <<<"$1"
}

top_help=$("$veltrane" --help)
subcommands=$(sed -n '/^Subcommands:/,/^$/p' <<<"$top_help" | awk 'NF && !/:$/ { print $1 }')
test -n "$subcommands" || { echo "no subcommands in veltrane --help"; exit 1; }

expect_exactly "veltrane <tab>" "$subcommands" "$(complete_words "$veltrane" "")"
expect_exactly "veltrane pow<tab>" "power" "$(complete_words "$veltrane" pow)"
expect_all "veltrane -<tab>" "$(listed_options "$top_help")" "$(complete_words "$veltrane" -)"
for subcommand in $subcommands; do
  expect_all "veltrane $subcommand -<tab>" "$(listed_options "$("$veltrane" "$subcommand" --help)")" \
    "$(complete_words "$veltrane" "$subcommand" -)"
done
expect_all "veltrane-screen -<tab>" "$(listed_options "$("$screen" --help)")" \
  "$(complete_words "$screen" -)"

# Values: the choices the help names, serial devices, folders, program files by extension.
expect_exactly "preview --style <tab>" $'squares\ndots' \
  "$(complete_words "$veltrane" preview x.json --style "")"
expect_exactly "power --serial <tab>" "$("$veltrane" ports | cut -f1)" \
  "$(complete_words "$veltrane" power --serial "")"
expect_exactly "veltrane-screen --serial <tab>" "$("$veltrane" ports | cut -f1)" \
  "$(PATH=$(dirname "$veltrane"):$PATH complete_words "$screen" --serial "")"
mkdir "$work/folder"
touch "$work/hello.json" "$work/block.bin" "$work/notes.txt" "$work/picture.png"
expect_exactly "send <tab>" "$work/block.bin"$'\n'"$work/folder"$'\n'"$work/hello.json" \
  "$(complete_words "$veltrane" send "$work/")"
expect_exactly "inspect --summary <tab>" "$work/block.bin"$'\n'"$work/folder"$'\n'"$work/hello.json" \
  "$(complete_words "$veltrane" inspect --summary "$work/")"
expect_exactly "screen --save-programs <tab>" "$work/folder" \
  "$(complete_words "$veltrane" screen --save-programs "$work/")"
expect_exactly "preview -o <tab>" "$work/folder"$'\n'"$work/picture.png" \
  "$(complete_words "$veltrane" preview x.json -o "$work/")"
expect_exactly "power --udp <tab>: an address is not completed" "" \
  "$(complete_words "$veltrane" power --udp "")"
expect_exactly "power <tab>: no program file" "" "$(complete_words "$veltrane" power "$work/")"

[ $failed -eq 0 ] && echo "completion: every subcommand, option and value offered"
exit $failed
