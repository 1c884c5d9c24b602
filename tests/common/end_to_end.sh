# Shared by the end-to-end scripts, which source it: a scratch folder removed at exit together with
# the program under test ($pid), a failure that shows the program's log ($work/run.log), the skip
# where the display with real modes is missing, and waits for windows with a limit.

# Every wait and every program's time limit in these scripts is what an idle machine needs, times
# this slack: a machine busy with other work (a busy loop beside every test) still passes, and a
# program that hangs still fails, only later.
e2e_slack=${QIRN_E2E_SLACK:-3}

scratch=$(mktemp -d)
pid=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT

# The frame dumps' "Saved" lines would crowd out the lines that tell what went wrong.
fail() {
  echo "FAIL: $*"
  if [ -n "${work:-}" ] && [ -f "$work/run.log" ]; then
    echo "--- program output"
    grep -a "debugstr" "$work/run.log" | grep -v "Saved " | tail -20
  fi
  exit 1
}

# Skips the test (CTest's skip code 77, with the reason) where the display with real display modes
# is missing: it is made only by tools/with-testenv run as root.
needs_modes_display() {
  if [ -z "${QIRN_MODES_DISPLAY:-}" ]; then
    echo "SKIP: $1 needs the display with real display modes (tools/with-testenv makes it when run as root)"
    exit 77
  fi
}

# Wine names a window before it maps it; only a mapped window takes the keyboard focus.
find_window() {
  xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1
}

# Waits up to $2 seconds for a window named like $1; prints its id.
wait_window() {
  local i w
  for i in $(seq 1 $(($2 * 10 * e2e_slack))); do
    w=$(find_window "$1")
    if [ -n "$w" ]; then
      echo "$w"
      return 0
    fi
    sleep 0.1
  done
  return 1
}
