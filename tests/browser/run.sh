#!/bin/sh
# SPDX-License-Identifier: MIT
# The studio's browser tests: `run.sh install WORK` installs puppeteer-core from the committed
# package-lock.json into WORK (once per lock file; never a browser), `run.sh test WORK ...` runs
# the tests there against Debian's chromium. Either skips (exit 77) when node or chromium is
# missing.
set -eu
mode=$1
work=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)

if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  echo "skipped: node and npm are not installed (scripts/install-deps.sh tests installs them)"
  exit 77
fi
chromium=${VELTRANE_CHROMIUM:-$(command -v chromium || true)}
if [ -z "$chromium" ]; then
  echo "skipped: chromium is not installed (scripts/install-deps.sh tests installs it)"
  exit 77
fi

mkdir -p "$work"
case "$mode" in
  install)
    if cmp -s "$here/package-lock.json" "$work/package-lock.json" && [ -d "$work/node_modules" ]; then
      echo "puppeteer-core is installed in $work"
      exit 0
    fi
    cp "$here/package.json" "$here/package-lock.json" "$work/"
    cd "$work"
    PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund
    ;;
  test)
    # The tests run beside the modules they import.
    cp "$here"/*.mjs "$work/"
    cd "$work"
    VELTRANE_CHROMIUM=$chromium exec node --test "$@" studio.test.mjs
    ;;
esac
