#!/usr/bin/env bash
# Registers the camera module with Wine's own regsvr32, checks with the module tests that the "Veltrane" device
# and its class are there, removes it with "regsvr32 /u" and checks that both are gone.
# Usage: regsvr32-check.sh <path of Veltrane.ax> <path of module_tests.exe>   (WINEPREFIX as for wine-run.sh)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
module=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
tests=$2
# Wine maps the Linux root to drive Z:.
winmodule="Z:${module//\//\\}"

run() { "$here/scripts/wine-run.sh" "$@"; }

# Expects the check test to have run and passed (a skip means the expectation did not reach it).
check() {
  local output
  output=$(VELTRANE_EXPECT_REGISTERED=$1 run "$tests" --gtest_filter='RegisteredByRegsvr32.*') || {
    echo "$output"
    return 1
  }
  echo "$output"
  grep -q '^\[  PASSED  \] 1 test' <<<"$output" && ! grep -q 'SKIPPED' <<<"$output"
}

# Whatever happens, the prefix is left without the registration.
trap 'run regsvr32 /u /s "$winmodule" >/dev/null 2>&1 || true' EXIT

run regsvr32 /s "$winmodule"
check 1
run regsvr32 /u /s "$winmodule"
check 0
echo "regsvr32 registration and removal checked"
