#!/usr/bin/env bash
# Makes the trust-DLL fixtures of the provider discovery tests: DLLs whose "CERT" resources hold
# policy-signer certificates and whose "PROVIDER" resources hold provider-name prefixes (UTF-16LE,
# no terminator), compiled with windres and the MinGW compiler, then signed with osslsigncode by two
# code-signing certificates of a throw-away OpenSSL CA; one unsigned, one altered after signing.
# With a policy-signing CA certificate, a further signed DLL in "Binding" names it for the provider
# prefix ACME, so that the tests can verify real policies through a discovered trust.
# Usage: make_trust_fixtures.sh <mingw cc> <windres> <source of the DLL code> <output folder> [<CA .der>]
set -euo pipefail
cc=$1
windres=$2
source=$3
out=$4
policy_ca=${5:-}
folder="$out/Provider"
rm -rf "$folder" "$out/Binding"
mkdir -p "$folder" "$out/Binding"
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
[policy]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature
CNF

openssl req -new -x509 -newkey rsa:2048 -nodes -keyout "$work/ca.key" -subj "/CN=lumaPass Trust Test Root" \
  -days 3650 -config "$work/ca.cnf" -extensions ca -out "$work/ca.pem" 2>/dev/null

# issue <name> <subject> <extensions>: a certificate of the test CA as <name>.pem, <name>.key, <name>.der
serial=4096
issue() {
  serial=$((serial + 1))
  openssl req -new -newkey rsa:2048 -nodes -keyout "$work/$1.key" -subj "$2" -config "$work/ca.cnf" \
    -out "$work/$1.csr" 2>/dev/null
  openssl x509 -req -in "$work/$1.csr" -CA "$work/ca.pem" -CAkey "$work/ca.key" -set_serial "$serial" \
    -days 3650 -extfile "$work/ca.cnf" -extensions "$3" -out "$work/$1.pem" 2>/dev/null
  openssl x509 -in "$work/$1.pem" -outform DER -out "$work/$1.der"
}
issue trusted_signer "/O=Example/CN=Trusted Provider Operator" signer
issue other_signer "/O=Example/CN=Other Provider Operator" signer
issue policy_signer_1 "/O=Example/CN=Policy Signer One" policy
issue policy_signer_2 "/O=Example/CN=Policy Signer Two" policy
issue policy_signer_3 "/O=Example/CN=Policy Signer Three" policy
for name in trusted_signer other_signer policy_signer_1 policy_signer_2 policy_signer_3; do
  cp "$work/$name.der" "$out/trust_$name.der"
done

utf16() { printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE; }
utf16 ACME > "$work/acme.bin"
printf 'A' > "$work/one_byte.bin"
{ utf16 BETA; printf 'x'; } > "$work/beta_odd.bin"
: > "$work/empty.bin"

# dll <name> <rc lines>: compiles the code and the resources into <name>.dll in the work folder
dll() {
  printf '%s\n' "$2" > "$work/$1.rc"
  (cd "$work" && "$windres" -O coff -i "$1.rc" -o "$1.res.o")
  "$cc" -shared -O2 -static-libgcc -o "$work/$1.dll" "$source" "$work/$1.res.o"
}
dll acme '1 CERT "policy_signer_1.der"
2 CERT "empty.bin"
3 CERT "policy_signer_2.der"
1 PROVIDER "acme.bin"'
dll any '1 CERT "policy_signer_3.der"
1 PROVIDER "one_byte.bin"
2 PROVIDER "beta_odd.bin"'

# sign <dll> <signer> <output>
sign() {
  cat "$work/$2.pem" "$work/ca.pem" > "$work/$2.chain.pem"
  osslsigncode sign -certs "$work/$2.chain.pem" -key "$work/$2.key" -h sha256 -n "lumaPass trust test" \
    -in "$work/$1.dll" -out "$3" >/dev/null
}
sign acme trusted_signer "$folder/acme-trust-0-0-1.dll"
if [ -n "$policy_ca" ]; then
  cp "$policy_ca" "$work/policy_ca.der"
  dll binding '1 CERT "policy_ca.der"
1 PROVIDER "acme.bin"'
  sign binding trusted_signer "$out/Binding/acme-policy-0-0-1.dll"
fi
sign any other_signer "$folder/other-trust-0-0-2.dll"
cp "$work/any.dll" "$folder/unsigned-trust-0-0-3.dll"
sign any trusted_signer "$folder/tampered-trust-0-0-4.dll"
sign any trusted_signer "$folder/trust.dll"

# Altered: the first byte of the first section's raw data (the code) is inverted after signing.
target="$folder/tampered-trust-0-0-4.dll"
pe=$(od -An -tu4 -j 60 -N 4 "$target" | tr -d ' ')
optional_size=$(od -An -tu2 -j $((pe + 20)) -N 2 "$target" | tr -d ' ')
section=$((pe + 24 + optional_size))
raw=$(od -An -tu4 -j $((section + 20)) -N 4 "$target" | tr -d ' ')
byte=$(od -An -tu1 -j "$raw" -N 1 "$target" | tr -d ' ')
printf "$(printf '\\%03o' $((byte ^ 0xFF)))" | dd of="$target" bs=1 seek="$raw" conv=notrunc status=none
