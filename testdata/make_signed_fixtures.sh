#!/usr/bin/env bash
# Makes the Authenticode fixtures of the file-signer tests from a small built DLL: a throw-away
# OpenSSL CA issues a code-signing certificate, osslsigncode signs a copy of the DLL with it, and a
# second signed copy gets one byte of its code changed after signing.
# Usage: make_signed_fixtures.sh <dll> <output folder>
set -euo pipefail
dll=$1
out=$2
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat > "$work/ca.cnf" <<'CNF'
[req]
distinguished_name = dn
[dn]
[ca]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[signer]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
CNF

openssl req -new -x509 -newkey rsa:2048 -nodes -keyout "$work/ca.key" -subj "/CN=lumaPass Test Root" \
  -days 3650 -config "$work/ca.cnf" -extensions ca -out "$work/ca.pem" 2>/dev/null
openssl req -new -newkey rsa:2048 -nodes -keyout "$work/signer.key" -subj "/O=Example/CN=Example Code Signer" \
  -config "$work/ca.cnf" -out "$work/signer.csr" 2>/dev/null
openssl x509 -req -in "$work/signer.csr" -CA "$work/ca.pem" -CAkey "$work/ca.key" -set_serial 0x5a17 \
  -days 3650 -extfile "$work/ca.cnf" -extensions signer -out "$work/signer.pem" 2>/dev/null
cat "$work/signer.pem" "$work/ca.pem" > "$work/chain.pem"

rm -f "$out/signed.dll" "$out/tampered.dll"
cp "$dll" "$out/unsigned.dll"
osslsigncode sign -certs "$work/chain.pem" -key "$work/signer.key" -h sha256 -n "lumaPass test" \
  -in "$dll" -out "$out/signed.dll" >/dev/null
openssl x509 -in "$work/signer.pem" -outform DER -out "$out/signer.der"
openssl x509 -in "$work/ca.pem" -outform DER -out "$out/signing_root.der"

# Tampered: the first byte of the first section's raw data (the code) is inverted after signing.
cp "$out/signed.dll" "$out/tampered.dll"
pe=$(od -An -tu4 -j 60 -N 4 "$dll" | tr -d ' ')
optional_size=$(od -An -tu2 -j $((pe + 20)) -N 2 "$dll" | tr -d ' ')
section=$((pe + 24 + optional_size))
raw=$(od -An -tu4 -j $((section + 20)) -N 4 "$dll" | tr -d ' ')
byte=$(od -An -tu1 -j "$raw" -N 1 "$out/tampered.dll" | tr -d ' ')
printf "$(printf '\\%03o' $((byte ^ 0xFF)))" | dd of="$out/tampered.dll" bs=1 seek="$raw" conv=notrunc status=none
