#!/usr/bin/env bash
# tools/demo given a display that cannot be opened ends at once, before building anything, with a
# non-zero exit and a message naming the display.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
  echo "FAIL: $*"
  echo "--- demo output:"
  cat "$scratch/out"
  exit 1
}

DISPLAY=:9871 QIRN_BUILD_DIR="$scratch/build" timeout 120 "$root/tools/demo" >"$scratch/out" 2>&1
rc=$?
[ "$rc" -ne 0 ] || fail "the demo exited 0"
[ "$rc" -ne 124 ] || fail "the demo did not end"
grep -qF 'cannot open the X display ":9871"' "$scratch/out" || fail "no message naming the display"
grep -q "building" "$scratch/out" && fail "the demo built before checking the display"
[ ! -e "$scratch/build" ] || fail "the demo made a build folder"
echo "PASS"
