#!/usr/bin/env bash
# Both windows on a 96-DPI and on a 144-DPI screen under Wine: Wine's
# LogPixels set in a prefix of each run's own, the Gripline window and the
# Analyzer (with a short recording, so some advice boxes are ticked and some
# disabled) started and photographed. Leaves build/dpi/gripline-<dpi>.png,
# build/dpi/analyzer-<dpi>.png and each window's size in build/dpi/sizes.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target Torvix_Commercial gripline_analyzer >/dev/null
out=build/dpi
rm -rf "$out"
mkdir -p "$out"
recording=tests/fuzz/corpus/fuzz_recording/spielberg_24_samples.kvtrec

# The X window of a Wine window titled $1, waited for up to 60 s.
x_window() {
  for _ in $(seq 600); do
    id=$(xdotool search --name "^$1" 2>/dev/null | head -1) && [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.1
  done
  echo "no window titled $1" >&2
  return 1
}

shoot() { # dpi, title, png
  local id
  id=$(x_window "$2")
  sleep 3 # the first paint, the fonts and the start-up update check
  echo "$1 $3 $(xdotool getwindowgeometry "$id" | sed -n 's/ *Geometry: //p')" >>"$out/sizes.txt"
  import -window "$id" "$out/$3"
}

for dpi in 96 144; do
  (
    source scripts/wine-session.sh
    start_wine_session "$PWD/build/windows/wineprefix-dpi$dpi"
    /usr/lib/wine/wine64 reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
      /d "$dpi" /f </dev/null >/dev/null 2>&1
    folder="$out/programs-$dpi"
    mkdir -p "$folder"
    cp build/windows/app/Torvix_Commercial.exe "build/windows/analyzer/Torvix Commercial Analyzer.exe" \
      "$recording" "$folder/"
    scripts/wine-run.sh "$folder/Torvix_Commercial.exe" >/dev/null 2>&1 &
    shoot "$dpi" "Gripline v" "gripline-$dpi.png"
    scripts/wine-run.sh "$folder/Torvix Commercial Analyzer.exe" \
      "Z:$(cd "$folder" && pwd | tr / '\\')\\$(basename "$recording")" \
      >/dev/null 2>&1 &
    shoot "$dpi" "Gripline Analyzer v" "analyzer-$dpi.png"
  )
done
cat "$out/sizes.txt"
