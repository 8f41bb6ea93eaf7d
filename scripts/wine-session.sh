# Sourced by the scripts that run Windows programs: a fresh private Wine
# prefix for this run and an Xvfb display (windows and the simulator's
# broadcast message need one), both torn down when the script exits.
start_wine_session() {
  export WINEPREFIX="$1"
  export WINEDEBUG=-all
  rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
  # A display of our own, whatever the caller has: runs stay independent.
  local n=$((90 + RANDOM % 100))
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  # Wide enough for the Gripline window at 144 DPI (2430 × 1313): a window
  # is never made larger than the screen.
  Xvfb ":$n" -screen 0 2560x1600x24 -nolisten tcp >/dev/null 2>&1 &
  GRIPLINE_XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  trap stop_wine_session EXIT
  # Make the prefix now, once, rather than inside whichever test runs first.
  "$(dirname "${BASH_SOURCE[0]}")/wine-run.sh" cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
}

stop_wine_session() {
  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  if [ -n "${GRIPLINE_XVFB_PID:-}" ]; then kill "$GRIPLINE_XVFB_PID" 2>/dev/null || true; fi
}
