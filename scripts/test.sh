#!/usr/bin/env bash
# Sets up the machine, builds the host and the Windows trees and runs every test: the Win32-free logic natively
# under AddressSanitizer and UndefinedBehaviorSanitizer, then the Windows tests under Wine.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
jobs=$(nproc)

scripts/setup.sh

echo "== Host build and tests (sanitizers)"
cmake -S . -B build/host -DCMAKE_BUILD_TYPE=Debug -DVELTRANE_SANITIZE=ON >/dev/null
cmake --build build/host -j "$jobs"
(cd build/host && ctest --output-on-failure)

echo "== Windows build and tests (Wine)"
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win -j "$jobs"
scripts/with-wine-session.sh "$root/build/win/wineprefix" bash -c 'cd build/win && ctest --output-on-failure'
