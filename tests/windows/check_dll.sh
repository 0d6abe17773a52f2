#!/bin/sh
# SPDX-License-Identifier: MIT
# Usage: check_dll.sh OBJDUMP VELTRANE_DLL
# Reads a built veltrane.dll the way a Windows host sees it and checks:
#  - the export table: exactly the names below at their ordinals, so hosts that bind by name or by
#    ordinal find every function, and no undecorated twin of a decorated name;
#  - the imports: system DLLs only (the C++, gcc and thread runtimes are linked in);
#  - on 32-bit x86, that each export's code returns with `ret $N`, N its argument bytes: the
#    function removes its own arguments (a cdecl slip shows as a plain `ret`).
set -u
objdump=$1
dll=$2

# ordinal name argument-bytes
expected='1 AddClock 48
2 AddDateTime 40
3 AddLeaf 8
4 AddString 44
5 AddText 48
6 AddWindow 44
7 LED_AdjustTime 40
8 LED_Cleanup 0
9 LED_GetBright 40
10 LED_GetPower 40
11 LED_Init 0
12 LED_ReleaseMem 4
13 LED_Reset 40
14 LED_SendToScreen 44
15 LED_SetBright 44
16 _LED_SetDebugFlag@4 4
17 LED_SetPower 44
18 MakeRoot 8
19 SetSenderEnable 4
20 _XR_LED_PowerOff@20 20
21 _XR_LED_PowerOn@20 20
22 _XR_LED_ResiveTime@20 20
23 _XR_LED_SendData@24 24
24 LED_SetMessageHandler 8
25 LED_SetTextEncoding 4
26 LED_GetVersion 0
27 LED_GetLastError 0
28 LED_GetLastErrorText 0
29 LED_FleetOpen 8
30 LED_FleetClose 4
31 LED_FleetSend 16
32 LED_FleetCommand 20
33 LED_FleetCancel 4'

system_dlls='advapi32.dll gdi32.dll kernel32.dll msvcrt.dll user32.dll winmm.dll ws2_32.dll wsock32.dll'

failures=0
fail() {
  echo "FAIL: $1"
  failures=$((failures + 1))
}

work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
"$objdump" -p "$dll" >"$work/headers" || { echo "objdump cannot read $dll"; exit 1; }

# "ordinal name" for every named export, from the [Ordinal/Name Pointer] table (index + base).
base=$(sed -n 's/^Ordinal Base[[:space:]]*\([0-9]*\)$/\1/p' "$work/headers")
sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *\([0-9]*\)\] \(.*\)$/\1 \2/p' \
  "$work/headers" | awk -v base="${base:-1}" '{ print $1 + base, $2 }' | sort -n >"$work/exports"
echo "$expected" | awk '{ print $1, $2 }' >"$work/expected"
if ! cmp -s "$work/exports" "$work/expected"; then
  fail "the export table differs from the expected one (expected, then found):"
  diff "$work/expected" "$work/exports"
fi
# Every export is reachable by ordinal at an address of its own (no gaps, no extra unnamed ones).
count=$(sed -n '/^Export Address Table --/,/^$/p' "$work/headers" | grep -c 'Export RVA')
[ "$count" -eq "$(wc -l <"$work/expected")" ] || fail "$count entries in the export address table"

dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' "$work/headers")
for imported in $dlls; do
  # DLL names are not case-sensitive on Windows.
  case " $system_dlls " in
    *" $(echo "$imported" | tr '[:upper:]' '[:lower:]') "*) ;;
    *) fail "imports $imported, which is not a system DLL" ;;
  esac
done
echo "imports: $(echo $dlls)"

if "$objdump" -f "$dll" | grep -q 'file format pei-i386$'; then
  "$objdump" -d --no-show-raw-insn "$dll" >"$work/code"
  image_base=$(sed -n 's/^ImageBase[[:space:]]*\([0-9a-fA-F]*\)$/\1/p' "$work/headers")
  echo "$expected" | while read -r ordinal name bytes; do
    rva=$(sed -n '/^Export Address Table --/,/^$/p' "$work/headers" |
      sed -n "s/^.*+base\[ *$ordinal\] \([0-9a-fA-F]*\) Export RVA$/\1/p")
    if [ -z "$rva" ]; then
      echo "FAIL: $name: nothing at ordinal $ordinal"
      continue
    fi
    address=$(printf '%08x' $((0x$image_base + 0x$rva)))
    # The instructions from the export's address to the next symbol; every return in them.
    returns=$(awk -v start="$address" '
      /^[0-9a-f]+ <.*>:$/ { inside = ($1 == start); next }
      inside && /\t(repz )?ret/ { sub(/^.*ret[l]? */, ""); print ($0 == "" ? "0" : $0) }' "$work/code")
    want=$([ "$bytes" -eq 0 ] && echo 0 || printf '$0x%x' "$bytes")
    # A function without arguments may end in a jump to another one: nothing to remove either way.
    tail_jumps=$(awk -v start="$address" '
      /^[0-9a-f]+ <.*>:$/ { inside = ($1 == start); next }
      inside && /\tjmp/ { print }' "$work/code")
    if [ -z "$returns" ] && [ "$bytes" -eq 0 ] && [ -n "$tail_jumps" ]; then
      echo "$ordinal $name jmp (0 argument bytes)"
    elif [ -z "$returns" ]; then
      echo "FAIL: $name: no return found at 0x$address"
    elif [ -n "$(echo "$returns" | grep -vxF -- "$want")" ]; then
      echo "FAIL: $name: returns with $(echo $returns), expected ret $want ($bytes argument bytes)"
    else
      echo "$ordinal $name ret $want ($bytes argument bytes)"
    fi
  done >"$work/returns"
  cat "$work/returns"
  failures=$((failures + $(grep -c '^FAIL' "$work/returns")))
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "veltrane.dll: $(wc -l <"$work/expected") exports as expected"
