#!/bin/sh
# SPDX-License-Identifier: MIT
# Usage: link_host_test.sh CMAKE CC OBJDUMP BUILD_DIR HOST_SOURCE
# Installs the Windows build into a scratch prefix and builds the C host HOST_SOURCE, which calls
# every function the header declares, as a host would from what was installed: compiled with the
# installed header, linked once against veltrane.lib and once against libveltrane.dll.a. Each
# link must succeed (on 32-bit x86 a declaration whose calling convention differs from the
# export's names another symbol and fails to link), and each host must import from veltrane.dll
# exactly the names the DLL exports.
set -u
cmake=$1
cc=$2
objdump=$3
build=$4
source=$5

work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
"$cmake" --install "$build" --prefix "$prefix" >/dev/null || { echo "cannot install $build"; exit 1; }
"$cc" -std=c99 -Wall -Wextra -Werror -I"$prefix/include" -c "$source" -o "$work/host.o" ||
  { echo "the host does not compile with the installed header"; exit 1; }

# The names in a PE file's export table, or those it imports from veltrane.dll, one a line.
exported_names() {
  "$objdump" -p "$1" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p' |
    sort
}
imported_names() {
  "$objdump" -p "$1" | sed -n '/DLL Name: veltrane.dll/,/^$/p' |
    awk '$1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print $3 }' | sort
}

exported_names "$prefix/bin/veltrane.dll" >"$work/exports"
[ -s "$work/exports" ] || { echo "no exports read from veltrane.dll"; exit 1; }
failures=0
for library in veltrane.lib libveltrane.dll.a; do
  if ! "$cc" "$work/host.o" "$prefix/lib/$library" -o "$work/host.exe" 2>"$work/link.log"; then
    echo "FAIL: the host does not link against $library:"
    cat "$work/link.log"
    failures=$((failures + 1))
    continue
  fi
  imported_names "$work/host.exe" >"$work/imports"
  if ! cmp -s "$work/imports" "$work/exports"; then
    echo "FAIL: linked against $library, the host imports other names than the DLL exports:"
    diff "$work/exports" "$work/imports"
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ] && echo "a host links every export through veltrane.lib and libveltrane.dll.a"
exit "$failures"
