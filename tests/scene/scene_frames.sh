#!/usr/bin/env bash
# The scene's frames at fixed world times (views.txt), drawn and compared with the reference frames
# in references/RENDERER/ (frames.py says how), or written as the new references.
#
#   dx8: Tolvamir.exe full screen at 640x480 in an install folder of its own, once per view, with a
#        start-up console script that sets the world time, names the frame dumps and exits: the
#        client loads the world at that time and draws its first frame there with a step of 0,
#        so the frame does not depend on how fast the machine is. A view through another camera
#        is reached as a viewer gets there (camera_view below).
#   gl:  scene_frames_gl_host.exe draws every view through the OpenGL renderer in one run.
#
# Either run fails on a log line that tells of a failure ("FAILED" or "***"), except the known
# harmless ones listed below.
#
# Usage (inside tools/with-testenv):
#   scene_frames.sh dx8|gl compare|update CLIENT_FOLDER GL_HOST SCENES OUT_FOLDER
set -u
renderer=$1
mode=$2
client_dir=$3
gl_host=$4
scenes=$5
out=$6
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
references=$here/references/$renderer
width=640
height=480
main_title="^Kelvane Graphics Inc\. - Underwater Ambrevo$"
box_title="^Kelvane Graphics Inc\.$"

. "$root/tests/common/end_to_end.sh"

# The display with real display modes takes the client's 640x480 full-screen mode (tools/with-testenv
# makes it when run as root); without it the Direct3D 8 frames are skipped. The client asks for an
# exact refresh rate: 60 Hz is among the dummy driver's 640x480 modes.
display_kind=""
show=${DISPLAY:-}
rate=0
if [ -n "${QIRN_MODES_DISPLAY:-}" ]; then
  display_kind=modes
  show=$QIRN_MODES_DISPLAY
  rate=60
elif [ "$renderer" = dx8 ]; then
  # The plain virtual display has only its own 1024x768 mode.
  needs_modes_display "the Direct3D 8 frames"
fi

# The engine marks some lines of information with "***" as well. These, and the lines that say
# FAILED or *** and are no fault of the scene, are allowed (extended regular expressions):
allowed=(
  # The OpenGL renderer's banner and its report of the extensions the driver has.
  '"(\\n)?\*{10,}'
  'QIRN_Extensions_GL::Initialize\(\) - [A-Za-z0-9_]+ extension supported by hardware\.'
  'QIRN_ARB_Multitexture_GL::glActiveTexture\(\) - Getting pointer to glActiveTextureARB\(\)(\.\.\.| successful)"'
  # The .x importer names the animation file it reads and says when it has read it.
  'QIRN_XFILE::LoadAnimationSequences\(\): (Loading [^ ]+\.x\.|Load successful\.)\\n"$'
  # The viseme and face-model loaders tell what they read and how many triangles they keep.
  'QIRN_Xfile_Object :: LoadVisemes\(\): (Loading visemes!|Finished loading visemes!)\\n"$'
  'QIRN_DMK::LoadDMKFile\(\): Initialising Digimask SDK\.\.\.\\n"$'
  'QIRN_DMK::SceneGraph_InitFromDigimask\(\): (Default|Final) (Scene|Skin Mesh) Triangle Count *: [0-9]+(\\n)+"$'
  'QIRN_DMK::SceneGraph_InitFromDigimask\(\): Requesting scene tesselation\\n"$'
  # The Direct3D 8 renderer tells which vertex-processing path a shader takes and spells out the
  # vertex declaration it makes from a vertex format.
  'QIRN_Graphics_DX8::Create(Vertex|Pixel)Shader\(\) - Using PPL(\((SW|HW|Prepass)\))?\\n"$'
  'GenerateVSDFromFVF\(\) - +D3DVSD_(STREAM\([0-9]+\)|END\(\)|REG\([0-9]+, D3DVSDT_[A-Z0-9]+\) +// [A-Za-z0-9 ]+)\\n"$'
  # The render target's view is drawn with the plug-in actor in it too. The plug-in writes its
  # pixels to the back buffer, which is not where that view is drawn: they are left out of the
  # render target (said once), and drawn into the frame itself.
  'QIRN_Graphics_DX8::DrawPixel\(\) - Unable to lock the backbuffer!\\n"$'
  # The console makes its font when it first opens.
  'QIRN_Graphics::SetFont\(\) - (Creating font!|Font created successfully!)\\n"$'
  # The client asks the display driver for its version to choose its hints; wine's driver has no
  # version record, and the hints then do nothing.
  'cTolvamir::QueryDriverVersion\(\) - PackageVer query FAILED\\n"$'
  # Mesa's Direct3D 8 device has no 24-bit depth buffer with 4 bits of stencil; the renderer takes
  # the next depth format the device has, which draws the same.
  'QIRN_Graphics_DX8::SetRenderingParams\(\) - Depth format 76 refused, using [0-9]+\\n"$'
  # A pass that names no vertex format gets the default one of its mesh (positions, normals,
  # colour and texture coordinates; blend weights for a skin).
  'QIRN_Mesh_DX8::Load(Mesh|Skin)Data\(\) - Warning, found a shader with FVF == 0(, using GRAPHICS_FVF_DEFAULTBLENDVERTEX)?\\n"$'
)

# Fails on the first log lines that tell of a failure and are not allowed above.
check_log() {
  local pattern bad
  bad=$(grep -a 'debugstr' "$1" | grep -aE 'FAILED|\*\*\*')
  for pattern in "${allowed[@]}"; do
    bad=$(printf '%s\n' "$bad" | grep -avE -- "$pattern")
  done
  bad=$(printf '%s\n' "$bad" | sed '/^$/d')
  if [ -n "$bad" ]; then
    echo "FAIL: $2 logged failures:"
    printf '%s\n' "$bad" | head -n 20
    return 1
  fi
  return 0
}

# The views: "name time camera cap regions" per line, camera "-" for the client's first camera, cap
# "-" for the comparison's own cap and regions "-" for none.
views=()
while read -r name time camera cap regions _; do
  case "$name" in ''|'#'*) continue ;; esac
  views+=("$name $time ${camera:--} ${cap:--} ${regions:--}")
done <"$here/views.txt"
[ ${#views[@]} -gt 0 ] || fail "no views in $here/views.txt"

rm -rf "$out"
mkdir -p "$out"
frames_dir=$scratch/frames
mkdir -p "$frames_dir"

# Writes the settings file and the start-up script of a client install folder.
write_settings() {
  {
    printf '[GFX MODE]\r\nWidth=%s\r\nHeight=%s\r\nFrequency=%s\r\nAntiAliasing=0\r\n' "$width" "$height" "$rate"
    printf '[CONSOLE]\r\nScript=start.txt\r\n'
    printf '[PATHS]\r\nEnginePath=.\r\nSystemPath=.\\Data\\_System_\r\nFontPath=.\\Data\\Fonts\r\n'
    printf 'MeshPath=.\\Data\\Models\r\nScenePath=.\\Data\\Scenes\r\nSoundPath=.\\Data\\Sounds\r\n'
    printf 'TexturePath=.\\Data\\Textures\r\nShaderPath=.\\Data\\Shaders\r\n'
  } >"$work/qirn_v2.ini"
}

# Waits for the client to end; a message box fails the run (and is dismissed so no program stays).
wait_client() {
  local i rc box
  for i in $(seq 1 $((900 * e2e_slack))); do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      rc=$?
      pid=""
      [ "$rc" -eq 0 ] || fail "$1: the client ended with $rc"
      return 0
    fi
    box=$(DISPLAY=$show xdotool search --onlyvisible --name "$box_title" 2>/dev/null | head -n1)
    if [ -n "$box" ]; then
      DISPLAY=$show xdotool windowfocus --sync "$box" key Return 2>/dev/null
      fail "$1: a message box appeared"
    fi
    sleep 0.1
  done
  fail "$1: the client did not end within $((90 * e2e_slack)) s"
}

logged() {
  grep -aqF -- "$1" "$work/run.log"
}

# Waits up to $2 seconds for a log line; the program ending or a message box fails the run.
wait_logged() {
  local i
  for i in $(seq 1 $(($2 * 10 * e2e_slack))); do
    logged "$1" && return 0
    kill -0 "$pid" 2>/dev/null || fail "the client ended before it logged: $1"
    [ -z "$(DISPLAY=$show xdotool search --onlyvisible --name "$box_title" 2>/dev/null)" ] ||
      fail "a message box appeared"
    sleep 0.1
  done
  fail "not logged within $2 s: $1"
}

# Gives the client's window the keyboard focus, then types the keys that follow.
keys() {
  local window="" i
  for i in $(seq 1 $((300 * e2e_slack))); do
    window=$(DISPLAY=$show xdotool search --onlyvisible --name "$main_title" 2>/dev/null | head -n1)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || fail "the client's window did not appear"
  for i in $(seq 1 50); do
    DISPLAY=$show xdotool windowfocus --sync "$window" 2>/dev/null && break
    sleep 0.1
  done
  sleep 0.3
  DISPLAY=$show xdotool key --delay 120 "$@"
}

start_client() {
  (cd "$work" && QIRN_WINE_DISPLAY=$display_kind WINEDEBUG=+debugstr exec "$root/tools/wine-run" $((90 * e2e_slack)) \
    ./Tolvamir.exe >"$work/run.log" 2>&1) &
  pid=$!
}

# The view through the client's first camera: the start-up script sets the world time, names the
# frame dumps and asks to exit, so the client loads the world at that time and draws one frame
# there with a step of 0 before it ends.
first_camera_view() {
  printf 'setworldtime %s\r\ndumpframes view_\r\nexit\r\n' "$2" >"$work/start.txt"
  start_client
  wait_client "$1"
}

# The view through another camera, as a viewer gets there: once the scene shows, Pause holds the
# world still and Tab steps to the camera; the console (opened with the developer controls) sets
# the world time and names the frame dumps, and once it has closed again (it slides away) the
# frames show the paused world at that time. The last frame dumped is the view.
camera_view() {
  local name=$1 time=$2 camera=$3 i
  printf 'fpslock 10\r\ndumpframes shown_\r\n' >"$work/start.txt"
  start_client
  wait_logged "Saved shown_" 60
  keys Pause
  for i in $(seq 1 30); do
    logged "now viewing through \\\"$camera\\\"" && break
    keys Tab
    sleep 0.3
  done
  logged "now viewing through \\\"$camera\\\"" || fail "$name: Tab never reached the camera $camera"
  # The developer controls: typed characters reach the client one window message a frame, while
  # the console key acts through DirectInput in the frame it goes down. The visibility swap typed
  # twice after the sequence logs its lines once the sequence has been taken, and leaves the scene
  # as it was.
  keys q u o r v a n e v e l k o m a r i n d u s
  wait_logged 'SetMeshActorRender() - \"[Sort:05]_Fish_Shark_01\" hidden' 20
  keys v e l k o m a r i n d u s
  wait_logged 'SetMeshActorRender() - \"[Sort:05]_Fish_Shark_01\" shown' 20
  keys grave
  sleep 0.5
  keys $(echo "setworldtime $time" | sed 's/./& /g; s/  / space /g; s/\./ period /g') Return
  keys d u m p f r a m e s space v i e w underscore Return
  # Typed characters wait in the window's queue while the console key acts at once: the console
  # closes only once the typed commands have run (a busy machine draws few frames a second).
  wait_logged "Saved view_" 60
  keys grave
  # Twenty frames more (two seconds at ten a second) are far more than the console takes to slide
  # away, however slowly the machine draws them.
  local before
  before=$(ls "$work"/view_*.bmp 2>/dev/null | wc -l)
  for i in $(seq 1 600); do
    [ "$(ls "$work"/view_*.bmp 2>/dev/null | wc -l)" -ge $((before + 20)) ] && break
    sleep 0.1
  done
  keys Escape
  wait_client "$name"
}

draw_dx8() {
  work=$scratch/client
  mkdir -p "$work"
  cp "$client_dir"/*.exe "$client_dir"/*.dll "$work/" 2>/dev/null
  cp -r "$client_dir/Data" "$work/"
  write_settings
  local view name time camera frame
  for view in "${views[@]}"; do
    read -r name time camera _ <<<"$view"
    rm -f "$work"/view_*.bmp "$work"/shown_*.bmp
    if [ "$camera" = "-" ]; then
      first_camera_view "$name" "$time"
    else
      camera_view "$name" "$time" "$camera"
    fi
    cp "$work/run.log" "$out/$name.log"
    check_log "$work/run.log" "$name" || exit 1
    frame=$(ls "$work"/view_*.bmp 2>/dev/null | tail -n1)
    [ -n "$frame" ] || fail "$name: no frame was dumped"
    mv "$frame" "$frames_dir/$name.bmp"
  done
}

draw_gl() {
  work=$scratch/gl
  mkdir -p "$work"
  cp "$gl_host" "$client_dir"/*.dll "$work/" 2>/dev/null
  local args=() view name time camera
  for view in "${views[@]}"; do
    read -r name time camera _ <<<"$view"
    args+=("$name" "$time" "$camera")
  done
  (cd "$work" && WINEDEBUG=+debugstr exec "$root/tools/wine-run" $((120 * e2e_slack)) "./$(basename "$gl_host")" \
    "Z:$client_dir/Data" "Z:$scenes" "Z:$frames_dir" "$width" "$height" "${args[@]}" >"$work/run.log" 2>&1) &
  pid=$!
  wait "$pid"
  local rc=$?
  pid=""
  cp "$work/run.log" "$out/gl.log"
  grep -a '^scene frames' "$work/run.log"
  [ "$rc" -eq 0 ] || fail "the OpenGL host ended with $rc"
  check_log "$work/run.log" "the OpenGL host" || exit 1
}

"draw_$renderer"

status=0
for view in "${views[@]}"; do
  read -r name time camera cap regions <<<"$view"
  frame=$frames_dir/$name.bmp
  [ -f "$frame" ] || fail "$name: no frame"
  # A frame of one flat colour says the scene was not drawn at all.
  ink=$(python3 "$here/frames.py" ink "$frame") || fail "$name: the frame cannot be read"
  python3 -c "import sys; sys.exit(0 if float('$ink') >= 0.05 else 1)" || fail "$name: the frame is a flat fill"
  if [ "$mode" = update ]; then
    mkdir -p "$references"
    python3 "$here/frames.py" reduce "$frame" "$references/$name.png" || fail "$name: not reduced"
    echo "$name: reference written: $references/$name.png"
  else
    [ "$cap" = "-" ] && cap=768
    [ "$regions" = "-" ] && regions=""
    python3 "$here/frames.py" compare "$frame" "$references/$name.png" "$out" "$name" "$cap" $regions || status=1
  fi
done
if [ "$status" -ne 0 ]; then
  echo "FAIL: frames differ from their references (the frames and difference images are in $out;"
  echo "      if the scene was changed on purpose, tests/scene/update_references.sh makes new references)"
  exit 1
fi
echo "PASS"
