#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Debian packages and the pip route as a new user takes them, each in a fresh Debian 12 root
# (debootstrap, minbase): `apt-get install ./*.deb` of all four packages, then the commands, the
# Python package and the dissector in tshark; and in a second fresh root the library's package with
# `pip install ./python` into a virtual environment.
# The pristine root is kept as a tarball and the downloaded packages in an apt archive, both under
# CACHE_DIR, so that later runs download only the package lists. Mounts are made in a private mount
# namespace and undone on exit. Needs root (debootstrap, chroot, mount): skipped (77) otherwise.
# Usage: fresh_root_test.sh BUILD_DIR SOURCE_DIR VERSION CACHE_DIR
set -euo pipefail
readonly suite=bookworm skipped=77
build=$(realpath "$1") source=$(realpath "$2") version=$3 cache=$(realpath -m "$4")

if [ "$(id -u)" -ne 0 ]; then
  echo "skipped: a fresh root needs root (debootstrap, chroot, mount)"
  exit $skipped
fi
for tool in debootstrap chroot unshare cpack; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit $skipped; }
done
if [ -z "${FRESH_ROOT_NAMESPACE:-}" ]; then
  unshare --mount --propagation private true 2>/dev/null ||
    { echo "skipped: no private mount namespace here"; exit $skipped; }
  export FRESH_ROOT_NAMESPACE=1
  exec unshare --mount --propagation private -- bash "$0" "$@"
fi

mkdir -p "$cache/archives/partial"
work=$(mktemp -d "$cache/run.XXXXXX")
root=$work/root
cleanup() {
  local mount
  # Deepest first; lazily if a mount is still busy.
  for mount in $(findmnt -rn -o TARGET | grep "^$work/" | sort -r); do
    umount "$mount" 2>/dev/null || umount -l "$mount"
  done
  rm -rf --one-file-system "$work"
}
trap cleanup EXIT

# The host's Debian sources, as "URI SUITE COMPONENT" lines, for the root's apt.
# shellcheck disable=SC2016  # $(FIELD) is apt's format syntax
debian_sources() {
  apt-get indextargets --format '$(TARGET_OF) $(ORIGIN) $(REPO_URI) $(RELEASE) $(COMPONENT) $(IDENTIFIER)' |
    awk -v suite=$suite '$1 == "deb" && $2 == "Debian" && $6 == "Packages" && index($4, suite) == 1 {
      print $3, $4, $5 }' | sort -u
}

pristine=$cache/$suite-$(dpkg --print-architecture)-minbase.tar.gz
make_pristine_root() {
  local mirror
  mirror=$(debian_sources | awk -v suite=$suite '$2 == suite { print $1; exit }')
  [ -n "$mirror" ] || { echo "no Debian $suite source in the host's apt configuration"; exit 1; }
  echo "debootstrap $suite from $mirror (cached in $pristine)"
  mkdir "$work/pristine"
  debootstrap --variant=minbase --cache-dir="$cache/archives" "$suite" "$work/pristine" "$mirror" \
    >"$work/debootstrap.log" 2>&1 || { tail -20 "$work/debootstrap.log"; exit 1; }
  rm -rf "$work"/pristine/var/lib/apt/lists/* "$work/pristine/etc/resolv.conf"
  tar -C "$work/pristine" --numeric-owner -czf "$pristine.part" .
  mv "$pristine.part" "$pristine"
  rm -rf --one-file-system "$work/pristine"
}

# fresh_root: an unpacked pristine root at $root, with the host's resolver and Debian sources, the
# system folders mounted, the apt archive shared and the package lists read.
fresh_root() {
  [ -d "$root" ] && { cleanup_root; }
  mkdir -p "$root"
  tar -C "$root" --numeric-owner -xzf "$pristine"
  cp -L /etc/resolv.conf "$root/etc/resolv.conf"
  debian_sources | while read -r uri release component; do
    echo "deb $uri $release $component"
  done >"$root/etc/apt/sources.list"
  local folder
  for folder in proc sys dev dev/pts; do
    mount --bind "/$folder" "$root/$folder"
  done
  mount --bind "$cache/archives" "$root/var/cache/apt/archives"
  in_root apt-get update -qq
}
cleanup_root() {
  local mount
  for mount in $(findmnt -rn -o TARGET | grep "^$root/" | sort -r); do
    umount "$mount" 2>/dev/null || umount -l "$mount"
  done
  rm -rf --one-file-system "$root"
}
in_root() {
  env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive \
    chroot "$root" "$@"
}
failed=0
# check DESCRIPTION COMMAND...: runs a shell command line in the root, which must succeed.
check() {
  local what=$1 output
  shift
  if output=$(in_root bash -c "$*" 2>&1); then
    echo "ok: $what: $(head -3 <<<"$output" | tr '\n' ' ')"
  else
    echo "FAILED: $what: $output"
    failed=1
  fi
}

[ -s "$pristine" ] || make_pristine_root
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/cpack" >/dev/null 2>&1
packages=$(cd "$work/cpack" && ls ./*.deb)
[ "$(wc -l <<<"$packages")" -eq 4 ] || { echo "expected 4 packages, found: $packages"; exit 1; }

echo "== apt-get install ./*.deb"
fresh_root
mkdir "$root/packages"
cp "$work"/cpack/*.deb "$root/packages/"
check "apt-get install ./*.deb tshark" \
  "cd /packages && apt-get install -y -qq ./*.deb tshark >/tmp/apt.log 2>&1 || { tail -20 /tmp/apt.log; exit 1; }"
check "veltrane --version" "test \"\$(veltrane --version)\" = 'veltrane $version'"
check "veltrane-screen --version" "test \"\$(veltrane-screen --version)\" = 'veltrane-screen $version'"
check "veltrane demo" "cd /tmp && veltrane demo && test -s demo.png"
check "python3 -c 'import veltrane'" "python3 -c 'import veltrane'"
check "the Python package loads the library" \
  "python3 -c 'import veltrane; print(veltrane.library_version())'"
check "tshark -G protocols | grep veltrane" "tshark -G protocols 2>/dev/null | grep -i veltrane"
check "the manual pages" "test -s /usr/share/man/man1/veltrane.1.gz && test -s /usr/share/man/man3/veltrane.3.gz"
check "bash completion" \
  ". /usr/share/bash-completion/completions/veltrane && COMP_WORDS=(veltrane p) COMP_CWORD=1 && _veltrane && echo \${COMPREPLY[*]} | grep -q power"

echo "== pip install ./python (with libveltrane0 from its package)"
fresh_root
mkdir "$root/packages"
cp "$work"/cpack/libveltrane[0-9]_*.deb "$root/packages/"
cp -r "$source/python" "$root/python"
rm -rf "$root/python/build" "$root"/python/*.egg-info
check "apt-get install ./libveltrane0*.deb python3-venv python3-setuptools python3-wheel" \
  "cd /packages && apt-get install -y -qq ./*.deb python3-venv python3-setuptools python3-wheel >/tmp/apt.log 2>&1 || { tail -20 /tmp/apt.log; exit 1; }"
check "pip install ./python" \
  "cd / && python3 -m venv --system-site-packages env && env/bin/pip install -q --no-build-isolation ./python"
check "the pip-installed package loads the library" \
  "cd / && env/bin/python -c 'import veltrane; print(veltrane.library_version())'"

exit $failed
