#!/usr/bin/env bash
# Makes the Authenticode fixtures of the file-signer tests from a small built DLL: a throw-away
# OpenSSL CA issues a code-signing certificate, osslsigncode signs a copy of the DLL with it, and a
# second signed copy gets one byte of its code changed after signing.
# Usage: make_signed_fixtures.sh <dll> <output folder>
set -euo pipefail
dll=$1
source "$(dirname "$0")/fixture_ca.sh"
fixture_begin "$2"
fixture_code_signing_ca "/CN=lumaPass Test Root"
fixture_issue signer "/O=Example/CN=Example Code Signer" signer 0x5a17
cat "$work/signer.pem" "$work/ca.pem" > "$work/chain.pem"

rm -f "$out/signed.dll" "$out/tampered.dll"
cp "$dll" "$out/unsigned.dll"
osslsigncode sign -certs "$work/chain.pem" -key "$work/signer.key" -h sha256 -n "lumaPass test" \
  -in "$dll" -out "$out/signed.dll" >/dev/null
cp "$work/signer.der" "$out/signer.der"
openssl x509 -in "$work/ca.pem" -outform DER -out "$out/signing_root.der"

# Tampered: the code of a signed copy changed after signing.
cp "$out/signed.dll" "$out/tampered.dll"
fixture_alter_code "$out/tampered.dll"
