#!/usr/bin/env bash
# The product's main job as far as it exists: sets up the machine, builds the Windows tree, registers the camera
# module in the private Wine prefix, switches the camera to the bundled sample slideshow through its settings (as
# a user would), captures a few seconds of the running camera's frames as a host does, then starts the desktop
# application Zelmora on the running camera and takes a picture of its window; prints where they all are, and
# where the installer package is.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
build=build/win

scripts/setup.sh
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target Veltrane veltrane-capture Zelmora wineprefix package

winpath() { local p=$1; echo "Z:${p//\//\\}"; }
module=$(winpath "$root/$build/camera/Veltrane.ax")
pictures=$(winpath "$root/data/Samples/Pictures")
out="$root/$build/camera-frames"
winout=$(winpath "$out")
rm -rf "$out"

session() {
  run() { scripts/wine-run.sh "$@"; }
  run regsvr32 /s "$module"
  # The camera reads its settings when a program opens it: the slideshow of the sample pictures, a wipe between
  # pictures (PicChType 1), 1.5 s per picture and 1 s per change.
  key='HKCU\SOFTWARE\Veltrane'
  run reg add "$key" /v GlobalType /t REG_DWORD /d 2 /f >/dev/null
  run reg add "$key" /v PicturesDirectory /t REG_SZ /d "$pictures" /f >/dev/null
  run reg add "$key" /v ChangedTime /t REG_DWORD /d 1500 /f >/dev/null
  run reg add "$key" /v MorphingTime /t REG_DWORD /d 1000 /f >/dev/null
  run reg add "$key" /v PicChType /t REG_DWORD /d 1 /f >/dev/null
  run "$build/tools/veltrane-capture.exe" --device Veltrane --out "$winout" --frames 60 --timeout-ms 20000 \
    >"$root/$build/camera-frames.txt"
  # Zelmora from its run-time folder (its skins are found relative to the current directory); the end of the
  # session closes it.
  (cd "$build/zelmora" && VELTRANE_WINE_TIMEOUT=0 "$root/scripts/wine-run.sh" ./Zelmora.exe \
    >"$root/$build/zelmora-run.txt" 2>&1 &)
  # import waits for a click when the window is not there: find it first, and let the preview run for a while.
  local window=
  for _ in $(seq 150); do
    window=$(xwininfo -name ' Veltrane Settings' 2>/dev/null | sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p')
    [ -n "$window" ] && break
    sleep 0.2
  done
  [ -n "$window" ] || { echo "run.sh: Zelmora's window did not appear" >&2; return 1; }
  sleep 6
  import -window "$window" "$root/$build/camera-frames/zelmora.png"
}
export -f session
export module pictures winout build root
scripts/with-wine-session.sh "$root/$build/wineprefix" bash -c session
echo "Frames of the running camera (640 x 480 PNG, with their time stamps in camera-frames.txt): $out"
echo "Zelmora showing the running camera: $out/zelmora.png"
echo "Installer package (both cameras, Zelmora, the uninstaller): $(ls "$root/$build"/Veltrane-*-x64.msi)"
