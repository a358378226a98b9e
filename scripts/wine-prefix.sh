#!/usr/bin/env bash
# Creates the Wine prefix named by WINEPREFIX (64-bit, no Mono or Gecko prompts) and waits until it is ready.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the prefix to create}"
export WINEPREFIX WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
wineboot --init >/dev/null 2>&1 || true
# Windows the tests open (a video renderer's, say) are placed and drawn by Wine itself, not by whatever window
# manager the X display has, so that they appear where the tests put them.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
wineserver --wait || true
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "wine-prefix.sh: wineboot did not create $WINEPREFIX" >&2
  exit 1
fi
