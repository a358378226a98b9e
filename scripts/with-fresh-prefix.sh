#!/usr/bin/env bash
# Runs a command in a new copy of a pristine Wine prefix, as on a machine that has never seen the product: the
# copy replaces whatever an earlier run left at DEST, and gets its own wineserver (and display when none is set).
# Usage: with-fresh-prefix.sh PRISTINE_PREFIX DEST command [args...]
set -euo pipefail
pristine=$1 dest=$2; shift 2
[ -f "$pristine/system.reg" ] || { echo "with-fresh-prefix.sh: no prefix at $pristine" >&2; exit 1; }
WINEPREFIX="$dest" wineserver -k >/dev/null 2>&1 || true
rm -rf "$dest"
mkdir -p "$(dirname "$dest")"
cp -a "$pristine" "$dest"
export VELTRANE_WINE_TIMEOUT=${VELTRANE_WINE_TIMEOUT:-500}
exec "$(dirname "${BASH_SOURCE[0]}")/with-wine-session.sh" "$dest" "$@"
