#!/usr/bin/env bash
# AmbrevoConfig.exe end to end: started under wine on the display with real refresh rates, driven
# with xdotool through the keyboard, as a viewer would. Every wait has a limit, and a message box
# that should not be there fails the run at once instead of leaving it waiting.
# Usage: config_end_to_end.sh AMBREVOCONFIG_EXE FAKE_CLIENT_EXE (inside tools/with-testenv)
set -u
config_exe=$1
fake_client=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
dialog_name="^Kelvane Graphics - Ambrevo Setup$"
box_name="^Error$"

. "$root/tests/common/end_to_end.sh"

needs_modes_display "the settings dialog's run"
export DISPLAY=$QIRN_MODES_DISPLAY

# Starts the program in a working folder of its own, with its debugger output in run.log.
start_config() {
  work=$scratch/$1
  mkdir -p "$work"
  cp "$config_exe" "$work/AmbrevoConfig.exe"
  (cd "$work" && QIRN_WINE_DISPLAY=modes WINEDEBUG=+debugstr exec "$root/tools/wine-run" $((90 * e2e_slack)) ./AmbrevoConfig.exe \
    >"$work/run.log" 2>&1) &
  pid=$!
  dialog=$(wait_window "$dialog_name" 60) || fail "the dialog did not appear"
  [ -z "$(find_window "$box_name")" ] || fail "a message box appeared at start"
}

# Gives window $1 the keyboard focus, then types the keys that follow.
keys() {
  local i
  for i in $(seq 1 50); do
    xdotool windowfocus --sync "$1" 2>/dev/null && break
    sleep 0.1
  done
  sleep 0.5
  shift
  xdotool key --delay 150 "$@"
}

# Waits up to $1 seconds for the program to end; fails on a message box or a non-zero exit code.
wait_exit() {
  local i
  for i in $(seq 1 $(($1 * 10 * e2e_slack))); do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      local rc=$?
      pid=""
      [ "$rc" -eq 0 ] || fail "the program ended with $rc"
      return 0
    fi
    [ -z "$(find_window "$box_name")" ] || fail "an unexpected message box appeared"
    sleep 0.1
  done
  fail "the program did not end within $1 s"
}

expect_settings() {
  local frequency=$1 antialiasing=$2
  local expected
  expected=$(printf '%s\n' "[GFX MODE]" "Width=1024" "Height=768" "Bitdepth=32" "Frequency=$frequency" \
    "AntiAliasing=$antialiasing" "UseHighResTextures=1" "[PATHS]" "EnginePath=." 'SystemPath=.\Data\_System_' \
    'FontPath=.\Data\Fonts' 'MeshPath=.\Data\Models' 'ScenePath=.\Data\Scenes' 'SoundPath=.\Data\Sounds' \
    'TexturePath=.\Data\Textures' 'ShaderPath=.\Data\Shaders')
  [ -f "$work/qirn_v2.ini" ] || fail "no settings file"
  local actual
  actual=$(tr -d '\r' <"$work/qirn_v2.ini" | grep -v '^$')
  [ "$actual" = "$expected" ] || fail "settings file differs:
$actual"
}

# 1. A settings file chose 60 Hz and no antialiasing: the dialog opens on them, the viewer moves
#    the refresh rate one item up (70 Hz) and presses "Save And Exit". Tab order from the default
#    button: Cancel, the check box, the display mode, the refresh rate.
echo "== save a refresh rate"
mkdir -p "$scratch/save"
printf '[CONSOLE]\r\nScript=intro.txt\r\n[GFX MODE]\r\nWidth=1024\r\nHeight=768\r\nFrequency=60\r\nAntiAliasing=0\r\n' \
  >"$scratch/save/qirn_v2.ini"
start_config save
keys "$dialog" Tab Tab Tab Tab Up shift+Tab shift+Tab shift+Tab shift+Tab space
wait_exit 30
expect_settings 70 0
grep -aq "settings written to" "$work/run.log" || fail "no log line for the saved settings"

# 2. "Run Demo" with no client beside the program: the settings are saved, the error box appears,
#    and once it is answered the dialog is still there; Esc then cancels it.
echo "== run the demo without the client"
start_config noclient
keys "$dialog" shift+Tab shift+Tab space
box=$(wait_window "$box_name" 30) || fail "no error box after Run Demo"
grep -aqF "Unable to Run the Demo. Please check your installation" "$work/run.log" ||
  fail "the error box does not say it could not run the demo"
expect_settings 85 1
cp "$work/qirn_v2.ini" "$scratch/after-run.ini"
keys "$box" Return
for i in $(seq 1 100); do [ -z "$(find_window "$box_name")" ] && break; sleep 0.1; done
[ -z "$(find_window "$box_name")" ] || fail "the error box did not close"
kill -0 "$pid" 2>/dev/null || fail "the program ended after the error box"
[ -n "$(find_window "$dialog_name")" ] || fail "the dialog closed after the error box"
keys "$dialog" Escape
wait_exit 30
cmp -s "$work/qirn_v2.ini" "$scratch/after-run.ini" || fail "Cancel changed the settings file"

# 3. "Run Demo" with a client beside it: the client starts in the same folder and the dialog ends.
echo "== run the demo"
mkdir -p "$scratch/client"
cp "$fake_client" "$scratch/client/Tolvamir.exe"
start_config client
keys "$dialog" shift+Tab shift+Tab space
wait_exit 30
for i in $(seq 1 200); do [ -f "$work/client_started.txt" ] && break; sleep 0.1; done
[ -f "$work/client_started.txt" ] || fail "the client was not started"
expect_settings 85 1

echo "PASS"
