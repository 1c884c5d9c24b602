#!/usr/bin/env bash
# Tolvamir.exe end to end with a renderer: started under wine in an install folder of its own on the
# test display, with a settings file and a start-up console script, driven with xdotool. A client
# that cannot start (no renderer, a message box, a failing exit code) fails it: it never skips.
# Every wait has a limit.
# Usage: client_scene_end_to_end.sh CLIENT_FOLDER (inside tools/with-testenv)
set -u
client_dir=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
main_title="^Kelvane Graphics Inc\. - Underwater Ambrevo$"
box_title="^Kelvane Graphics Inc\.$"

. "$root/tests/common/end_to_end.sh"

# Waits up to $2 seconds for a file; true when it is there.
wait_file() {
  local i
  for i in $(seq 1 $(($2 * 10 * e2e_slack))); do
    [ -f "$1" ] && return 0
    sleep 0.1
  done
  return 1
}

# An install folder with a settings file for the test display and the start-up script given.
install() {
  work=$scratch/$1
  mkdir -p "$work"
  cp "$client_dir/Tolvamir.exe" "$client_dir/AmbrevoConfig.exe" "$client_dir"/*.dll "$work/"
  cp -r "$client_dir/Data" "$work/"
  printf '[GFX MODE]\r\nWidth=1024\r\nHeight=768\r\nFrequency=0\r\nAntiAliasing=0\r\n[CONSOLE]\r\nScript=start.txt\r\n[PATHS]\r\nEnginePath=.\r\nSystemPath=.\\Data\\_System_\r\nScenePath=.\\Data\\Scenes\r\nSoundPath=.\\Data\\Sounds\r\nMeshPath=.\\Data\\Models\r\nTexturePath=.\\Data\\Textures\r\nShaderPath=.\\Data\\Shaders\r\n' >"$work/qirn_v2.ini"
  printf '%b' "$2" >"$work/start.txt"
}

start_client() {
  (cd "$work" && WINEDEBUG=+debugstr exec "$root/tools/wine-run" $((90 * e2e_slack)) ./Tolvamir.exe >"$work/run.log" 2>&1) &
  pid=$!
}

logged() {
  grep -aqF -- "$1" "$work/run.log"
}

# Waits up to $1 seconds for the program to end with exit code 0; a message box fails the run.
wait_exit() {
  local i rc
  for i in $(seq 1 $(($1 * 10 * e2e_slack))); do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      rc=$?
      pid=""
      logged "Creation of DX8 API FAILED" && fail "the engine made no Direct3D 8 renderer"
      [ "$rc" -eq 0 ] || fail "the program ended with $rc"
      return 0
    fi
    [ -z "$(find_window "$box_title")" ] || fail "a message box appeared"
    sleep 0.1
  done
  fail "the program did not end within $1 s"
}

# Waits up to $2 seconds for a log line; the program ending or a message box fails the run.
wait_logged() {
  local i
  for i in $(seq 1 $(($2 * 10 * e2e_slack))); do
    logged "$1" && return 0
    kill -0 "$pid" 2>/dev/null || fail "the program ended before it logged: $1"
    [ -z "$(find_window "$box_title")" ] || fail "a message box appeared"
    sleep 0.1
  done
  fail "not logged within $2 s: $1"
}

# Waits until no frame named $1* has been dumped for three seconds: a command typed into the
# console runs only once its characters have reached it, one a frame, which on a busy machine can
# be after the console key has closed the console again.
dumps_stop() {
  local i count last=-1
  for i in $(seq 1 $((20 * e2e_slack))); do
    count=$(ls "$1"*.bmp 2>/dev/null | wc -l)
    [ "$count" -eq "$last" ] && return 0
    last=$count
    sleep 3
  done
  return 1
}

# Gives the client's window the keyboard focus, then types the keys that follow.
keys() {
  local window i
  window=$(wait_window "$main_title" 30) || fail "the client's window did not appear"
  for i in $(seq 1 50); do
    xdotool windowfocus --sync "$window" 2>/dev/null && break
    sleep 0.1
  done
  sleep 0.3
  xdotool key --delay 120 "$@"
}

# Switches the developer controls on by typing their sequence. Typed characters reach the client
# one window message a frame, while a key's action comes through DirectInput in the frame the key
# went down, so a console key typed right after the sequence could act before the sequence is
# complete. The visibility swap typed twice after it logs its lines once every character before
# it has been taken: then the developer controls are on, and the scene is as it was.
developer_controls() {
  keys q u o r v a n e v e l k o m a r i n d u s
  wait_logged 'SetMeshActorRender() - \"[Sort:05]_Fish_Shark_01\" hidden' 20
  keys v e l k o m a r i n d u s
  wait_logged 'SetMeshActorRender() - \"[Sort:05]_Fish_Shark_01\" shown' 20
}

# 1. A scripted run: frames dumped from the start, the exit after one second of engine time; the
#    unscrambled scene files are gone once the scene is loaded.
echo "== scripted run"
install scripted 'dumpframes frame_\r\nsetworldtime 10\r\nexit 1\r\n'
start_client
wait_exit 60
ls "$work"/frame_*.bmp >/dev/null 2>&1 || fail "no frames were dumped"
first=$(ls "$work"/frame_*.bmp | head -n1)
[ "$(od -An -tu4 -j18 -N4 "$first" | tr -d ' ')" = "1024" ] || fail "$first is not 1024 pixels wide"
[ ! -f "$work/Data/Scenes/AmbrevoFull.w" ] || fail "the unscrambled world file was left"
[ ! -f "$work/Data/Scenes/AmbrevoFull.s" ] || fail "the unscrambled shader file was left"
logged "m_poEngine->LoadWorld() FAILED" && fail "the scene did not load"
logged "m_oCameraOne.Init() FAILED" && fail "the camera controller found no camera"
logged "Load Mesh FAILED" && fail "a model of the scene did not load"
# What a good start logs: the Direct3D 8 device made its shaders, the scene's animations and the
# diver's visemes were read, and the frames were saved.
logged "QIRN_Graphics_DX8::CreateVertexShader() - Using PPL" || fail "the renderer made no vertex shader"
logged "QIRN_XFILE::LoadAnimationSequences(): Load successful." || fail "no animation of the scene was read"
logged "QIRN_Xfile_Object :: LoadVisemes(): Finished loading visemes!" || fail "the diver's visemes were not read"
logged "Saved frame_" || fail "the frames were not logged"
# The scene shows: the last frame is no flat fill (a black or cleared-only frame would be).
last=$(ls "$work"/frame_*.bmp | tail -n1)
python3 - "$last" <<'EOF2' || fail "$last shows no scene"
import struct, sys
data = open(sys.argv[1], "rb").read()
offset = struct.unpack_from("<I", data, 10)[0]
width, height = struct.unpack_from("<ii", data, 18)
step = struct.unpack_from("<H", data, 28)[0] // 8
row = (width * step + 3) & ~3
# Every eighth pixel of every eighth row; the commonest is the background.
pixels = [data[offset + y * row + x * step : offset + y * row + x * step + 3]
          for y in range(0, abs(height), 8) for x in range(0, width, 8)]
background = max(set(pixels), key=pixels.count)
others = sum(1 for p in pixels if p != background)
sys.exit(0 if background != bytes(3) and others * 100 >= len(pixels) else 1)
EOF2

# 2. Developer controls typed in, the screenshot key, then the console opened with the grave key
#    and a command typed into it ends the program.
echo "== developer controls and the console"
install console 'dumpframes first_\r\nfpslock 5\r\n'
start_client
# Keys typed while the scene still loads are dropped: the first frame dumped says it has loaded.
# Frame capture names every frame's dump, so the console turns it off before the screenshot key.
wait_logged "Saved first_" 60
developer_controls
keys grave
sleep 0.5
keys d u m p f r a m e s Return
dumps_stop "$work/first_" || fail "frame capture did not stop"
keys grave
sleep 0.5
keys Print
wait_file "$work/test.bmp" 20 || fail "the screenshot key wrote no test.bmp"
keys grave
sleep 0.5
keys q u i t Return
wait_exit 30

# 3. Tab steps through the cameras in name order, from the first one that the load selected; the
#    typed visibility swap switches the two mesh actors.
echo "== camera switching and the visibility swap"
install cameras 'dumpframes frame_\r\nfpslock 5\r\n'
start_client
wait_logged "Saved frame_" 60
keys Tab
# The debugger output shows the quotes of a log line escaped.
wait_logged 'now viewing through \"Cam02_Glide\"' 20
keys Tab
wait_logged 'now viewing through \"Cam03_Drift\"' 20
keys Tab
wait_logged 'now viewing through \"Cam04_SharkFollow\"' 20
keys Tab
wait_logged 'now viewing through \"Cam09_TalkingHeads\"' 20
keys Tab
wait_logged 'now viewing through \"FreeCam01\"' 20
keys Tab
wait_logged 'now viewing through \"Cam01_Reef\"' 20
# The typed visibility swap hides the shark and shows the coral, and typed again turns them back.
keys v e l k o m a r i n d u s
wait_logged 'SetMeshActorRender() - \"[Sort:05]_Fish_Shark_01\" hidden' 20
wait_logged 'SetMeshActorRender() - \"[Sort:05]_Coral_Pinky\" shown' 20
keys v e l k o m a r i n d u s
wait_logged 'SetMeshActorRender() - \"[Sort:05]_Fish_Shark_01\" shown' 20
wait_logged 'SetMeshActorRender() - \"[Sort:05]_Coral_Pinky\" hidden' 20
logged "is not a mesh actor" && fail "an actor of the swap is not a mesh actor"
keys Escape
wait_exit 30

# 4. Esc while a world loads: a world typed into the console that takes long to load (thousands of
#    cameras, each a step of the loading screen) is stopped, its unscrambled files go, and the
#    client renders on through the partly loaded world's first camera until it is told to quit.
echo "== Esc during loading"
install cancelled 'dumpframes first_\r\nfpslock 5\r\n'
python3 - "$work/Data/Scenes/deep.w" <<'EOF'
import sys
with open(sys.argv[1], "w", newline="\r\n") as out:
    out.write("qirn_world_version2.0\n{\n    WorldName { Deep }\n")
    for i in range(20000):
        out.write("    QIRN_CameraActor { Name { Deep%05d } Position { 0.0 0.0 -100.0 1.0 } }\n" % i)
    out.write("}\n")
EOF
start_client
# Keys reach the console only once the scene has loaded: the first frame dumped says so.
wait_logged "Saved first_" 60
developer_controls
keys grave
sleep 0.5
keys d u m p f r a m e s Return l o a d space d e e p Return
wait_file "$work/Data/Scenes/AmbrevoFull.w" 30 || fail "the load did not start"
xdotool key Escape
wait_logged "*** QUITTING" 30
[ ! -f "$work/Data/Scenes/AmbrevoFull.w" ] || fail "the unscrambled world file was left"
[ ! -f "$work/Data/Scenes/AmbrevoFull.s" ] || fail "the unscrambled shader file was left"
logged "m_poEngine->LoadWorld() FAILED" && fail "the stopped load was taken for a failure"
keys d u m p f r a m e s space a f t e r underscore Return
wait_logged "Saved after_" 30
ls "$work"/after_*.bmp >/dev/null 2>&1 || fail "nothing was rendered after the stopped load"
logged "m_poCamera is NULL" && fail "the camera controller was left without a camera"
keys q u i t Return
wait_exit 30
echo "PASS"
