#!/usr/bin/env bash
# The fault soak: the real Gripline window (with the virtual wheel beside it)
# drives for MINUTES while the simulator stand-in is, in turn, closed
# cleanly, killed without clearing its bit, restarted back to back into the
# other layout and frozen; the wheel loses its input and is unplugged for a
# while and comes back; one recording runs across all of it; once the
# settings file cannot be written during a Save. Prints what the wheel's log,
# the window's log and the recording show (tools/soak_faults), ends with
# "N passed, M failed", and keeps everything in build/soak-faults/. Not run
# by CI in full: scripts/test.sh runs it for 2 minutes.
#
#   bash scripts/soak-faults.sh MINUTES
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-}
if ! [[ "$minutes" =~ ^[0-9]+$ ]] || [ "$minutes" -lt 1 ]; then
  echo "usage: scripts/soak-faults.sh MINUTES" >&2
  exit 2
fi
bash scripts/bootstrap.sh
echo "== building (native tool and Windows programs)"
cmake --preset linux >/dev/null
cmake --build --preset linux --target gripline >/dev/null
cmake --preset windows >/dev/null
cmake --build --preset windows --target Torvix_Commercial virtual_wheel soak_faults simulator_standin >/dev/null
source scripts/wine-session.sh
start_wine_session "$PWD/build/windows/wineprefix-soak-faults"

out=build/soak-faults
rm -rf "$out"
mkdir -p "$out/program"
cp build/windows/app/Torvix_Commercial.exe build/windows/tools/virtual_wheel/dinput8.dll "$out/program/"
windir() { echo "Z:$(cd "$1" && pwd | tr / '\\')"; }
winfile() { echo "$(windir "$(dirname "$1")")\\$(basename "$1")"; }
fixtures=../shared/fixtures

echo "== $minutes minute(s) of faults (driver log: $out/soak.log); load average $(cut -d' ' -f1-3 /proc/loadavg)"
passed=0
failed=0
# Wine's harmless "Read access denied for device" lines are left out (see
# scripts/demo.sh); the driver's own exit status is kept.
set +e
scripts/wine-run.sh build/windows/tools/soak_faults/soak_faults.exe \
  "$(windir "$out")" "$(windir "$out/program")" \
  "$(winfile "$fixtures/w13_spielberg_390ticks.ibt")" "$(winfile "$fixtures/session_f4_tsukuba.yaml")" \
  "$minutes" 2> >(sed -u '/^\(wine: \)\?Read access denied for device /d' >&2) | sed 's/\r$//' | tee "$out/soak.log"
status=${PIPESTATUS[0]}
set -e
if [ "$status" -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

# The recording made across every fault: readable to its last whole
# sample, its times only growing.
gripline=build/linux/tools/gripline_cli/gripline
if [ -f "$out/soak.kvtrec" ] && "$gripline" analyze "$out/soak.kvtrec" >"$out/report.txt" &&
  python3 - "$out/soak.kvtrec" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
whole, rest = divmod(len(data) - 380, 88)
times = [struct.unpack_from('<Q', data, 380 + 88 * i)[0] for i in range(whole)]
backwards = sum(1 for a, b in zip(times, times[1:]) if b <= a)
print(f"recording: {whole} samples over {times[-1] / 1e6:.1f} s, {rest} bytes after the last whole "
      f"sample, times going backwards: {backwards}")
sys.exit(0 if whole > 0 and backwards == 0 else 1)
PY
then
  passed=$((passed + 1))
  "$gripline" plot "$out/soak.kvtrec" --wheel-log "$out/wheel.log" -o "$out/soak.svg" >/dev/null || true
else
  echo "recording: missing or unreadable  <-- FAILED"
  failed=$((failed + 1))
fi
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg) (the force-off and back-on times are wall-clock times on a shared machine)"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
