#!/usr/bin/env bash
# Builds and runs the benchmark in the Windows tree: per-frame costs of every source at 640 x 480 against a copy
# of one frame (the camera paths through the registered test cameras, the video fetch from a 1280 x 720 H.264 clip,
# the desktop capture of the headless screen), the longest frame of each input over ten seconds (a folder of 40 000
# large JPEGs, a one-frame clip, a border assigned while the camera runs), and the registered "Veltrane" device in
# every input mode.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
build=build/win
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target veltrane-bench veltrane_test_camera test_videos Veltrane wineprefix
winpath() { local p=$1; echo "Z:${p//\//\\}"; }
# A folder of 40 000 entries of one 4000 x 3000 JPEG (hard links), for the longest frame of the pictures input.
large="$root/$build/bench-large-folder"
if [ ! -f "$large/39999.jpg" ]; then
  rm -rf "$large" && mkdir -p "$large"
  convert -size 4000x3000 gradient:red-blue -quality 90 "$large/00000.jpg"
  python3 -c 'import os, sys; d = sys.argv[1]; [os.link(d + "/00000.jpg", "%s/%05d.jpg" % (d, i)) for i in range(1, 40000)]' "$large"
fi
VELTRANE_WINE_TIMEOUT=0 scripts/with-wine-session.sh "$root/$build/wineprefix" scripts/wine-run.sh "$build/tools/veltrane-bench.exe" \
  --cameras "Z:$root/$build/tests/filter/framework/veltrane_test_camera.dll" \
  --video "Z:$root/$build/tests/test-videos/clip-16x9.mp4" \
  --border "Z:$root/data/Borders/border6.png" \
  --one-frame-clip "Z:$root/$build/tests/test-videos/one-frame.avi" --longest-fill 10 --large-folder "$(winpath "$large")" \
  --camera-module "$(winpath "$root/$build/camera/Veltrane.ax")" --pictures "$(winpath "$root/data/Samples/Pictures")" "$@"
