#!/bin/sh
# Starts the PID wheel tests' Wine prefix afresh (after a new driver): its
# wineserver stopped and waited for, then the prefix removed. Harmless when
# the prefix does not exist.
prefix="$1"
WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null
WINEPREFIX="$prefix" /usr/lib/wine/wineserver -w 2>/dev/null
rm -rf "$prefix" "$prefix.lock"
