#!/usr/bin/env bash
# Makes the extra certificate of the filter-list tests with OpenSSL: a self-signed RSA 1024
# certificate with digitalSignature alone, server authentication alone, and a validity that ended
# before the 32-bit seconds count (since 1601) wrapped in 2009.
# Usage: make_legacy_filter_fixtures.sh <output folder>
set -euo pipefail
out=$1
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/new"
: > "$work/index.txt"
echo 2009 > "$work/serial"

cat > "$work/ca.cnf" <<CNF
[ca]
default_ca = ca_default
[ca_default]
dir = $work
database = $work/index.txt
new_certs_dir = $work/new
serial = $work/serial
default_md = sha256
policy = policy_any
unique_subject = no
email_in_dn = no
[policy_any]
commonName = supplied
[req]
distinguished_name = dn
[dn]
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
