#!/usr/bin/env bash
# Tolvamir.exe end to end, as far as it runs before a renderer draws: started under wine in an
# install folder of its own (the program, the settings dialog and the Data tree the build laid
# out), driven with xdotool. Covers the first run (no settings file), a damaged scene file and a
# display mode the graphics cannot give. Every wait has a limit.
# Usage: client_end_to_end.sh CLIENT_FOLDER (inside tools/with-testenv)
set -u
client_dir=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
main_title="^Kelvane Graphics Inc\. - Underwater Ambrevo$"
box_title="^Kelvane Graphics Inc\.$"
dialog_title="^Kelvane Graphics - Ambrevo Setup$"

. "$root/tests/common/end_to_end.sh"

# Gives window $1 the keyboard focus, then types the keys that follow.
keys() {
  local i
  for i in $(seq 1 50); do
    xdotool windowfocus --sync "$1" 2>/dev/null && break
    sleep 0.1
  done
  sleep 0.3
  shift
  xdotool key --delay 100 "$@"
}

# An install folder: the programs and the Data tree, with the settings text given (none for "").
install() {
  work=$scratch/$1
  mkdir -p "$work"
  cp "$client_dir/Tolvamir.exe" "$client_dir/AmbrevoConfig.exe" "$work/"
  cp -r "$client_dir/Data" "$work/"
  if [ -n "$2" ]; then
    printf '%b' "$2" >"$work/qirn_v2.ini"
  fi
}

# The engine's log, and wine's own trace of Direct3D 8 being created: the proof that graphics were
# tried, whatever the program logs or does not.
start_client() {
  (cd "$work" && WINEDEBUG=+debugstr,trace+d3d8 exec "$root/tools/wine-run" $((60 * e2e_slack)) ./Tolvamir.exe >"$work/run.log" 2>&1) &
  pid=$!
}

# Waits up to $1 seconds for the program to end with exit code $2.
wait_exit() {
  local i rc
  for i in $(seq 1 $(($1 * 10 * e2e_slack))); do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      rc=$?
      pid=""
      [ "$rc" -eq "$2" ] || fail "the program ended with $rc, not $2"
      return 0
    fi
    sleep 0.1
  done
  fail "the program did not end within $1 s"
}

logged() {
  grep -aqF -- "$1" "$work/run.log"
}

# The settings file of a display mode: width, height, refresh rate.
settings() {
  echo "[GFX MODE]\r\nWidth=$1\r\nHeight=$2\r\nFrequency=$3\r\nAntiAliasing=0\r\n[PATHS]\r\nEnginePath=.\r\n"\
"SystemPath=.\\\\Data\\\\_System_\r\nScenePath=.\\\\Data\\\\Scenes\r\nSoundPath=.\\\\Data\\\\Sounds\r\n"
}

# 1. No settings file: the first-run box, then the settings dialog starts and the client ends with 0.
echo "== first run"
install first ""
start_client
box=$(wait_window "$main_title" 30) || fail "the first-run box did not appear"
keys "$box" Return
wait_exit 20 0
dialog=$(wait_window "$dialog_title" 30) || fail "the settings dialog was not started"
keys "$dialog" Escape
for i in $(seq 1 100); do
  [ -z "$(find_window "$dialog_title")" ] && break
  sleep 0.1
done
[ -z "$(find_window "$dialog_title")" ] || fail "the settings dialog did not close"
[ ! -f "$work/qirn_v2.ini" ] || fail "a settings file appeared"

# 2. A damaged scene file: the installation box, before any graphics, and exit code 1.
echo "== damaged scene"
install damaged "$(settings 640 480 0)"
printf 'x' | dd of="$work/Data/Scenes/AmbrevoScene.w" bs=1 seek=20 conv=notrunc status=none
start_client
box=$(wait_window "$box_title" 30) || fail "the installation box did not appear"
keys "$box" Return
wait_exit 20 1
logged "trace:d3d8:Direct3DCreate8" && fail "graphics were tried with a damaged installation"
[ ! -f "$work/Data/Scenes/AmbrevoFull.w" ] || fail "an unscrambled file was left"

# 3. A display mode no display gives: three graphics tries, the graphics box and exit code 1.
echo "== display mode not available"
install mode "$(settings 1234 567 99)"
start_client
box=$(wait_window "$box_title" 60) || fail "the graphics box did not appear"
keys "$box" Return
wait_exit 20 1
logged "trace:d3d8:Direct3DCreate8" || fail "graphics were not tried"
logged "*** cTolvamir::InitApp() - m_poEngine->InitGraphicsDisplay() FAILED" || fail "the graphics failure was not logged"
echo "PASS"
