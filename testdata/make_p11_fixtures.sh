#!/usr/bin/env bash
# Makes the certificates of the PKCS#11 object and slot tests with OpenSSL: RSA 2048 signing and
# encryption certificates of a throw-away CA, one with a serial number too long for the short DER
# length form, and plain certificates for the label and selection cases. expected.txt holds, per
# certificate, OpenSSL's SHA-1 fingerprint, modulus and exponent and the DER of its serial number,
# issuer and subject, cut out of the certificate itself.
# Usage: make_p11_fixtures.sh <output folder>
set -euo pipefail
source "$(dirname "$0")/fixture_ca.sh"
fixture_begin "$1"

fixture_code_signing_ca "/O=Example/CN=Token Test CA"
cat >> "$work/ca.cnf" <<'CNF'
[signing]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature, nonRepudiation
[encryption]
basicConstraints = CA:FALSE
keyUsage = critical, keyEncipherment, dataEncipherment
[plain]
basicConstraints = CA:FALSE
CNF

# A 150-byte serial: above 127 bytes its DER length needs the long form (81 96).
long_serial=0x7$(printf 'ab%.0s' $(seq 1 149))f

fixture_issue signing "/O=Example/CN=Alice Signing" signing 0x1234
fixture_issue encryption "/O=Example/CN=Alice Encryption" encryption 0x00AB0001
fixture_issue long_serial "/O=Example/CN=Long Serial" signing "$long_serial"
fixture_issue plain_a "/CN=Plain A" plain 0x0A
fixture_issue plain_b "/CN=Plain B" plain 0x0B
fixture_issue plain_c "/CN=Plain C" plain 0x0C

# The DER element of the certificate's TBS fields: serial (index 1), issuer (3) and subject (5),
# counting the explicit version as index 0.
tbs_element() {  # der file, field index
  python3 - "$1" "$2" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
def element(buf, pos):
    tag, length, head = buf[pos], buf[pos + 1], 2
    if length & 0x80:
        count = length & 0x7F
        length = int.from_bytes(buf[pos + 2:pos + 2 + count], 'big')
        head += count
    return pos + head, pos + head + length   # content start, end
cert_content, _ = element(data, 0)
pos, _ = element(data, cert_content)          # inside TBSCertificate
for _ in range(int(sys.argv[2])):
    pos = element(data, pos)[1]
start, end = element(data, pos)
print(data[pos:end].hex())
PY
}

: > "$out/expected.txt"
for name in signing encryption long_serial plain_a plain_b plain_c; do
  cp "$work/$name.der" "$out/$name.der"
  sha1=$(openssl x509 -inform DER -in "$out/$name.der" -noout -fingerprint -sha1 | cut -d= -f2 | tr -d ':')
  modulus=$(openssl x509 -inform DER -in "$out/$name.der" -noout -modulus | cut -d= -f2)
  exponent=$(openssl x509 -inform DER -in "$out/$name.der" -noout -text |
             sed -n 's/.*Exponent: \([0-9]*\) .*/\1/p')
  {
    echo "$name sha1 $sha1"
    echo "$name modulus $modulus"
    echo "$name exponent $(printf '%X' "$exponent")"
    echo "$name serial $(tbs_element "$out/$name.der" 1)"
    echo "$name issuer $(tbs_element "$out/$name.der" 3)"
    echo "$name subject $(tbs_element "$out/$name.der" 5)"
  } >> "$out/expected.txt"
done
