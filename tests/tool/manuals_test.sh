#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The manual pages as man shows them: no formatting warning, no licence tag taken for text, every
# subcommand and option of each command's help in its page, every function the library exports
# in veltrane(3).
# Usage: manuals_test.sh MANUAL_DIR VELTRANE VELTRANE_SCREEN LIBRARY
set -uo pipefail
pages=$1 veltrane=$2 screen=$3 library=$4
failed=0

# shown PAGE: the page as man formats it; fails (after printing it) on any warning or a licence
# tag shown as text.
shown() {
  local warnings text status=0
  warnings=$(mktemp)
  text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man --warnings=all -l "$1" 2>"$warnings" | col -b)
  if [ -s "$warnings" ]; then
    echo "$(basename "$1"): $(cat "$warnings")" >&2
    status=1
  fi
  if grep -q 'SPDX-License-Identifier' <<<"$text"; then
    echo "$(basename "$1") shows a licence tag as text" >&2
    status=1
  fi
  rm -f "$warnings"
  printf '%s\n' "$text"
  return $status
}

# expect_in PAGE_TEXT WHAT WORD...: each word appears in the page as a word of its own.
expect_in() {
  local text=$1 what=$2 word
  shift 2
  for word in "$@"; do
    grep -qE -- "(^|[^[:alnum:]_-])$word([^[:alnum:]_-]|$)" <<<"$text" || {
      echo "$what lacks $word"
      failed=1
    }
  done
}

listed_options() {
  awk '/^  -/ { n = split($1, names, ","); for (i = 1; i <= n; i++) print names[i] }' <<<"$1"
}

veltrane_page=$(shown "$pages/veltrane.1") || failed=1
top_help=$("$veltrane" --help)
mapfile -t subcommands < <(sed -n '/^Subcommands:/,/^$/p' <<<"$top_help" | awk 'NF && !/:$/ { print $1 }')
[ ${#subcommands[@]} -gt 0 ] || { echo "no subcommands in veltrane --help"; exit 1; }
for subcommand in "${subcommands[@]}"; do
  # Each subcommand has its own part of the page, headed "veltrane SUBCOMMAND".
  section=$(sed -n "/^   veltrane $subcommand\$/,/^   veltrane /p" <<<"$veltrane_page")
  if [ -z "$section" ]; then
    echo "veltrane(1) has no part for $subcommand"
    failed=1
    continue
  fi
  mapfile -t options < <(listed_options "$("$veltrane" "$subcommand" --help)")
  expect_in "$section" "veltrane(1), $subcommand," "${options[@]}"
done

mapfile -t options < <(listed_options "$("$screen" --help)")
screen_page=$(shown "$pages/veltrane-screen.1") || failed=1
expect_in "$screen_page" "veltrane-screen(1)" "${options[@]}"

mapfile -t exports < <(nm -D --defined-only "$library" | awk '{ print $3 }' | sed 's/@.*//')
[ ${#exports[@]} -gt 0 ] || { echo "no exports in $library"; exit 1; }
library_page=$(shown "$pages/veltrane.3") || failed=1
for function in "${exports[@]}"; do
  grep -qE "[ *]$function\(" <<<"$library_page" || {
    echo "veltrane(3) does not declare $function"
    failed=1
  }
done

[ $failed -eq 0 ] && echo "manuals: ${#subcommands[@]} subcommands, ${#exports[@]} functions"
exit $failed
