#!/usr/bin/env bash
# The bench programs end to end on the installed scene, briefly: the OpenGL run with its dumped
# frame and the bare baseline drawing it, the Direct3D 8 run, the Direct3D 8 run that dumps its
# frame and the bare Direct3D 8 baseline drawing that, the skinning rate and the table made from
# their results; then the refusals of bad input. Runs inside tools/with-testenv.
# Usage: bench_end_to_end.sh BENCH_FOLDER BASELINE_FOLDER DATA_FOLDER
set -u
bench_dir=$1
baseline_dir=$2
data_dir=$3
root=$(cd "$(dirname "$0")/../../.." && pwd)

. "$root/tests/common/end_to_end.sh"

win() {
  echo "Z:${1//\//\\}"
}

work=$scratch
cd "$work" || fail "no scratch folder"
mkdir results
common=(--data "$(win "$data_dir")" --scenes "$(win "$bench_dir/BenchScenes")" --seconds 0.5 --step 0.05)

# Runs a program; its output goes to results/$1, its log to run.log.
# A program that fails shows its exit code and the last lines it wrote.
run() {
  local name=$1 rc
  shift
  WINEDEBUG=+debugstr "$root/tools/wine-run" $((120 * e2e_slack)) "$@" >"results/$name" 2>run.log
  rc=$?
  if [ "$rc" -ne 0 ]; then
    echo "$name ended with $rc; its last lines:"
    tail -n 15 run.log
  fi
  return "$rc"
}

# The value of a key in a result file.
value() {
  tr -d '\r' <"results/$1" | sed -n "s/^bench\.$2 //p"
}

# True when the value of a key is a number above the limit.
above() {
  awk -v v="$(value "$1" "$2")" -v l="$3" 'BEGIN { exit !(v != "" && v + 0 > l) }'
}

run gl.1 "$bench_dir/qirn_bench.exe" gl "${common[@]}" --dump frame.bin || fail "the OpenGL run failed"
for key in load_seconds first_frame_seconds fps update_ms submit_ms present_ms held_fps dump_triangles; do
  above gl.1 "$key" 0 || fail "the OpenGL run reported no $key: $(cat results/gl.1)"
done
[ "$(value gl.1 frames)" = "10" ] || fail "0.5 s at 0.05 s a step is 10 frames, not $(value gl.1 frames)"

run baseline.1 "$baseline_dir/qirn_baseline.exe" frame.bin --frames 10 || fail "the baseline failed"
above baseline.1 fps 0 || fail "the baseline reported no frame rate"
[ "$(value baseline.1 triangles)" = "$(value gl.1 dump_triangles)" ] ||
  fail "the baseline drew $(value baseline.1 triangles) triangles of the $(value gl.1 dump_triangles) dumped"

run dx8.1 "$bench_dir/qirn_bench.exe" dx8 "${common[@]}" || fail "the Direct3D 8 run failed"
above dx8.1 fps 0 && above dx8.1 held_fps 0 || fail "the Direct3D 8 run reported no frame rate"

run dx8dump.1 "$bench_dir/qirn_bench.exe" dx8 "${common[@]}" --dump dx8frame.bin ||
  fail "the Direct3D 8 run that dumps its frame failed"
[ -z "$(value dx8dump.1 fps)" ] || fail "the Direct3D 8 run with the recorder's hooks in place reported times"
above dx8dump.1 dump_draws 0 || fail "the Direct3D 8 frame has no draws: $(cat results/dx8dump.1)"
run baseline_dx8.1 "$baseline_dir/qirn_baseline_dx8.exe" dx8frame.bin --frames 10 ||
  fail "the Direct3D 8 baseline failed"
above baseline_dx8.1 fps 0 || fail "the Direct3D 8 baseline reported no frame rate"
for key in triangles draws; do
  [ "$(value baseline_dx8.1 $key)" = "$(value dx8dump.1 dump_$key)" ] ||
    fail "the Direct3D 8 baseline drew $(value baseline_dx8.1 $key) $key of the $(value dx8dump.1 dump_$key) dumped"
done

run skin.1 "$bench_dir/qirn_bench.exe" skin "${common[@]}" --skin-scene "$(win "$bench_dir/BenchSkin")" ||
  fail "the skinning run failed"
above skin.1 skin_vertices 0 || fail "no skinned vertices were blended"
awk -v d="$(value skin.1 skin_largest_difference)" 'BEGIN { exit !(d != "" && d + 0 < 0.001) }' ||
  fail "the engine's blend and the plain loop differ by $(value skin.1 skin_largest_difference)"

python3 "$root/tools/bench/table.py" results 1 >table.txt || fail "no table from the results"
grep -q "OpenGL frame rate / OpenGL baseline frame rate" table.txt || fail "the table lacks the OpenGL ratio"
grep -q "Direct3D 8 frame rate / Direct3D 8 baseline frame rate" table.txt || fail "the table lacks the Direct3D 8 ratio"
grep -q "skinning: engine blend rate / plain loop rate" table.txt || fail "the table lacks the skinning ratio"

# Bad input: a line that says what is wrong and exit code 1, never a hang.
"$root/tools/wine-run" $((60 * e2e_slack)) "$bench_dir/qirn_bench.exe" gl --seconds 1 >out.txt 2>err.txt
rc=$?
[ "$rc" -eq 1 ] && grep -q -- "--data and --scenes are needed" err.txt || fail "a run without --data ended with $rc"
"$root/tools/wine-run" $((60 * e2e_slack)) "$bench_dir/qirn_bench.exe" gl "${common[@]}" --step 0 >out.txt 2>err.txt
rc=$?
[ "$rc" -eq 1 ] && grep -q "must be positive" err.txt || fail "a run with a zero step ended with $rc"
"$root/tools/wine-run" $((60 * e2e_slack)) "$bench_dir/qirn_bench.exe" gl --data "$(win "$data_dir")" --scenes 'Z:\no\such\folder' \
  >out.txt 2>err.txt
rc=$?
[ "$rc" -eq 1 ] && grep -q "did not load" err.txt || fail "a run with no scene ended with $rc"
printf 'not a frame' >text.bin
"$root/tools/wine-run" $((60 * e2e_slack)) "$baseline_dir/qirn_baseline.exe" text.bin >out.txt 2>err.txt
rc=$?
[ "$rc" -eq 1 ] && grep -q "is not a dumped frame" err.txt || fail "the baseline on a text file ended with $rc"
"$root/tools/wine-run" $((60 * e2e_slack)) "$baseline_dir/qirn_baseline_dx8.exe" text.bin >out.txt 2>err.txt
rc=$?
[ "$rc" -eq 1 ] && grep -q "is not a dumped Direct3D 8 frame" err.txt ||
  fail "the Direct3D 8 baseline on a text file ended with $rc"
"$root/tools/wine-run" $((60 * e2e_slack)) "$baseline_dir/qirn_baseline_dx8.exe" dx8frame.bin --frames 0 >out.txt 2>err.txt
rc=$?
[ "$rc" -eq 1 ] && grep -q "must be positive" err.txt || fail "the Direct3D 8 baseline with no frames ended with $rc"
echo "PASS"
