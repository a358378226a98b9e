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
exec wine "$@"
