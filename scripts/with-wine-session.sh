#!/usr/bin/env bash
# Runs a command with a headless X display (Xvfb) and a persistent wineserver for the given prefix, so that the
# many Wine processes of a test run share one server and every window has a screen. Both are ended afterwards.
# Usage: with-wine-session.sh WINEPREFIX command [args...]
set -euo pipefail
prefix=$1; shift
export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 91 120); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { display=":$n"; break; }
  done
  Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY="$display"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
fi

cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" >/dev/null 2>&1 || true
}
trap cleanup EXIT

[ -f "$WINEPREFIX/system.reg" ] || "$(dirname "$0")/wine-prefix.sh"
wineserver -p >/dev/null 2>&1 || true
"$@"
