#!/usr/bin/env bash
# Runs a Windows program under Wine for ctest and the scripts: a private,
# quiet prefix made once, and a persistent wineserver so that Wine's helper
# processes do not hold ctest's output pipe open (ctest would otherwise wait
# about 3 s per test, or forever).
set -euo pipefail
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
export WINEPREFIX="${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/gripline/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64
# Never offer to install Wine's .NET or HTML engines (there is no network
# here and a dialog would hang the run), whatever else the caller overrides.
export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"

if [ ! -f "$WINEPREFIX/.gripline-ready" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.gripline-ready" ]; then
      "$wine" wineboot -i </dev/null >/dev/null 2>&1 || true
      "$wineserver" -w
      # No window manager under Xvfb: Wine draws the captions itself.
      "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f \
        </dev/null >/dev/null 2>&1 || true
      # Wine has no Segoe UI and draws it in the wide DejaVu Sans, which
      # wraps the longer slider captions out of their fixed 174-pixel boxes;
      # the condensed cut (with its bold) is closer to Windows' measure.
      "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Segoe UI' /t REG_SZ \
        /d 'DejaVu Sans Condensed' /f </dev/null >/dev/null 2>&1 || true
      "$wineserver" -w
      fonts="$WINEPREFIX/drive_c/windows/Fonts"
      mkdir -p "$fonts"
      cp -n /usr/share/wine/fonts/*.ttf "$fonts/" 2>/dev/null || true
      touch "$WINEPREFIX/.gripline-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
fi

"$wineserver" -p60 </dev/null >/dev/null 2>&1 || true
"$wine" cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
exec "$wine" "$@"
