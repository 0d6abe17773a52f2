#!/usr/bin/env bash
# Makes the Debian packages of the build with cpack and checks what each one holds: the library
# under its SONAME, the development files, the tools.
# Usage: debian_packages_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >/dev/null

failed=0
# expect PACKAGE_GLOB PATTERN...: the one package matching the glob lists a path matching each pattern
expect() {
  local debs=("$work"/$1) pattern
  shift
  if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "expected one package, found: ${debs[*]}"
    failed=1
    return
  fi
  local contents
  contents=$(dpkg-deb --contents "${debs[0]}")
  for pattern in "$@"; do
    if ! grep -Eq "$pattern" <<<"$contents"; then
      echo "$(basename "${debs[0]}") lacks $pattern"
      failed=1
    fi
  done
}

soname=$(readelf -d "$(find "$build" -name 'libveltrane.so.*.*.*' | head -1)" |
  sed -n 's/.*Library soname: \[\(.*\)\]/\1/p')
expect 'libveltrane[0-9]_*.deb' "/usr/lib/.*$soname -> " "/usr/lib/.*libveltrane\.so\.[0-9]+\.[0-9]+\.[0-9]+$"
expect 'libveltrane-dev_*.deb' '/usr/include/veltrane/veltrane\.h$' \
  '/usr/lib/(.*/)?libveltrane\.so -> ' '/usr/lib/.*pkgconfig/veltrane\.pc$' \
  '/usr/lib/.*cmake/veltrane/veltraneConfig\.cmake$' \
  '/usr/lib/.*cmake/veltrane/veltraneConfigVersion\.cmake$' \
  '/usr/lib/.*cmake/veltrane/veltraneTargets\.cmake$'
expect 'veltrane-tools_*.deb' '/usr/bin/veltrane$' '/usr/bin/veltrane-screen$'
# The runtime package holds none of the development files.
if dpkg-deb --contents "$work"/libveltrane[0-9]_*.deb | grep -Eq 'include/|\.pc$|cmake/'; then
  echo "the runtime package holds development files"
  failed=1
fi
exit $failed
