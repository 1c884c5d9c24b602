#!/usr/bin/env bash
# tools/demo without a display of the user's, as a newcomer runs it, on a build that holds the
# client: it shows the build's progress, runs the scripted client from its own copy of the install
# folder, keeps a few frames as PNG and no bitmaps, and leaves the install folder's settings alone.
# A build without the client fails the test: the demo is what a user meets first.
# Usage: demo_end_to_end.sh BUILD_X86_64_DIR
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
x64=$(cd "$1" && pwd)
build=$(dirname "$x64")
client=$x64/client
run=$x64/demo
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
  echo "FAIL: $*"
  if [ -f "$scratch/out" ]; then
    echo "--- demo output"
    tail -n 40 "$scratch/out"
  fi
  exit 1
}

[ "$(basename "$x64")" = x86_64 ] || fail "the demo runs the build in BUILD/x86_64, not $x64"
[ -f "$client/Tolvamir.exe" ] || fail "the build has no client ($client/Tolvamir.exe)"
[ -d "$client/Data" ] || fail "the build has no installed scene ($client/Data)"

# The user's own settings in the install folder, which the demo must not touch.
printf '[GFX MODE]\r\nWidth=800\r\nHeight=600\r\n' >"$scratch/user.ini"
had_settings=0
if [ -f "$client/qirn_v2.ini" ]; then
  had_settings=1
  cp -p "$client/qirn_v2.ini" "$scratch/saved.ini"
fi
restore() {
  if [ "$had_settings" -eq 1 ]; then cp -p "$scratch/saved.ini" "$client/qirn_v2.ini"; else rm -f "$client/qirn_v2.ini"; fi
}
trap 'restore; rm -rf "$scratch"' EXIT
cp "$scratch/user.ini" "$client/qirn_v2.ini"

# 6 s of engine time at two frames a second: about a dozen frames, of which 4 are kept. The demo
# makes its own test environment, as for a user: nothing of the one this test runs in goes to it.
env -u DISPLAY -u WINEPREFIX -u QIRN_MODES_DISPLAY -u QIRN_MODES_WINEPREFIX -u QIRN_SPOOL_DIR \
  -u XDG_RUNTIME_DIR -u QIRN_KEEP_DISPLAY -u QIRN_TESTENV_DIR -u QIRN_WINE_DISPLAY \
  QIRN_BUILD_DIR="$build" QIRN_DEMO_SECONDS=6 QIRN_JOBS=2 timeout 900 "$root/tools/demo" >"$scratch/out" 2>&1
rc=$?
[ "$rc" -ne 124 ] || fail "the demo did not end"
[ "$rc" -eq 0 ] || fail "the demo ended with $rc"

grep -Eq '^demo: build [0-9]+%$' "$scratch/out" || fail "the demo showed no build progress"
cmp -s "$client/qirn_v2.ini" "$scratch/user.ini" || fail "the demo changed the install folder's settings"
[ ! -e "$client/frames" ] || fail "the demo left frames in the install folder"
grep -aq 'Script=demo_start.txt' "$run/qirn_v2.ini" || fail "the demo's own copy has no scripted settings"

bitmaps=$(find "$run" "$client" -name 'frame_*.bmp' | wc -l)
[ "$bitmaps" -eq 0 ] || fail "the demo left $bitmaps frame bitmaps"
pngs=$(find "$run/frames" -name 'frame_*.png' | wc -l)
[ "$pngs" -ge 1 ] && [ "$pngs" -le 4 ] || fail "the demo kept $pngs frames as PNG, not 1 to 4"
for png in "$run"/frames/frame_*.png; do
  [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$png is not a PNG"
  grep -qF "$png" "$scratch/out" || fail "the demo does not name $png"
done
echo "PASS ($pngs frames kept)"
