#!/usr/bin/env bash
# Keys and certificates with which the local test signing service plays the remote signing
# service, into the given folder:
#   service_enc.key / service_enc.der   the service's encryption key and certificate (the client
#                                       envelopes its parameters for it)
#   alice.key / alice.pem / alice.der   the user key and certificate of the alias "alice"
#   policy_anna.p7                      the signed policy of the account "anna" (alias alice)
#   policy_bob.p7                       the same for "bob", allowed only in a domain no test joins
#   policy_signer.der                   the certificate that signed it
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/fixture_ca.sh"
fixture_begin "$1"

self_signed() {  # <name> <subject>
  openssl req -new -x509 -newkey rsa:2048 -nodes -keyout "$out/$1.key" -subj "$2" -days 3650 \
    -out "$out/$1.pem" 2>/dev/null
  openssl x509 -in "$out/$1.pem" -outform DER -out "$out/$1.der"
}
self_signed service_enc "/O=lumaPass tests/CN=lumaPass Test Vault Encryption"
self_signed alice "/O=lumaPass tests/CN=Alice Example"
self_signed policy_signer "/O=lumaPass tests/CN=lumaPass Test Policy Signer"

cat > "$work/anna.json" <<JSON
{"thisUpdate": "20261201000000Z", "nextUpdate": "20370101000000Z",
 "issuerId": "test-vault", "issuerEncCertFile": "$out/service_enc.der",
 "userId": "anna", "userFriendlyName": "Anna Example",
 "certificatePolicies": [{"alias": "alice", "friendlyName": "Alice signing key",
                          "certificateType": 33, "certificateFile": "$out/alice.der"}]}
JSON
python3 "$here/policy/make_policy.py" "$work/anna.json" --signer-cert "$out/policy_signer.pem" \
  --signer-key "$out/policy_signer.key" --out "$out/policy_anna.p7"

# The account "bob" may be used only in a Windows domain no test machine joins.
cat > "$work/bob.json" <<JSON
{"thisUpdate": "20261201000000Z", "nextUpdate": "20370101000000Z",
 "issuerId": "test-vault", "issuerEncCertFile": "$out/service_enc.der",
 "userId": "bob", "userFriendlyName": "Bob Example",
 "constraints": {"domain": "LUMAPASS-ELSEWHERE"},
 "certificatePolicies": [{"alias": "alice", "friendlyName": "Alice signing key",
                          "certificateType": 33, "certificateFile": "$out/alice.der"}]}
JSON
python3 "$here/policy/make_policy.py" "$work/bob.json" --signer-cert "$out/policy_signer.pem" \
  --signer-key "$out/policy_signer.key" --out "$out/policy_bob.p7"

# The demo account of the run script: its certificate's key needs no PIN at the service.
cat > "$work/demo.json" <<JSON
{"thisUpdate": "20261201000000Z", "nextUpdate": "20370101000000Z",
 "issuerId": "test-vault", "issuerEncCertFile": "$out/service_enc.der",
 "userId": "demo", "userFriendlyName": "Demo Account",
 "certificatePolicies": [{"alias": "nopin", "friendlyName": "Demo signing key",
                          "certificateType": 33, "certificateFile": "$out/alice.der"}]}
JSON
python3 "$here/policy/make_policy.py" "$work/demo.json" --signer-cert "$out/policy_signer.pem" \
  --signer-key "$out/policy_signer.key" --out "$out/policy_demo.p7"
