#!/usr/bin/env bash
# Creates the Wine prefix named by WINEPREFIX (64-bit, no Mono or Gecko prompts) and waits until it is ready.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the prefix to create}"
export WINEPREFIX WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
wineboot --init >/dev/null 2>&1 || true
wineserver --wait || true
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "wine-prefix.sh: wineboot did not create $WINEPREFIX" >&2
  exit 1
fi
