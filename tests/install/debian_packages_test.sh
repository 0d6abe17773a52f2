#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the Debian packages of the build with cpack and checks what each one holds (the library in
# the multiarch folder under its SONAME, the development files, the tools with their manuals,
# completion and dissector, the Python package), the library's symbols file against the library
# itself, the changelog against the packages' version, and lintian's verdict: no error.
# Usage: debian_packages_test.sh BUILD_DIR SYMBOLS_FILE [OUTPUT_DIR]
#   OUTPUT_DIR keeps the packages (for the fresh-root test); else they go with the test.
set -euo pipefail
build=$1 symbols=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
out=${3:-$work/packages}
rm -rf "$out"
mkdir -p "$out"

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/cpack" >/dev/null
mv "$work"/cpack/*.deb "$out/"

failed=0
fail() {
  echo "$*"
  failed=1
}
# the_package GLOB: the one package matching the glob
the_package() {
  local debs=("$out"/$1)
  if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    fail "expected one package $1, found: ${debs[*]}"
    return 1
  fi
  echo "${debs[0]}"
}
# expect PACKAGE_GLOB PATTERN...: the package lists a path matching each pattern
expect() {
  local deb pattern contents
  deb=$(the_package "$1") || return 0
  shift
  contents=$(dpkg-deb --contents "$deb")
  for pattern in "$@"; do
    grep -Eq "$pattern" <<<"$contents" || fail "$(basename "$deb") lacks $pattern"
  done
}

triplet=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
lib="/usr/lib/$triplet"
soname=$(readelf -d "$(find "$build" -name 'libveltrane.so.*.*.*' | head -1)" |
  sed -n 's/.*Library soname: \[\(.*\)\]/\1/p')
for package in libveltrane0 libveltrane-dev veltrane-tools python3-veltrane; do
  expect "${package}_*.deb" "/usr/share/doc/$package/copyright$" \
    "/usr/share/doc/$package/changelog.Debian.gz$"
done
expect 'libveltrane[0-9]_*.deb' "$lib/$soname -> " "$lib/libveltrane\.so\.[0-9]+\.[0-9]+\.[0-9]+$"
expect 'libveltrane-dev_*.deb' '/usr/include/veltrane/veltrane\.h$' \
  "$lib/libveltrane\.so -> " "$lib/pkgconfig/veltrane\.pc$" \
  "$lib/cmake/veltrane/veltraneConfig\.cmake$" "$lib/cmake/veltrane/veltraneConfigVersion\.cmake$" \
  "$lib/cmake/veltrane/veltraneTargets\.cmake$" '/usr/share/man/man3/veltrane\.3\.gz$' \
  '/usr/share/doc/libveltrane-dev/examples/hello_screen\.c$'
expect 'veltrane-tools_*.deb' '/usr/bin/veltrane$' '/usr/bin/veltrane-screen$' \
  '/usr/share/man/man1/veltrane\.1\.gz$' '/usr/share/man/man1/veltrane-screen\.1\.gz$' \
  '/usr/share/bash-completion/completions/veltrane$' \
  '/usr/share/bash-completion/completions/veltrane-screen -> veltrane$' \
  "$lib/wireshark/plugins/veltrane\.lua$"
expect 'python3-veltrane_*.deb' '/usr/lib/python3/dist-packages/veltrane/__init__\.py$' \
  '/usr/lib/python3/dist-packages/veltrane/_native\.py$'

# The runtime package holds none of the development files; the Python one no compiled files.
runtime=$(the_package 'libveltrane[0-9]_*.deb') || exit 1
if dpkg-deb --contents "$runtime" | grep -Eq 'include/|\.pc$|cmake/'; then
  fail "the runtime package holds development files"
fi
python=$(the_package 'python3-veltrane_*.deb') || exit 1
if dpkg-deb --contents "$python" | grep -Eq '__pycache__|\.pyc$'; then
  fail "the Python package holds compiled files"
fi
[ "$(dpkg-deb -f "$python" Architecture)" = all ] || fail "the Python package is not Architecture: all"
grep -q "$(basename "$runtime" | cut -d_ -f1)" <<<"$(dpkg-deb -f "$python" Depends)" ||
  fail "the Python package does not depend on the library"

# Every package has its own description.
descriptions=$(for deb in "$out"/*.deb; do dpkg-deb -f "$deb" Description | head -1; done)
[ "$(sort -u <<<"$descriptions" | wc -l)" -eq 4 ] || fail "the packages share a description: $descriptions"

# The library's control files: shlibs, the ldconfig trigger, and symbols that match the library.
mkdir "$work/runtime"
dpkg-deb --raw-extract "$runtime" "$work/runtime"
grep -q "^${soname%.so.*} ${soname##*.so.} " "$work/runtime/DEBIAN/shlibs" || fail "no shlibs line for $soname"
grep -qx 'activate-noawait ldconfig' "$work/runtime/DEBIAN/triggers" || fail "no ldconfig trigger"
cmp -s "$symbols" "$work/runtime/DEBIAN/symbols" || fail "the package's symbols file is not $symbols"
version=$(dpkg-deb -f "$runtime" Version)
if ! dpkg-gensymbols -p"$(dpkg-deb -f "$runtime" Package)" -v"$version" -P"$work/runtime" \
  -e"$work/runtime$lib/$(readlink "$work/runtime$lib/$soname")" -I"$symbols" -O"$work/symbols" -c4; then
  fail "$symbols differs from the library's exports (add a new export with the version it came in)"
fi

# The changelog's latest entry is the packages' version.
changelog_version=$(zcat "$work/runtime/usr/share/doc/$(dpkg-deb -f "$runtime" Package)/changelog.Debian.gz" |
  dpkg-parsechangelog -l - -S Version)
[ "$changelog_version" = "$version" ] ||
  fail "the changelog's latest entry is $changelog_version, the packages are $version"

# lintian: no error; its warnings are shown.
lintian_report=$(lintian --fail-on error "$out"/*.deb 2>&1) || fail "lintian found errors"
grep -v 'running with root privileges' <<<"$lintian_report" || true
exit $failed
