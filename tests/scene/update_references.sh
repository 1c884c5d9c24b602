#!/usr/bin/env bash
# Makes the scene frame tests' reference frames (tests/scene/references) anew from the current
# sources: builds what the tests need in the 64-bit build, draws every view of views.txt through
# both renderers and writes each frame, reduced to 320x240, as its reference PNG. Look at the
# frames (any image viewer) before committing them.
#   tests/scene/update_references.sh [dx8|gl]   (both when none is named)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${QIRN_BUILD_DIR:-$root/build}/x86_64
jobs=${QIRN_JOBS:-4}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake" \
    -DQIRN_BUILD_TESTS=ON -DQIRN_WERROR=ON >/dev/null
fi
cmake --build "$build" -j "$jobs" --target Tolvamir scene_frames_gl_host

renderers=("$@")
[ ${#renderers[@]} -gt 0 ] || renderers=(dx8 gl)
for renderer in "${renderers[@]}"; do
  QIRN_TESTENV_DIR="${QIRN_TESTENV_DIR:-$(dirname "$build")/testenv}" "$root/tools/with-testenv" \
    "$root/tests/scene/scene_frames.sh" "$renderer" update "$build/client" \
    "$build/tests/scene/scene_frames_gl_host.exe" "$build/tests/scene/Scenes" "$build/tests/scene/$renderer"
done
echo "update_references: new references in $root/tests/scene/references; git diff --stat shows which changed"
