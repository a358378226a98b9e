#!/usr/bin/env bash
# Creates the Wine prefix named by WINEPREFIX (64-bit, no Mono or Gecko prompts) and waits until it is ready.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the prefix to create}"
export WINEPREFIX WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# 32-bit Wine (Debian's wine32 package installs its loader here) runs the 32-bit camera's tests.
have_wine32() {
  [ -x /usr/lib/wine/wine ]
}

# A complete prefix's machine registry is well over a megabyte; one of a few kilobytes lost its contents. A prefix
# made before 32-bit Wine was installed has no 32-bit system folder and cannot run 32-bit programs.
prefix_complete() {
  [ -f "$WINEPREFIX/system.reg" ] && [ "$(stat -c %s "$WINEPREFIX/system.reg")" -gt 100000 ] &&
    { ! have_wine32 || [ -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; }
}

configure() {
  # Windows the tests open (a video renderer's, say) are placed and drawn by Wine itself, not by whatever window
  # manager the X display has, so that they appear where the tests put them.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
  wineserver --wait || true
}

if prefix_complete; then
  configure
fi
for attempt in 1 2 3; do
  prefix_complete && exit 0
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1 || true
  wineserver --wait || true
  configure
done
echo "wine-prefix.sh: wineboot did not create a complete prefix in $WINEPREFIX" >&2
exit 1
