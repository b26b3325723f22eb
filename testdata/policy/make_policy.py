#!/usr/bin/env python3
"""Makes one signed policy from a readable description: the interface the test signing service uses.

Usage: make_policy.py DESCRIPTION.json --signer-cert SIGNER.pem --signer-key KEY.pem --out POLICY.p7
                      [--body-out POLICY.der] [--content-type OID] [--no-signed-attributes]

The description (JSON):
  {"thisUpdate": "20261201000000Z", "nextUpdate": "20270101000000Z",
   "issuerId": "...", "issuerIconHex": "..." | "issuerIconFile": "icon.png",
   "issuerEncCertFile": "service.der", "userId": "...", "userFriendlyName": "...",
   "constraints": {"domain": "DOM", "hostname": "PC1"},            (each optional)
   "certificatePolicies": [
     {"alias": "...", "friendlyName": "...", "policyNotification": "...",
      "pinPolicy": {"maxPinCacheTime": 300, "maxPinCacheReuse": 10, "nextPinChange": "20270101000000Z",
                    "pinConstraints": {"minLength": 4, "maxLength": 8, "minNumericCharacters": 1,
                                       "minSymbolCharacters": 0, "minUpperCaseCharacters": 0,
                                       "minLowerCaseCharacters": 0}},
      "processNames": ["%SystemRoot%\\\\notepad.exe"], "certificateType": 33,
      "certificateFile": "cert.der"}]}
Texts that are plain ASCII become IA5Strings, others UTF8Strings. The signature is CMS SignedData with
SHA-256, signed attributes, the signer's certificate inside and its issuer and serial number as the
signer identifier; the content type is the product's policy content type unless given. The product
refuses a policy signed without signed attributes: only the signed content-type attribute binds the
content type to the signature.
"""
import argparse
import json
import sys

import policy_der


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('description')
    parser.add_argument('--signer-cert', required=True)
    parser.add_argument('--signer-key', required=True)
    parser.add_argument('--out', required=True)
    parser.add_argument('--body-out')
    parser.add_argument('--content-type')
    parser.add_argument('--no-signed-attributes', action='store_true')
    arguments = parser.parse_args()
    with open(arguments.description, encoding='utf-8') as source:
        description = json.load(source)
    body = policy_der.encode(policy_der.policy_tree(description))
    if arguments.body_out:
        with open(arguments.body_out, 'wb') as target:
            target.write(body)
    signed = policy_der.sign_policy(body, arguments.signer_cert, arguments.signer_key, arguments.content_type,
                                    not arguments.no_signed_attributes)
    with open(arguments.out, 'wb') as target:
        target.write(signed)
    return 0


if __name__ == '__main__':
    sys.exit(main())
