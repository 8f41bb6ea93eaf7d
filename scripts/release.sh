#!/usr/bin/env bash
# Builds the release and leaves in build/release/:
#   Gripline-Setup-<version>.exe, Gripline-<version>-portable.zip, SHA256SUMS
#   and the update host's tree (uploads/torvix/commercial/: latest.json and
#   the two programs it points at, ready to copy to the host).
# The version is the one in common/release_version.h. Each program must stay
# under 4 MB and carry no debug information. Then proves the release under
# Wine in a prefix of its own (tests/release/release_test.py: silent install,
# programs started, Uninstall entry, settings kept, update from this
# latest.json, tampered file refused, uninstall) and runs the installer by
# hand to its finish page, keeping screenshots in build/release/screenshots/.
# GRIPLINE_RELEASE_NOTES, when set, goes into latest.json as the notes the
# updater shows.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh

cmake --preset windows-release >/dev/null
cmake --build --preset windows-release
# The test programs that read the release back (never shipped).
cmake --build build/windows-release --target update_probe version_probe

app=build/windows-release/app/Torvix_Commercial.exe
analyzer="build/windows-release/analyzer/Torvix Commercial Analyzer.exe"
limit=$((4 * 1024 * 1024))
for program in "$app" "$analyzer"; do
  size=$(stat -c %s "$program")
  awk -v name="$(basename "$program")" -v size="$size" \
    'BEGIN { printf "release: %-32s %9d bytes (%.2f MB)\n", name, size, size / 1048576 }'
  if [ "$size" -ge "$limit" ]; then
    echo "release: $(basename "$program") is not under 4 MB" >&2
    exit 1
  fi
  if x86_64-w64-mingw32-objdump -h "$program" | grep -q '\.debug'; then
    echo "release: $(basename "$program") carries debug information" >&2
    exit 1
  fi
done

python3 scripts/package_release.py --app "$app" --analyzer "$analyzer" \
  --out build/release --notes "${GRIPLINE_RELEASE_NOTES:-}"
(cd build/release && sha256sum -c --quiet SHA256SUMS)

source scripts/wine-session.sh
start_wine_session "$PWD/build/windows-release/wineprefix-rel"
python3 tests/release/release_test.py --emulator scripts/wine-run.sh \
  --release build/release --update-probe build/windows-release/tests/updater/update_probe.exe \
  --version-probe build/windows-release/tests/release/version_probe.exe \
  --workdir build/windows-release/release-checks --screens build/release/screenshots

echo "release: in build/release:"
(cd build/release && find . -type f -not -path './screenshots/*' | sort | xargs ls -l)
