#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test this project. Idempotent, and quick when all is there.
set -euo pipefail

packages=(
  cmake g++ googletest                                  # host build and GoogleTest sources
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64   # Windows cross build
  wine wine64 xvfb xauth                                # Windows runtime for the tests, headless display
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav      # Wine decodes media through these
  ffmpeg                                                # makes the test video clips
  imagemagick fonts-dejavu-core                         # scripts/make-data.sh (pictures under data/)
  x11-utils                                             # scripts/run.sh finds Zelmora's window (xwininfo)
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
