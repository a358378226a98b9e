#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's private prefix (WINEPREFIX must be set by the caller,
# otherwise the prefix of the default build tree is used). Wine's own diagnostics are silenced unless WINEDEBUG
# says otherwise.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$here/build/win/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=win64
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$here/scripts/wine-prefix.sh"
fi
# Wine's helper processes (services, the desktop window's explorer) may be started by this program and outlive it,
# keeping its standard output and error open. Writing them to a file rather than to the caller's pipe keeps a
# caller that reads until end of file (ctest, a shell pipeline) from waiting for those processes.
log=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
trap 'rm -f "$log"' EXIT
# A program that hangs is stopped after VELTRANE_WINE_TIMEOUT seconds (0: never), before ctest's own limit would
# kill this script with the output unseen; its output so far tells where it hung.
limit=${VELTRANE_WINE_TIMEOUT:-540}
status=0
if [ "$limit" -gt 0 ]; then
  timeout --kill-after=10 "$limit" wine "$@" >"$log" 2>&1 </dev/null || status=$?
else
  wine "$@" >"$log" 2>&1 </dev/null || status=$?
fi
cat "$log"
if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
  echo "wine-run.sh: $* did not end within $limit seconds and was stopped" >&2
fi
exit "$status"
