#!/usr/bin/env bash
# The main job: a whole drive as a driver makes it, headless under Wine and
# Xvfb. The simulator stand-in plays the recorded Spielberg drive, looped,
# then a lap of corners, kerbs, ABS braking and a crash; Gripline
# (Torvix_Commercial.exe) plays it on the PID wheel, a HID force-feedback
# wheel laid out as OpenFFBoard's, through Wine's own dinput8 and HID stack
# (GRIPLINE_WHEEL=virtual: our virtual dinput8 instead), and is driven through
# its window: Start, Record for a lap, Stop rec, Stop, then Analyzer on the
# recording and "Use advise", whose advice the running Gripline applies.
# Everything it leaves is in one folder: screenshots of both windows, the
# recording, the Analyzer's report, the wheel's force log and a picture of
# the drive.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
echo "== building (native tool and Windows programs)"
cmake --preset linux >/dev/null
cmake --build --preset linux --target gripline >/dev/null
cmake --preset windows >/dev/null
# Only the programs the drive runs: the tests are built by scripts/test.sh, so a
# newcomer's first main job is not kept waiting by them.
cmake --build --preset windows --target Torvix_Commercial gripline_analyzer virtual_wheel \
  main_job simulator_standin pid_wheel >/dev/null
source scripts/wine-session.sh
start_wine_session "$PWD/build/windows/wineprefix-demo"

out=build/main-job
rm -rf "$out"
mkdir -p "$out/program"
cp build/windows/app/Torvix_Commercial.exe "build/windows/analyzer/Torvix Commercial Analyzer.exe" \
  "$out/program/"

windir() { echo "Z:$(cd "$1" && pwd | tr / '\\')"; }
winfile() { echo "$(windir "$(dirname "$1")")\\$(basename "$1")"; }
wheel_args=()
if [ "${GRIPLINE_WHEEL:-pid}" = virtual ]; then
  cp build/windows/tools/virtual_wheel/dinput8.dll "$out/program/"
  wheel_name="virtual wheel"
else
  wheel_args=("$(winfile build/windows/tools/pid_wheel/pid_wheel.exe)"
              "$(winfile tools/pid_wheel/descriptors/openffboard_wheel.hid)")
  wheel_name="PID wheel"
fi
fixtures=../shared/fixtures
record_seconds=${GRIPLINE_RECORD_SECONDS:-60}

echo "== driving Gripline through its window (stand-in, ${wheel_name}, ${record_seconds} s recorded)"
# Wine maps Z: to /, a mount point, and looks for its volume label and
# serial on the block device behind it; when it may not read that device it
# prints "wine: Read access denied for device ..." on stderr each time a
# program asks for the volume information of a path on Z: (the programs'
# folders here), and makes up a label instead. Harmless, so those lines are
# left out; everything else on stderr is shown, and pipefail keeps the main
# job's exit status.
scripts/wine-run.sh build/windows/tools/main_job/main_job.exe \
  "$(windir "$out")" "$(windir "$out/program")" \
  "$(winfile "$fixtures/w13_spielberg_390ticks.ibt")" "$(winfile "$fixtures/session_f4_tsukuba.yaml")" \
  "$record_seconds" "${wheel_args[@]}" 2> >(sed -u '/^\(wine: \)\?Read access denied for device /d' >&2) | sed 's/\r$//'
[ -f "$out/drive.kvtrec" ] || { echo "main job: no recording was written" >&2; exit 1; }

gripline=build/linux/tools/gripline_cli/gripline
echo "== the Analyzer's report (also shown in analyzer.png)"
"$gripline" analyze "$out/drive.kvtrec" > "$out/report.txt"
sed 's/\r$//; s/^/   /' "$out/report.txt" | head -40
echo "== the picture of the drive"
"$gripline" plot "$out/drive.kvtrec" --wheel-log "$out/wheel.log" -o "$out/drive.svg"
if command -v rsvg-convert >/dev/null; then
  rsvg-convert -o "$out/drive.png" "$out/drive.svg"
fi

echo "== what reached the wheel ($out/wheel.log)"
# The events, and the output stage's limits checked on what the wheel got: a
# step of at most 120 for 1.8 s after each start (the fade-in), 1200 after.
# A cut to zero is the force taken off (the simulator gone, Stop), which is
# meant to be at once: zeros aside.
awk '$2 == "magnitude" { n++; v = $3 < 0 ? -$3 : $3; if (v > peak) peak = v; if (!first) first = $1; last = $1
                         step = $3 == 0 ? 0 : $3 - prev; if (step < 0) step = -step; prev = $3
                         if ($1 - started < 1800000) { if (step > rampstep) rampstep = step } else if (step > maxstep) maxstep = step }
     $2 == "start" { starts++; started = $1; prev = 0 }
     $2 == "stop" { stops++ } $2 == "reset" { resets++ } $2 == "gain" { gains++ }
     $2 == "effect" { effects++ } $2 == "release" && $3 == "effect" { frees++ }
     END { printf "   %d updates over %.1f s (%.0f per second), peak magnitude %d\n",
                  n, (last - first) / 1e6, n / ((last - first) / 1e6 + 1e-9), peak
           printf "   events: reset %d, gain %d, effect created %d, started %d, stopped %d, freed %d\n",
                  resets, gains, effects, starts, stops, frees
           printf "   largest step (cuts to zero aside): %d during the fade-in (limit 120), %d after (limit 1200): %s\n",
                  rampstep, maxstep, (rampstep <= 120 && maxstep <= 1200) ? "kept" : "BROKEN" }' "$out/wheel.log"
if [ -f "$out/pid_wheel.log" ]; then
  echo "   raw reports the PID wheel received: $(grep -c -E ' (write|setoutput|setfeature) ' "$out/pid_wheel.log") ($out/pid_wheel.log)"
fi

echo "== results in $out/:"
(cd "$out" && ls -1 *.png *.svg *.kvtrec *.txt *.log | sed 's/^/   /')
