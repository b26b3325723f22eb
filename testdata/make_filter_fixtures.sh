#!/usr/bin/env bash
# Makes the certificates of the certificate-filter tests with an OpenSSL test CA: names, alternative
# names with e-mail, DNS and principal names, key usages, extended key usages, policies, a template,
# RSA and EC keys, the two authority key identifier forms and validity dates up to 99991231235959Z.
# filter_expected.txt holds what OpenSSL reads from them (fingerprints, key identifiers).
# Usage: make_filter_fixtures.sh <output folder>
set -euo pipefail
source "$(dirname "$0")/fixture_ca.sh"
fixture_begin "$1"
fixture_ca_database 01
cat >> "$work/ca.cnf" <<'CNF'
[root]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
authorityKeyIdentifier = none
CNF

cat > "$work/ext.cnf" <<'CNF'
[client]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = clientAuth
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
subjectAltName = @client_names
certificatePolicies = 1.2.3.4.5, 1.3.6.1.4.1.99999.1.2
1.3.6.1.4.1.311.21.7 = ASN1:SEQUENCE:template
[client_names]
email.1 = client.one@example.test
DNS.1 = host1.example.test
otherName.1 = 1.3.6.1.4.1.311.20.2.3;UTF8:client.one@corp.example.test
DNS.2 = host2.example.test
[template]
oid = OID:1.3.6.1.4.1.311.21.8.1234.5678
major = INT:100
minor = INT:3
[server]
keyUsage = keyAgreement, decipherOnly
extendedKeyUsage = serverAuth, clientAuth, emailProtection
authorityKeyIdentifier = keyid
subjectAltName = DNS:server.example.test
certificatePolicies = 1.2.3.4.5
[device]
basicConstraints = CA:FALSE
subjectKeyIdentifier = none
authorityKeyIdentifier = none
# The older authority key identifier (2.5.29.1): SEQUENCE { [0] keyIdentifier }.
2.5.29.1 = DER:30:0A:80:08:0F:1E:2D:3C:4B:5A:69:78
CNF

openssl genrsa -out "$work/ca.key" 2048 2>/dev/null
openssl req -new -x509 -key "$work/ca.key" -subj "/C=DE/O=Test/CN=Test Filter CA" -days 3650 \
  -set_serial 1 -config "$work/ca.cnf" -extensions root -out "$work/ca.pem"

issue() {  # name, key file, subject, serial (hex), extension section, start, end
  openssl req -new -key "$2" -subj "$3" -config "$work/ca.cnf" -out "$work/$1.csr"
  echo "$4" > "$work/serial"
  openssl ca -batch -notext -preserveDN -config "$work/ca.cnf" -cert "$work/ca.pem" -keyfile "$work/ca.key" \
    -in "$work/$1.csr" -extfile "$work/ext.cnf" -extensions "$5" -startdate "$6" -enddate "$7" \
    -out "$work/$1.pem" 2>/dev/null
  openssl x509 -in "$work/$1.pem" -outform DER -out "$out/$1.der"
}
openssl genrsa -out "$work/rsa2048.key" 2048 2>/dev/null
openssl genrsa -out "$work/rsa3072.key" 3072 2>/dev/null
openssl ecparam -name prime256v1 -genkey -noout -out "$work/ec.key"

issue filter_client "$work/rsa2048.key" "/C=DE/O=Test/OU=Users/CN=Client One" A1B2 client \
  20200101000000Z 99991231235959Z
issue filter_server "$work/rsa3072.key" "/C=DE/O=Other/CN=server.example.test" 01 server \
  20240101000000Z 20240102235959Z
issue filter_device "$work/ec.key" "/CN=EC Device" 7F device 20200101000000Z 20491231235959Z
openssl x509 -in "$work/ca.pem" -outform DER -out "$out/filter_ca.der"

{
  for name in filter_ca filter_client filter_server filter_device; do
    echo "sha1 $name $(openssl x509 -inform DER -in "$out/$name.der" -noout -fingerprint -sha1 |
                       cut -d= -f2 | tr -d :)"
  done
  echo "skid filter_ca $(openssl x509 -in "$work/ca.pem" -noout -ext subjectKeyIdentifier | tail -n 1 |
                         tr -d ' :')"
} > "$out/filter_expected.txt"
