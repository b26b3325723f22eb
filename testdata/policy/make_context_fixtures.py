#!/usr/bin/env python3
"""Makes the signed policies of the policy store and provider context tests.

Usage: make_context_fixtures.py POLICY_FIXTURE_FOLDER OUTPUT_FOLDER

Uses the signer, its key and the certificates that make_policy_fixtures.py wrote into
POLICY_FIXTURE_FOLDER (the trusted signer is its policy_ca.der) and writes into OUTPUT_FOLDER:
  alice.p7          account "alice" with a signature and an encryption certificate
  alice_later.p7    the same account and content, issued later (another thisUpdate)
  alice_changed.p7  the same account with another friendly name (other content)
  bob.p7            account "bob" whose signature certificate is alice's (one certificate, two accounts)
  elsewhere.p7      account "carol", limited to a domain no test machine joins
"""
import os
import sys

import policy_der as d


def certificate_policy(alias, certificate, cache_time=300, cache_reuse=10):
    return {'alias': alias, 'friendlyName': alias, 'policyNotification': '',
            'pinPolicy': {'maxPinCacheTime': cache_time, 'maxPinCacheReuse': cache_reuse,
                          'nextPinChange': '20991231000000Z',
                          'pinConstraints': {'minLength': 4, 'maxLength': 8, 'minNumericCharacters': 0,
                                             'minSymbolCharacters': 0, 'minUpperCaseCharacters': 0,
                                             'minLowerCaseCharacters': 0}},
            'processNames': [], 'certificateType': 0x09, 'certificateFile': certificate}


def main():
    fixtures, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    signer = (os.path.join(fixtures, 'work', 'policy_signer.pem'), os.path.join(fixtures, 'work', 'leaf_key.pem'))
    signature = os.path.join(fixtures, 'signature_cert.der')
    encryption = os.path.join(fixtures, 'encryption_cert.der')
    alice = {
        'thisUpdate': '20261201080000Z', 'nextUpdate': '20991231235959Z', 'issuerId': 'Example Issuer',
        'issuerIconHex': '', 'issuerEncCertFile': os.path.join(fixtures, 'service_cert.der'),
        'userId': 'alice', 'userFriendlyName': 'Alice', 'constraints': {},
        'certificatePolicies': [certificate_policy('alice-sign', signature),
                                certificate_policy('alice-crypt', encryption)],
    }
    policies = {
        'alice': alice,
        'alice_later': dict(alice, thisUpdate='20261205080000Z'),
        'alice_changed': dict(alice, userFriendlyName='Alice Renamed'),
        'bob': dict(alice, userId='bob', userFriendlyName='Bob',
                    certificatePolicies=[certificate_policy('bob-sign', signature)]),
        'elsewhere': dict(alice, userId='carol', userFriendlyName='Carol',
                          constraints={'domain': 'NO-SUCH-DOMAIN.INVALID'},
                          certificatePolicies=[certificate_policy('carol-sign', encryption)]),
    }
    for name, description in policies.items():
        signed = d.sign_policy(d.encode(d.policy_tree(description)), *signer)
        with open(os.path.join(out, name + '.p7'), 'wb') as target:
            target.write(signed)
    return 0


if __name__ == '__main__':
    sys.exit(main())
