#!/usr/bin/env bash
# The main job: the simulator stand-in replays a real recorded drive
# (6.5 s at Spielberg) through the simulator's shared memory; the real
# engine thread follows it under Wine, computes the force and drives the
# virtual wheel (our test dinput8.dll), printing every status change and how
# many ticks it read; then a summary of what reached the wheel.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
cmake --preset windows >/dev/null
cmake --build --preset windows >/dev/null
source scripts/wine-session.sh
start_wine_session "$PWD/build/windows/wineprefix-demo"

run=scripts/wine-run.sh
bin=build/windows/tools
ibt="Z:$(cd ../shared/fixtures && pwd | tr / '\\')\\w13_spielberg_390ticks.ibt"

mkdir -p build/demo
wheel_log=build/demo/wheel.log
rm -f "$wheel_log"
echo "== engine: gripline watch --wheel (Windows build, under Wine, virtual wheel)"
GRIPLINE_WHEEL_LOG="Z:$(pwd | tr / '\\')\\build\\demo\\wheel.log" WINEDLLOVERRIDES='dinput8=n,b' \
  $run $bin/gripline_cli/gripline.exe watch --seconds 60 --until-disconnect --wheel &
watch=$!
echo "== simulator stand-in: replaying w13_spielberg_390ticks.ibt"
$run $bin/simulator_standin/simulator_standin.exe --ibt "$ibt" --start-delay 1.5 | sed 's/^/   stand-in: /'
wait $watch

echo "== what reached the wheel ($wheel_log)"
awk '$2 == "magnitude" { n++; v = $3 < 0 ? -$3 : $3; if (v > peak) peak = v; if (!first) first = $1; last = $1 }
     $2 == "start" { starts++ }
     END { printf "   %d updates over %.1f s (%.0f per second), peak magnitude %d, effect started %d time(s)\n",
                  n, (last - first) / 1e6, n / ((last - first) / 1e6 + 1e-9), peak, starts }' "$wheel_log"
