#!/usr/bin/env bash
# Makes the certificate fixtures of the DER and certificate tests with OpenSSL, and writes what
# OpenSSL itself reads from them into expected.txt, so the tests compare with OpenSSL's answer.
# Usage: make_cert_fixtures.sh <output folder>
set -euo pipefail
source "$(dirname "$0")/fixture_ca.sh"
fixture_begin "$1"

cat > "$work/ext.cnf" <<'CNF'
[req]
distinguished_name = dn
[dn]
[alt_names]
subjectAltName = @alt
keyUsage = critical, digitalSignature, nonRepudiation
1.3.6.1.4.1.311.21.7 = ASN1:SEQUENCE:template
[alt]
email.1 = alice@example.test
DNS.1 = host.example.test
otherName.1 = 1.3.6.1.4.1.311.20.2.3;UTF8:alice@corp.example.test
URI.1 = https://example.test/x
IP.1 = 192.0.2.7
DNS.2 = second.example.test
[template]
oid = OID:1.3.6.1.4.1.311.21.8.1.2.3
major = INT:100
minor = INT:5
[key_encipherment]
keyUsage = digitalSignature, keyEncipherment
subjectAltName = email:bob@example.test
[no_key_usage]
basicConstraints = CA:FALSE
CNF

openssl genrsa -out "$work/key.pem" 2048 2>/dev/null
make_cert() {  # name, extension section, subject, serial
  openssl req -new -x509 -key "$work/key.pem" -subj "$3" -days 3650 -set_serial "$4" \
    -config "$work/ext.cnf" -extensions "$2" -outform DER -out "$out/$1.der"
}
make_cert alt_names alt_names "/O=Example/CN=Alice Example" 0x80
make_cert key_encipherment key_encipherment "/CN=Bob Example" 0x1234
make_cert no_key_usage no_key_usage "/CN=Carol Example" 7

# OpenSSL's reading of the alternative names: one line per name.
{
  openssl x509 -inform DER -in "$out/alt_names.der" -noout -ext subjectAltName | tail -n +2 |
    sed 's/^ *//; s/, /\n/g' |
    sed -e 's/^email:/san rfc822 /' -e 's/^DNS:/san dns /' -e 's/^othername: UPN::/san upn /' \
        -e 's/^URI:/san url /' -e 's/^IP Address:/san ip /'
  openssl x509 -inform DER -in "$out/key_encipherment.der" -noout -ext subjectAltName | tail -n +2 |
    sed 's/^ *email:/san2 rfc822 /'
  # The template extension's value, parsed by OpenSSL: OID, then major and minor version (hex).
  offset=$(openssl asn1parse -inform DER -in "$out/alt_names.der" |
           grep -A1 ':1.3.6.1.4.1.311.21.7$' | tail -n 1 | cut -d: -f1 | tr -d ' ')
  parsed=$(openssl asn1parse -inform DER -in "$out/alt_names.der" -strparse "$offset")
  oid=$(echo "$parsed" | grep OBJECT | awk -F: '{print $NF}')
  versions=$(echo "$parsed" | grep INTEGER | awk -F: '{print $NF}' | while read -r hex; do echo $((16#$hex)); done)
  echo "template $oid" $versions
} > "$out/expected.txt"

# A PKCS#1 v1.5 signature block as the key's owner sees it after the raw RSA operation: OpenSSL
# signs the SHA-256 digest of data.bin, the raw public operation gives back the padded block.
printf 'data signed by the fixtures' > "$work/data.bin"
openssl dgst -sha256 -binary -out "$out/sha256_digest.bin" "$work/data.bin"
openssl dgst -sha256 -sign "$work/key.pem" -out "$work/sig.bin" "$work/data.bin"
openssl pkeyutl -verifyrecover -inkey "$work/key.pem" -pkeyopt rsa_padding_mode:none \
  -in "$work/sig.bin" -out "$out/sha256_signature_block.bin"
