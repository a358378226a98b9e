#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test this project. Idempotent, and quick when all is there.
set -euo pipefail

packages=(
  cmake g++ googletest                                  # host build and GoogleTest sources
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64   # Windows cross build
  g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686         # the 32-bit camera
  wine wine64 xvfb xauth                                # Windows runtime for the tests, headless display
  wine32:i386                                           # 32-bit Windows programs (the 32-bit camera's tests)
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav      # Wine decodes media through these
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386 gstreamer1.0-libav:i386   # ... and 32-bit Wine
  ffmpeg                                                # makes the test video clips
  imagemagick fonts-dejavu-core                         # scripts/make-data.sh (pictures under data/)
  x11-utils                                             # scripts/run.sh finds Zelmora's window (xwininfo)
  wixl msitools                                         # builds the installer package (msiinfo, msiextract inspect it)
  osslsigncode openssl                                  # signs it when a certificate is given; the signing test
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  # The :i386 packages (32-bit Wine and its media plugins) need the i386 architecture; the update below then
  # fetches its package lists.
  foreign=$(dpkg --print-foreign-architectures)
  if ! grep -qx i386 <<<"$foreign"; then
    echo "setup: adding the i386 architecture"
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
