#!/usr/bin/env bash
# Prints the benchmark figures: the cost of one telemetry read natively and
# under Wine, and the delay from the simulator's SetEvent to the engine's
# tick start with the real engine thread under Wine; how many updates a
# second the output stage sends to the (virtual) wheel, how long a new force
# takes to reach it, and (through Wine's own dinput8 and the PID wheel) how
# long from the simulator's tick to the report carrying its first sample.
# Then the cost of one tick of the force model natively and under Wine, and
# under Wine, a minute in each mode and a minute of the busy-wait baseline,
# with the real output thread on the virtual wheel: the lateness of every
# output sample, the time from the simulator's publish of each tick to the
# wheel's SetParameters carrying its first sample, and the processor share
# of the engine thread and of its whole process. Then the cost of a
# recording push and the writer's pace, and the time and peak memory to
# analyse recordings of 1 and 10 hours, natively and under Wine.
#
set -euo pipefail
cd "$(dirname "$0")/.."
only_timing=false
[ "${1:-}" = timing ] && only_timing=true
bash scripts/bootstrap.sh
cmake --preset linux >/dev/null && cmake --build --preset linux >/dev/null
cmake --preset windows >/dev/null && cmake --build --preset windows >/dev/null
source scripts/wine-session.sh
start_wine_session "$PWD/build/windows/wineprefix-bench"

mkdir -p build/bench
figures=build/bench/figures.txt
: >"$figures"
# Runs one benchmark: its "@figure NAME VALUE" lines are kept for
# figures.json, the others printed under the label, continued lines indented.
show() {
  local label=$1 out
  shift
  out=$("$@")
  grep '^@figure ' <<<"$out" | cut -d' ' -f2- >>"$figures" || true
  grep -v '^@figure ' <<<"$out" | sed "1s/^/$label/; 2,\$s/^/         /"
}

fixture="Z:$(cd ../shared/fixtures && pwd | tr / '\\')\\irsdk_live_w13_monza.bin"
$only_timing || show "native:  " build/linux/bench/read_latest_bench
$only_timing || show "wine:    " scripts/wine-run.sh build/windows/bench/read_latest_bench.exe "$fixture"
show "wine:    " scripts/wine-run.sh build/windows/bench/tick_latency_bench.exe
show "wine:    " env WINEDLLOVERRIDES='dinput8=n,b' scripts/wine-run.sh build/windows/bench/wheel_output_bench.exe
# The same through Wine's own dinput8 and the PID wheel, in a prefix of its
# own (the wheel stays installed there).
rm -rf build/windows/wineprefix-bench-pid # a fresh device, from this build's driver
winpath() { echo "Z:$(cd "$(dirname "$1")" && pwd | tr / '\\')\\$(basename "$1")"; }
show "wine:    " env WINEPREFIX="$PWD/build/windows/wineprefix-bench-pid" WINEDLLOVERRIDES= \
  scripts/wine-run.sh build/windows/bench/wheel_output_bench.exe --pid \
  "$(winpath build/windows/tools/pid_wheel/pid_wheel.exe)" "$(winpath tools/pid_wheel/descriptors/openffboard_wheel.hid)"
$only_timing || show "wine:    " env WINEDLLOVERRIDES= scripts/wine-run.sh build/windows/bench/device_look_bench.exe
$only_timing || show "wine:    " env WINEDLLOVERRIDES='dinput8=n,b' scripts/wine-run.sh build/windows/bench/device_look_bench.exe
$only_timing || show "native:  " build/linux/bench/force_model_bench
$only_timing || show "wine:    " scripts/wine-run.sh build/windows/bench/force_model_bench.exe
show "wine:    " env WINEDLLOVERRIDES='dinput8=n,b' scripts/wine-run.sh build/windows/bench/sample_schedule_bench.exe
if ! $only_timing; then
  show "native:  " build/linux/bench/recording_bench
  show "wine:    " scripts/wine-run.sh build/windows/bench/recording_bench.exe
  for hours in 1 10; do
    show "native:  " build/linux/bench/analyze_bench $hours
    show "wine:    " scripts/wine-run.sh build/windows/bench/analyze_bench.exe $hours
  done
fi

python3 - "$figures" build/bench/figures.json <<'PY'
import json, sys
figures = {}
for line in open(sys.argv[1]):
    name, value = line.split()
    figures[name] = float(value)
with open(sys.argv[2], "w") as out:
    json.dump(figures, out, indent=2)
    out.write("\n")
PY
echo "figures: build/bench/figures.json"
