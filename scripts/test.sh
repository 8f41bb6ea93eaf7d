#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the native and the
# Windows presets, runs the native tests and a short fuzzing campaign, then
# the Windows tests under Wine with a private prefix and a virtual X display
# of their own, and a 2-minute fault soak.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh

# Dependencies point down (docs/architecture.md, "Folder order"): checked
# before anything is built, from the #include lines alone.
python3 scripts/check_includes.py

cmake --preset linux >/dev/null
cmake --build --preset linux
ctest --preset linux

# The same core tests once more under AddressSanitizer and UBSan: every
# offset the telemetry reader takes from shared memory is untrusted.
cmake --preset linux-asan >/dev/null
cmake --build --preset linux-asan
ctest --preset linux-asan

# The recording ring and its writer thread under ThreadSanitizer.
cmake --preset linux-tsan >/dev/null
cmake --build --preset linux-tsan
ctest --preset linux-tsan

# A short fuzzing campaign: every target of tests/fuzz for 10 s (clang,
# libFuzzer, ASan+UBSan). A long one: bash scripts/fuzz.sh 600.
bash scripts/fuzz.sh 10

cmake --preset windows >/dev/null
cmake --build --preset windows
source scripts/wine-session.sh
start_wine_session "$PWD/build/windows/wineprefix"
# The PID wheel's tests install their device into a prefix of their own:
# fresh each run, so the driver they load is this build's.
rm -rf build/windows/wineprefix-pid build/windows/wineprefix-pid.lock
ctest --preset windows

# The fault soak for 2 minutes, in a Wine session of its own (a long one:
# bash scripts/soak-faults.sh 20).
bash scripts/soak-faults.sh 2
