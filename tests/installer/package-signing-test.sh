#!/usr/bin/env bash
# The installer package as the build makes it with a code-signing certificate, here a throwaway self-signed one:
# the package and the two cameras and two programs extracted from it each carry one valid Authenticode signature
# by that certificate, with SHA-256 digests.
# Usage: package-signing-test.sh WORK_DIR CAMERA64 CAMERA32 ZELMORA UNINSTALLER
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
[ $# -eq 5 ] || { echo "usage: $0 WORK_DIR CAMERA64 CAMERA32 ZELMORA UNINSTALLER" >&2; exit 2; }
work=$1; shift
rm -rf "$work"
mkdir -p "$work"

openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -subj "/CN=Veltrane test signing" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/certificate.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/certificate.pem" -out "$work/signing.pfx" \
  -passout pass:throwaway-password
VELTRANE_SIGN_PFX="$work/signing.pfx" VELTRANE_SIGN_PASSWORD=throwaway-password VELTRANE_SIGN_TIMESTAMP_URL= \
  "$here/scripts/make-package.sh" "$work/signed.msi" 1.0.0 "$work/stage" "$@"

failures=0
expect_signed() {
  local log="$work/verify-$(basename "$1").log"
  if osslsigncode verify -CAfile "$work/certificate.pem" -in "$1" >"$log" 2>&1 &&
    grep -q "Subject: /CN=Veltrane test signing" "$log" && grep -Eq "Message digest algorithm *: SHA256" "$log" &&
    grep -q "Number of verified signatures: 1" "$log"; then
    echo "signed: $2"
  else
    echo "NOT SIGNED as expected: $2 (see $log)"
    failures=$((failures + 1))
  fi
}

expect_signed "$work/signed.msi" "the package"
msiextract -C "$work/extracted" "$work/signed.msi" >/dev/null
for file in Veltrane.ax x86/Veltrane.ax Zelmora.exe uninstaller.exe; do
  found=$(find "$work/extracted" -path "*/Veltrane/$file" | head -n 1)
  if [ -z "$found" ]; then
    echo "NOT IN THE PACKAGE: $file"
    failures=$((failures + 1))
    continue
  fi
  expect_signed "$found" "$file in the package"
done
[ "$failures" -eq 0 ]
