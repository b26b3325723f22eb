#!/usr/bin/env bash
# Makes the fixtures of the key storage provider's signing and decryption tests with OpenSSL,
# which plays the private key that lumaPassV would use: a self-signed RSA 2048 certificate
# (cert.der) and the big-endian modulus of its key (modulus.bin); for each of MD5, SHA-1, SHA-256,
# SHA-384 and SHA-512 the hash of a fixed message (hash.<md>.bin), its PKCS#1 v1.5 signature
# (signature.<md>.bin) and the block recovered from that signature with the raw public operation
# (block.<md>.bin); for each padding (pkcs1, oaep, none) a plaintext (plain.<padding>.bin), its
# ciphertext (cipher.<padding>.bin) and the block that the raw private operation gives for it
# (block.<padding>.bin). OAEP uses SHA-256 for the label hash and MGF1, and the label of
# oaep_label.bin.
# Usage: make_ksp_fixtures.sh <output folder>
set -euo pipefail
source "$(dirname "$0")/fixture_ca.sh"
fixture_begin "$1"

openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$work/key.pem" 2>/dev/null
openssl req -new -x509 -key "$work/key.pem" -subj "/O=Example/CN=Key Storage Test" -days 3650 \
  -outform DER -out "$out/cert.der"
openssl rsa -in "$work/key.pem" -noout -modulus | cut -d= -f2 | python3 -c \
  'import sys; sys.stdout.buffer.write(bytes.fromhex(sys.stdin.read().strip()))' > "$out/modulus.bin"

raw() {  # the raw private-key operation on a block (no padding)
  openssl pkeyutl -decrypt -inkey "$work/key.pem" -pkeyopt rsa_padding_mode:none -in "$1" -out "$2"
}

printf 'A message signed through the key storage provider.\n' > "$work/message.txt"
for md in md5 sha1 sha256 sha384 sha512; do
  openssl dgst -"$md" -binary "$work/message.txt" > "$out/hash.$md.bin"
  openssl pkeyutl -sign -inkey "$work/key.pem" -pkeyopt digest:"$md" -in "$out/hash.$md.bin" \
    -out "$out/signature.$md.bin"
  openssl dgst -"$md" -verify <(openssl pkey -in "$work/key.pem" -pubout) \
    -signature "$out/signature.$md.bin" "$work/message.txt" > /dev/null
  openssl pkeyutl -verifyrecover -inkey "$work/key.pem" -pkeyopt rsa_padding_mode:none \
    -in "$out/signature.$md.bin" -out "$out/block.$md.bin"
done

printf 'lumaPass OAEP label' > "$out/oaep_label.bin"
label_hex=$(python3 -c 'import sys; print(open(sys.argv[1], "rb").read().hex())' "$out/oaep_label.bin")
printf 'Decrypted through the key storage provider.' > "$out/plain.pkcs1.bin"
openssl pkeyutl -encrypt -inkey "$work/key.pem" -pkeyopt rsa_padding_mode:pkcs1 \
  -in "$out/plain.pkcs1.bin" -out "$out/cipher.pkcs1.bin"
printf 'Decrypted with OAEP and a label.' > "$out/plain.oaep.bin"
openssl pkeyutl -encrypt -inkey "$work/key.pem" -pkeyopt rsa_padding_mode:oaep \
  -pkeyopt rsa_oaep_md:sha256 -pkeyopt rsa_mgf1_md:sha256 -pkeyopt rsa_oaep_label:"$label_hex" \
  -in "$out/plain.oaep.bin" -out "$out/cipher.oaep.bin"
# A whole block below the modulus: a zero byte, then 255 random bytes.
{ printf '\000'; openssl rand 255; } > "$out/plain.none.bin"
openssl pkeyutl -encrypt -inkey "$work/key.pem" -pkeyopt rsa_padding_mode:none \
  -in "$out/plain.none.bin" -out "$out/cipher.none.bin"
for padding in pkcs1 oaep none; do
  raw "$out/cipher.$padding.bin" "$out/block.$padding.bin"
done
# OpenSSL's own decryption agrees with the plaintexts.
openssl pkeyutl -decrypt -inkey "$work/key.pem" -in "$out/cipher.pkcs1.bin" | cmp - "$out/plain.pkcs1.bin"
openssl pkeyutl -decrypt -inkey "$work/key.pem" -pkeyopt rsa_padding_mode:oaep -pkeyopt rsa_oaep_md:sha256 \
  -pkeyopt rsa_mgf1_md:sha256 -pkeyopt rsa_oaep_label:"$label_hex" -in "$out/cipher.oaep.bin" |
  cmp - "$out/plain.oaep.bin"
