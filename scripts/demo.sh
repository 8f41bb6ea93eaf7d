#!/usr/bin/env bash
# The main job: the simulator stand-in replays a real recorded drive
# (6.5 s at Spielberg) through the simulator's shared memory, and the real
# engine thread follows it under Wine, printing every status change and how
# many ticks it read.
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

echo "== engine: gripline watch (Windows build, under Wine)"
$run $bin/gripline_cli/gripline.exe watch --seconds 60 --until-disconnect &
watch=$!
echo "== simulator stand-in: replaying w13_spielberg_390ticks.ibt"
$run $bin/simulator_standin/simulator_standin.exe --ibt "$ibt" --start-delay 1.5 | sed 's/^/   stand-in: /'
wait $watch
