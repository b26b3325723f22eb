#!/usr/bin/env bash
# TLS material of the local test signing service, into the given folder:
#   service_ca.der / service_ca.pem   the test CA that the Wine prefix trusts
#   service_chain.pem, service.key    the server certificate (DNS:localhost) followed by that CA
#   untrusted_chain.pem, untrusted.key  a server certificate (DNS:localhost) of a CA nobody trusts,
#                                     sent alone, so that the client sees a one-element chain
#   service_ca.sha1 / untrusted_ca.sha1  lower-case SHA-1 fingerprints of the two CAs
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/fixture_ca.sh"
fixture_begin "$1"

cat > "$work/ext.cnf" <<'CNF'
[req]
distinguished_name = dn
[dn]
[ca]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[server]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = DNS:localhost
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
CNF

# make_ca <name> <subject>, make_server <name> <ca name>
make_ca() {
  openssl req -new -x509 -newkey rsa:2048 -nodes -keyout "$work/$1.key" -subj "$2" -days 3650 \
    -config "$work/ext.cnf" -extensions ca -out "$work/$1.pem" 2>/dev/null
}
make_server() {
  openssl req -new -newkey rsa:2048 -nodes -keyout "$out/$1.key" -subj "/CN=localhost" \
    -config "$work/ext.cnf" -out "$work/$1.csr" 2>/dev/null
  openssl x509 -req -in "$work/$1.csr" -CA "$work/$2.pem" -CAkey "$work/$2.key" -set_serial "0x$(openssl rand -hex 8)" \
    -days 3650 -extfile "$work/ext.cnf" -extensions server -out "$work/$1.pem" 2>/dev/null
}
fingerprint() {
  openssl x509 -in "$1" -noout -fingerprint -sha1 | sed 's/.*=//; s/://g' | tr 'A-F' 'a-f'
}

make_ca service_ca "/O=lumaPass tests/CN=lumaPass Test Service CA"
make_ca untrusted_ca "/O=lumaPass tests/CN=lumaPass Untrusted CA"
make_server service service_ca
make_server untrusted untrusted_ca
cat "$work/service.pem" "$work/service_ca.pem" > "$out/service_chain.pem"
cp "$work/untrusted.pem" "$out/untrusted_chain.pem"
cp "$work/service_ca.pem" "$out/service_ca.pem"
openssl x509 -in "$work/service_ca.pem" -outform DER -out "$out/service_ca.der"
fingerprint "$work/service_ca.pem" > "$out/service_ca.sha1"
fingerprint "$work/untrusted_ca.pem" > "$out/untrusted_ca.sha1"
