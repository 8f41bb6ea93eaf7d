#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test Gripline:
# the native toolchain, the mingw-w64 cross compiler, Wine (with a condensed
# font that stands in for Segoe UI), Xvfb, openssl (the updater test makes
# its own certificates), the GoogleTest sources, and clang with its
# libFuzzer and sanitizer runtimes (libclang-rt-14-dev) for scripts/fuzz.sh,
# and NSIS for the installer (scripts/release.sh).
# Does nothing (and asks no registry) when all is there.
set -euo pipefail

packages=(
  g++ cmake ninja-build python3 openssl
  googletest libgtest-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine64 fonts-wine fonts-dejavu-extra
  xvfb x11-utils imagemagick xdotool
  librsvg2-bin
  nsis
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "bootstrap: installing ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
