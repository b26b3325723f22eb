#!/usr/bin/env bash
# Makes the extra certificate of the filter-list tests with OpenSSL: a self-signed RSA 1024
# certificate with digitalSignature alone, server authentication alone, and a validity that ended
# before the 32-bit seconds count (since 1601) wrapped in 2009.
# Usage: make_legacy_filter_fixtures.sh <output folder>
set -euo pipefail
source "$(dirname "$0")/fixture_ca.sh"
fixture_begin "$1"
fixture_ca_database 2009
cat >> "$work/ca.cnf" <<'CNF'
[old]
keyUsage = critical, digitalSignature
extendedKeyUsage = serverAuth
subjectKeyIdentifier = none
authorityKeyIdentifier = none
CNF

openssl genrsa -out "$work/old.key" 1024 2>/dev/null
openssl req -new -key "$work/old.key" -subj "/O=Legacy/CN=Old Signer" -config "$work/ca.cnf" -out "$work/old.csr"
openssl ca -batch -notext -selfsign -preserveDN -config "$work/ca.cnf" -keyfile "$work/old.key" \
  -in "$work/old.csr" -extensions old -startdate 20050101000000Z -enddate 20080630000000Z \
  -out "$work/old.pem" 2>/dev/null
openssl x509 -in "$work/old.pem" -outform DER -out "$out/filter_old.der"
