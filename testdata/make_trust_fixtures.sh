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
source "$(dirname "$0")/fixture_ca.sh"
fixture_begin "$out"
fixture_code_signing_ca "/CN=lumaPass Trust Test Root"
cat >> "$work/ca.cnf" <<'CNF'
[policy]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature
CNF

fixture_issue trusted_signer "/O=Example/CN=Trusted Provider Operator" signer 4097
fixture_issue other_signer "/O=Example/CN=Other Provider Operator" signer 4098
fixture_issue policy_signer_1 "/O=Example/CN=Policy Signer One" policy 4099
fixture_issue policy_signer_2 "/O=Example/CN=Policy Signer Two" policy 4100
fixture_issue policy_signer_3 "/O=Example/CN=Policy Signer Three" policy 4101
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

# Altered: the code of a signed copy changed after signing.
fixture_alter_code "$folder/tampered-trust-0-0-4.dll"
