#!/usr/bin/env bash
# The installer package made with a throwaway self-signed code-signing certificate: the package and the two cameras
# and two programs extracted from it each carry one valid SHA-256 Authenticode signature by that certificate.
# Usage: package-signing-test.sh WORK_DIR CAMERA64 CAMERA32 ZELMORA UNINSTALLER
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$1; shift
rm -rf "$work" && mkdir -p "$work" && cd "$work"
openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -subj "/CN=Veltrane test signing" \
  -addext "extendedKeyUsage=codeSigning" -keyout key.pem -out certificate.pem 2>/dev/null
openssl pkcs12 -export -inkey key.pem -in certificate.pem -out signing.pfx -passout pass:throwaway
VELTRANE_SIGN_PFX=$PWD/signing.pfx VELTRANE_SIGN_PASSWORD=throwaway VELTRANE_SIGN_TIMESTAMP_URL= \
  "$here/scripts/make-package.sh" signed.msi 1.0.0 stage "$@"
msiextract -C extracted signed.msi >/dev/null

failures=0
for file in signed.msi extracted/Veltrane/{Veltrane.ax,x86/Veltrane.ax,Zelmora.exe,uninstaller.exe}; do
  if osslsigncode verify -CAfile certificate.pem -in "$file" >verify.log 2>&1 &&
    grep -q "Subject: /CN=Veltrane test signing" verify.log && grep -Eq "Message digest algorithm *: SHA256" verify.log &&
    grep -q "Number of verified signatures: 1" verify.log; then
    echo "signed: $file"
  else
    echo "NOT SIGNED as expected: $file"; cat verify.log; failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ]
