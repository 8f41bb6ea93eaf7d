#!/usr/bin/env bash
# A fuzzing campaign: builds the libFuzzer targets (preset linux-fuzz: clang,
# ASan and UBSan) and runs each for SECONDS (default 60) from its seeds in
# tests/fuzz/corpus/<target>/ and what earlier runs found (build/fuzz/corpus,
# kept between runs, so campaigns add up). Prints per target the executions,
# the coverage and the crashes, then "N passed, M failed"; a target passes
# when nothing crashed and no invariant failed. A crashing input is kept in
# build/fuzz/artifacts/<target>/, the target's log in build/fuzz/logs/.
#
#   bash scripts/fuzz.sh [SECONDS]
#   build/linux-fuzz/tests/fuzz/fuzz_recording build/fuzz/artifacts/fuzz_recording/crash-...  # replay one
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  echo "usage: scripts/fuzz.sh [SECONDS]   (seconds per target, default 60)" >&2
  exit 2
fi
bash scripts/bootstrap.sh || exit 1
{ cmake --preset linux-fuzz >/dev/null && cmake --build --preset linux-fuzz; } || exit 1

bin=build/linux-fuzz/tests/fuzz
# The recording and settings targets write a scratch file per input: in
# memory where the machine has it.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm
out=build/fuzz
mkdir -p "$out/logs"
passed=0
failed=0
for seeds in tests/fuzz/corpus/*/; do
  target=$(basename "$seeds")
  corpus="$out/corpus/$target"
  artifacts="$out/artifacts/$target"
  log="$out/logs/$target.log"
  mkdir -p "$corpus" "$artifacts"
  rm -f "$artifacts"/*
  # One input may take at most 10 s and 2 GB: a runaway is a failure too.
  "$bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "$seeds" >"$log" 2>&1
  status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  features=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  units=$(find "$corpus" -type f | wc -l)
  crashes=$(find "$artifacts" -type f | wc -l)
  if [ "$status" -eq 0 ] && [ "$crashes" -eq 0 ]; then
    verdict=passed
    passed=$((passed + 1))
  else
    verdict="FAILED (exit $status; input in $artifacts/, log $log)"
    failed=$((failed + 1))
    grep -m3 -E 'invariant failed|ERROR: |SUMMARY: |runtime error' "$log" | sed 's/^/    /'
  fi
  printf '%-22s %10s executions, coverage %5s edges (%s features), corpus %s, crashes %s: %s\n' \
    "$target" "${execs:-?}" "${cov:-?}" "${features:-?}" "$units" "$crashes" "$verdict"
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
