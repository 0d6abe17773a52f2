#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian 12 packages that the named groups need, when any is missing.
# Usage: install-deps.sh [GROUP...]   (no group: all of them)
#   library  build the library: compiler, CMake, FreeType, fontconfig, libpng, fonts
#   tools    the veltrane command and veltrane-screen: CLI11, nlohmann_json, libserialport,
#            cpp-httplib (the studio), and help2man and Python for their manual pages
#   packages what `cpack -G DEB` needs to make the Debian packages
#   tests    GoogleTest, the packages group with lintian and debootstrap (a fresh root to install
#            them in), man to read the manual pages, the program-file schema's validator, tshark
#            for the dissector, the Python group
#   browser  Debian's chromium, Node.js and npm for the studio's browser tests (in `tests`)
#   bench    Google Benchmark
#   fuzz     clang with libFuzzer and the sanitizer runtimes
#   python   the Python package's build (setuptools, wheel) and tests (pytest, venv)
#   windows  veltrane.dll: the MinGW-w64 cross compilers (posix thread variants), GoogleTest's
#            sources and 64-bit Wine for its tests (not in `all`)
set -euo pipefail

group_packages() {
  case "$1" in
    library) echo cmake ninja-build g++ pkg-config libpng-dev libfreetype-dev libfontconfig-dev \
      fonts-dejavu-core fonts-wqy-zenhei ;; # a Latin and a CJK font for text and date areas
    tools) echo libcli11-dev nlohmann-json3-dev libserialport-dev libcpp-httplib-dev help2man python3 ;;
    packages) echo dpkg-dev file ;;
    tests) echo libgtest-dev libgmock-dev "$(group_packages packages)" lintian debootstrap man-db \
      bsdextrautils python3-jsonschema tshark "$(group_packages python)" "$(group_packages browser)" ;;
    # The studio's page in a real browser: puppeteer-core comes from npm, the browser from Debian.
    browser) echo chromium nodejs npm ;;
    bench) echo libbenchmark-dev ;;
    fuzz) echo clang libclang-rt-14-dev ;;
    python) echo python3 python3-pytest python3-venv python3-setuptools python3-wheel ;;
    # Wine's loader and server land in /usr/lib/wine, off the PATH.
    windows) echo g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix googletest wine64 ;;
    all) for g in library tools tests bench fuzz; do group_packages "$g"; done ;;
  esac
}

packages=()
for group in "${@:-all}"; do
  if [ -z "$(group_packages "$group")" ]; then
    echo "install-deps.sh: unknown group '$group' (library, tools, packages, tests, browser, bench, fuzz, python, windows, all)" >&2
    exit 2
  fi
  read -r -a listed <<<"$(group_packages "$group" | tr '\n' ' ')"
  packages+=("${listed[@]}")
done

missing=()
for package in "${packages[@]}"; do
  # A Node.js installed from elsewhere brings its own npm, which Debian's would conflict with.
  case $package in nodejs | npm) command -v npm >/dev/null && continue ;; esac
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
    || missing+=("$package")
done

if ((${#missing[@]} > 0)); then
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
