#!/bin/sh
# Starts the PID wheel tests' Wine prefixes (every wineprefix-pid* in the
# build folder given) afresh after a new driver: each prefix's wineserver
# stopped and waited for, then the prefix removed. Harmless when there are
# none.
for prefix in "$1"/wineprefix-pid*; do
  [ -d "$prefix" ] || continue
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver -w 2>/dev/null
  rm -rf "$prefix" "$prefix.lock"
done
