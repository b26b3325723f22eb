#!/usr/bin/env bash
# Makes the certificates of the store lister's fixture store: a CA and two certificates it issued,
# all from one key derived from a fixed seed, with fixed serials and dates, so every build makes
# the same bytes and the listing can be compared with a fixed expected text.
# Usage: make_store_fixtures.sh <output folder>
set -euo pipefail
here=$(dirname "$0")
source "$here/fixture_ca.sh"
fixture_begin "$1"
fixture_ca_database 1001

cat >> "$work/ca.cnf" <<'CNF'
[root]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[client]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = clientAuth, emailProtection
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
CNF

python3 "$here/fixed_rsa_key.py" "lumaPass store fixtures" 2048 "$work/key.pem"
# make_cert <name> <subject> <extension section> [-selfsign]
make_cert() {
  openssl req -new -key "$work/key.pem" -subj "$2" -config "$work/ca.cnf" -out "$work/$1.csr" 2>/dev/null
  local signer=(-cert "$work/ca.pem")
  [ "${4:-}" = -selfsign ] && signer=(-selfsign)
  openssl ca -batch -notext -config "$work/ca.cnf" -keyfile "$work/key.pem" "${signer[@]}" \
    -startdate 20250101000000Z -enddate 20450101000000Z -preserveDN -extensions "$3" \
    -in "$work/$1.csr" -out "$work/$1.pem" 2>/dev/null
  openssl x509 -in "$work/$1.pem" -outform DER -out "$out/$1.der"
}
make_cert ca "/O=Example Fixtures/CN=Fixture Store CA" root -selfsign
make_cert alice "/O=Example Fixtures/CN=Alice Example" client
make_cert john "/O=Example Fixtures/CN=John Doe (Test)" client
