#!/usr/bin/env bash
# Creates the Wine prefix named by WINEPREFIX (64-bit, no Mono or Gecko prompts) and waits until it is ready.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the prefix to create}"
export WINEPREFIX WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# A complete prefix's machine registry is well over a megabyte; one of a few kilobytes lost its contents.
registry_complete() {
  [ -f "$WINEPREFIX/system.reg" ] && [ "$(stat -c %s "$WINEPREFIX/system.reg")" -gt 100000 ]
}

configure() {
  # Windows the tests open (a video renderer's, say) are placed and drawn by Wine itself, not by whatever window
  # manager the X display has, so that they appear where the tests put them.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
  wineserver --wait || true
}

if registry_complete; then
  configure
fi
for attempt in 1 2 3; do
  registry_complete && exit 0
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1 || true
  wineserver --wait || true
  configure
done
echo "wine-prefix.sh: wineboot did not create a complete prefix in $WINEPREFIX" >&2
exit 1
