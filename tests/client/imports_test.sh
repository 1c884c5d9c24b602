#!/usr/bin/env bash
# The client must run from its folder on a bare Windows: its executables may import only system
# DLLs (and the face-model library beside them). Checks the 64-bit program and, when that build
# exists, the 32-bit one. Usage: imports_test.sh X86_64_EXE [I686_EXE]
set -u
allowed="advapi32.dll comctl32.dll comdlg32.dll d3d8.dll d3dxof.dll dinput8.dll dmsdk.dll dsound.dll
gdi32.dll glu32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll opengl32.dll shell32.dll user32.dll
winmm.dll"
status=0
check() {
  local objdump=$1 exe=$2
  if [ ! -f "$exe" ]; then
    echo "imports_test: $exe is missing" >&2
    status=1
    return
  fi
  local dlls
  dlls=$("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
  if [ -z "$dlls" ]; then
    echo "imports_test: no import table read from $exe" >&2
    status=1
  fi
  for dll in $dlls; do
    if ! grep -qw -- "$dll" <<<"$allowed"; then
      echo "imports_test: $exe imports $dll" >&2
      status=1
    fi
  done
  echo "$exe: $(echo $dlls)"
}
check x86_64-w64-mingw32-objdump "$1"
if [ -n "${2:-}" ] && [ -f "$2" ]; then
  check i686-w64-mingw32-objdump "$2"
fi
exit $status
