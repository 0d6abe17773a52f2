#!/bin/sh
# SPDX-License-Identifier: MIT
# The studio's browser tests: `run.sh install WORK` installs puppeteer-core from the committed
# package-lock.json into WORK (once per lock file; never a browser), `run.sh test WORK ...` runs
# the tests there against Debian's chromium. Either skips (exit 77) when node or chromium is
# missing or npm's registry cannot be reached.
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
    if PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund >npm.log 2>&1; then
      cat npm.log
      exit 0
    fi
    cat npm.log
    # A machine that cannot reach npm's registry (offline, or behind a proxy whose certificate it
    # does not trust) cannot run these tests, as one without chromium cannot; any other failure
    # of the install is the tests' own.
    unreachable=$(sed -n -E 's/^npm (ERR!|error) code ([A-Z_]+)$/\2/p' npm.log | grep -E -m1 \
      '^(ENOTFOUND|EAI_AGAIN|ECONNREFUSED|ECONNRESET|ETIMEDOUT|ENETUNREACH|EHOSTUNREACH|SELF_SIGNED_CERT_IN_CHAIN|DEPTH_ZERO_SELF_SIGNED_CERT|UNABLE_TO_GET_ISSUER_CERT_LOCALLY|UNABLE_TO_VERIFY_LEAF_SIGNATURE|CERT_HAS_EXPIRED)$' || true)
    if [ -n "$unreachable" ]; then
      echo "skipped: npm cannot reach its registry ($unreachable), so puppeteer-core cannot be installed"
      exit 77
    fi
    exit 1
    ;;
  test)
    if [ ! -d "$work/node_modules/puppeteer-core" ]; then
      echo "skipped: puppeteer-core is not installed (npm could not reach its registry)"
      exit 77
    fi
    # The tests run beside the modules they import.
    cp "$here"/*.mjs "$work/"
    cd "$work"
    VELTRANE_CHROMIUM=$chromium exec node --test "$@" studio.test.mjs
    ;;
esac
