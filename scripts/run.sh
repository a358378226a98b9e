#!/usr/bin/env bash
# The product's main job as far as it exists: sets up the machine, builds the Windows tree and renders the bundled
# sample slideshow (with both animated transitions) into PNG frames through the camera's pictures input.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

scripts/setup.sh
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win -j "$(nproc)" --target veltrane-render wineprefix

out="$root/build/win/slideshow-frames"
rm -rf "$out"
mkdir -p "$out"
scripts/with-wine-session.sh "$root/build/win/wineprefix" \
  scripts/wine-run.sh build/win/tools/veltrane-render.exe "Z:$root/data/Samples/Pictures" "Z:$out" --frames 130
echo "Slideshow frames (640 x 480 PNG, 10 per second): $out"
