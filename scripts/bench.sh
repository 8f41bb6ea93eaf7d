#!/usr/bin/env bash
# Prints the benchmark figures: the cost of one telemetry read natively and
# under Wine, and the delay from the simulator's SetEvent to the engine's
# tick start with the real engine thread under Wine. Then the cost of one
# tick of the force model natively and under Wine, and under Wine the
# lateness of every output sample and the engine thread's CPU use, a minute
# in each mode. Then the cost of a recording push and the writer's pace, and
# the time and peak memory to analyse recordings of 1 and 10 hours, natively
# and under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
cmake --preset linux >/dev/null && cmake --build --preset linux >/dev/null
cmake --preset windows >/dev/null && cmake --build --preset windows >/dev/null
source scripts/wine-session.sh
start_wine_session "$PWD/build/windows/wineprefix-bench"

echo "native:  $(build/linux/bench/read_latest_bench)"
fixture="Z:$(cd ../shared/fixtures && pwd | tr / '\\')\\irsdk_live_w13_monza.bin"
echo "wine:    $(scripts/wine-run.sh build/windows/bench/read_latest_bench.exe "$fixture")"
echo "wine:    $(scripts/wine-run.sh build/windows/bench/tick_latency_bench.exe)"
echo "wine:    $(WINEDLLOVERRIDES='dinput8=n,b' scripts/wine-run.sh build/windows/bench/wheel_output_bench.exe | tr '\n' ';' | sed 's/;$//; s/;/\n         /g')"
echo "native:  $(build/linux/bench/force_model_bench | sed '2,$s/^/         /')"
echo "wine:    $(scripts/wine-run.sh build/windows/bench/force_model_bench.exe | sed '2,$s/^/         /')"
echo "wine:    $(scripts/wine-run.sh build/windows/bench/sample_schedule_bench.exe | sed '2,$s/^/         /')"
echo "native:  $(build/linux/bench/recording_bench | sed '2,$s/^/         /')"
echo "wine:    $(scripts/wine-run.sh build/windows/bench/recording_bench.exe | sed '2,$s/^/         /')"
for hours in 1 10; do
  echo "native:  $(build/linux/bench/analyze_bench $hours)"
  echo "wine:    $(scripts/wine-run.sh build/windows/bench/analyze_bench.exe $hours)"
done
