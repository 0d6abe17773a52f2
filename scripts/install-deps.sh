#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the tools need, when any is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  clang libclang-rt-14-dev          # libFuzzer and the sanitizer runtimes for the fuzz build
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev libcli11-dev    # program files and the command line
  libpng-dev                        # pictures in and out
  libfreetype-dev libfontconfig-dev # text rendering and font lookup
  fonts-dejavu-core fonts-wqy-zenhei # a Latin and a CJK font for text areas and their tests
)
# veltrane.dll: the MinGW-w64 cross compilers (the posix thread variants), GoogleTest's sources
# for the Windows test program, and 64-bit Wine to run it (its loader and server land in
# /usr/lib/wine, off the PATH).
windows_packages=(
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  googletest
  wine64
)
packages+=("${windows_packages[@]}")

missing=()
for package in "${packages[@]}"; do
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
