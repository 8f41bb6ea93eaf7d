#!/usr/bin/env bash
# Soak: shows whether the main job and the Wine test suite hold, on a quiet
# machine and on a busy one. Runs the main job (scripts/demo.sh) N times in a
# row, then the Windows tests under Wine once with two busy processes beside
# them (the shared 2-core machines are rarely idle, and load shakes out races
# a quiet machine hides). With --busy the main-job runs have the two busy
# processes beside them too. Each run's log is kept in build/soak/. Not run
# by CI.
#
#   bash scripts/soak.sh [--busy] N
set -uo pipefail
cd "$(dirname "$0")/.."
busy_main=no
if [ "${1:-}" = --busy ]; then
  busy_main=yes
  shift
fi
runs=${1:-}
if ! [[ "$runs" =~ ^[0-9]+$ ]] || [ "$runs" -lt 1 ]; then
  echo "usage: scripts/soak.sh [--busy] N   (N main-job runs, then the Wine tests once)" >&2
  exit 2
fi

logs=build/soak
rm -rf "$logs"
mkdir -p "$logs"

load_pids=()
stop_load() {
  for pid in "${load_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  load_pids=()
}
start_load() {
  for _ in 1 2; do
    yes >/dev/null &
    load_pids+=($!)
  done
}
trap stop_load EXIT
trap 'stop_load; exit 130' INT TERM

passed=0
failed=0
judge() { # NAME LOG STATUS
  if [ "$3" -eq 0 ]; then
    passed=$((passed + 1))
    echo "   $1: passed"
  else
    failed=$((failed + 1))
    echo "   $1: FAILED (exit $3), log in $2"
  fi
}

beside="a quiet machine"
if [ "$busy_main" = yes ]; then
  start_load
  beside="2 busy processes beside it"
fi
for i in $(seq "$runs"); do
  log="$logs/main-job-$i.log"
  echo "== main job $i of $runs ($beside)"
  bash scripts/demo.sh >"$log" 2>&1
  judge "main job $i" "$log" $?
done
[ ${#load_pids[@]} -eq 0 ] && start_load

# The Wine tests as scripts/test.sh builds and runs them, in a subshell so
# the Wine session (prefix, Xvfb) is torn down when it ends.
log="$logs/wine-tests.log"
echo "== the Wine tests (2 busy processes beside them)"
(
  set -e
  cmake --preset windows >/dev/null
  cmake --build --preset windows
  source scripts/wine-session.sh
  start_wine_session "$PWD/build/windows/wineprefix-soak"
  ctest --preset windows --output-on-failure
) >"$log" 2>&1
judge "Wine tests" "$log" $?

stop_load
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
