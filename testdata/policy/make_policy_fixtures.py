#!/usr/bin/env python3
"""Makes the signed-policy fixtures of the tests with OpenSSL.

Usage: make_policy_fixtures.py OUTPUT_FOLDER

Writes into OUTPUT_FOLDER:
  policy_ca.der         the trusted policy signer (a CA), policy_signer.der the certificate it issued
  other_ca.der          an unrelated CA
  valid.p7 / valid.der  a policy with two certificate policies (signed / its content)
  valid_noattr.p7       the same signed without signed attributes
  valid_with_ca.p7      the same content signed again, with policy_ca inside as well
  reissued.p7           the same policy issued a day later (only thisUpdate differs)
  outdated.p7           a policy whose nextUpdate has passed
  data_type.p7          signed with the standard data content type
  untrusted.p7          signed by a certificate of other_ca
  forged.p7             signed by a certificate that names policy_ca as issuer but was signed by another key
  tampered_content.p7, tampered_digest.p7, tampered_signature.p7   valid.p7 with one byte changed
  hand_signed.p7        valid.der signed without OpenSSL's CMS code: the signed attributes built here
  empty_attributes.p7   valid.der under a signature over an empty set of signed attributes, which
                        binds no content
  no_digest.p7          valid.der whose signed attributes hold the content type alone: no content bound
  no_content_type.p7, two_content_types.p7, two_content_type_values.p7
                        valid.der whose signed attributes carry the digest but no, two, or one
                        two-valued content-type attribute
  data_relabelled.p7    valid.der signed as plain data, then given the policy's outer content type
  not_a_message.p7      bytes that are no signed message
  expired_12h.der, expired_36h.der   certificates that expired that long before this run
  malformed.txt         one line per malformed policy: name TAB expected message; each has name.p7
                        (signed like valid.p7) and name.der (its content)
"""
import copy
import datetime
import hashlib
import os
import sys

import policy_der as d


def stamp(moment):
    return moment.strftime('%Y%m%d%H%M%SZ')


def write(folder, name, data):
    with open(os.path.join(folder, name), 'wb') as target:
        target.write(data)


def replaced(tree, path, node):
    """A copy of tree with the element at path (indexes into constructed elements) replaced; [] is
    the root. node None removes the element."""
    if not path:
        return node
    result = copy.deepcopy(tree)
    parent = result
    for index in path[:-1]:
        parent = parent[1][index]
    if node is None:
        del parent[1][path[-1]]
    else:
        parent[1][path[-1]] = node
    return result


def appended(tree, path, node):
    result = copy.deepcopy(tree)
    parent = result
    for index in path:
        parent = parent[1][index]
    parent[1].append(node)
    return result


PC, CP, CP2, PIN, PINC, CC, CT = [8], [9, 0], [9, 1], [9, 0, 3], [9, 0, 3, 4], [9, 0, 5], [9, 0, 6]
TEXT = d.ia5('x')
INT = d.integer(1)


def head_variants(prefix, structure, path, count, valid_head):
    """The four head errors shared by every structure, and the element count where it is fixed."""
    malformed = 'ASN.1 Error: Malformed %s. ' % structure
    variants = [
        (prefix + '_not_sequence', path, d.integer(1), malformed + 'Element is not a SEQUENCE.'),
        (prefix + '_empty', path, d.sequence(), malformed + 'Empty SEQUENCE.'),
        (prefix + '_no_version', path, d.sequence(d.ia5('1')), malformed + 'Version not present.'),
        (prefix + '_version', path, d.sequence(d.integer(2), *valid_head),
         'ASN.1 Error: Unsupported %s version' % structure),
    ]
    if count:
        variants.append((prefix + '_count', path, d.sequence(d.integer(1), *valid_head),
                         malformed + 'SEQUENCE does not contain %d elements.' % count))
    return variants


def malformed_variants(valid):
    def element(path):
        node = valid
        for index in path:
            node = node[1][index]
        return node

    def tail(path):
        return element(path)[1][1:3]  # two valid elements after the version: too few for any count

    pinc = 'ASN.1 Error: Malformed PinConstraints. Wrong type for '
    variants = head_variants('policy', 'Policy', [], 10, tail([])) + [
        ('policy_this_update', [1], d.integer(0), 'ASN.1 Error: Malformed Policy. Wrong type for thisUpdate.'),
        ('policy_next_update', [2], d.ia5('tomorrow'), 'ASN.1 Error: Malformed Policy. Wrong type for nextUpdate.'),
        ('policy_issuer_id', [3], d.integer(5), 'ASN.1 Error: Malformed CertificatePolicy. issuerId is not an IA5String.'),
        ('policy_issuer_icon', [4], TEXT, 'ASN.1 Error: Malformed Policy. issuerIcon is not an OCTET STRING.'),
        ('policy_issuer_enc_cert', [5], INT, 'ASN.1 Error: Malformed Policy. issuerEncCert is not an OCTET STRING.'),
        ('policy_user_id', [6], d.octets(b'alice'), 'ASN.1 Error: Malformed CertificatePolicy. userId is not an IA5String.'),
        ('policy_user_friendly_name', [7], INT,
         'ASN.1 Error: Malformed CertificatePolicy. userFriendlyName is not an IA5String.'),
        ('policy_certificate_policies', [9], d.octets(b''),
         'ASN.1 Error: Malformed Policy. certificatePolicies is not a SEQUENCE.'),
    ]
    variants += head_variants('constraints', 'PolicyConstraints', PC, 0, [])
    variants += [
        ('constraints_domain', PC, d.sequence(INT, d.tagged(0, d.integer(3))),
         'ASN.1 Error: Malformed PolicyConstraints. Domain is not an IA5String.'),
        ('constraints_hostname', PC, d.sequence(INT, d.tagged(1, d.octets(b'PC1'))),
         'ASN.1 Error: Malformed PolicyConstraints. Hostname is not an IA5String.'),
        ('constraints_tag', PC, d.sequence(INT, d.tagged(2, d.ia5('X'))),
         'ASN.1 Error: Malformed PolicyConstraints. Unsupported tag.'),
        ('constraints_two_hostnames', PC, d.sequence(INT, d.tagged(1, d.ia5('PC1')), d.tagged(1, d.ia5('PC2'))),
         'ASN.1 Error: Malformed PolicyConstraints. Unexpected tag.'),
        ('constraints_third_hostname', PC, d.sequence(INT, d.tagged(0, d.ia5('DOM')), d.tagged(1, INT)),
         'ASN.1 Error: Malformed PolicyConstraints.  Hostname is not an IA5String.'),
    ]
    cp = 'ASN.1 Error: Malformed CertificatePolicy. '
    variants += head_variants('certificate_policy', 'CertificatePolicy', CP, 8, tail(CP))
    variants += [
        ('certificate_policy_alias', CP + [1], INT, cp + 'alias is not an IA5String.'),
        ('certificate_policy_friendly_name', CP + [2], INT, cp + 'friendlyName is not an IA5String.'),
        ('certificate_policy_notification', CP + [4], d.octets(b''), cp + 'policyNotification is not an IA5String.'),
        ('certificate_policy_certificate', CP + [7], TEXT, cp + 'certificate is not an OCTET STRING.'),
        ('second_certificate_policy_alias', CP2 + [1], INT, cp + 'alias is not an IA5String.'),
    ]
    pin = 'ASN.1 Error: Malformed PinPolicy. Wrong type for '
    variants += head_variants('pin_policy', 'PinPolicy', PIN, 5, tail(PIN))
    variants += [
        ('pin_policy_cache_time', PIN + [1], d.integer(2 ** 40), pin + 'maxPinCacheTime.'),
        ('pin_policy_cache_reuse', PIN + [2], TEXT, pin + 'maxPinCacheReuse.'),
        ('pin_policy_next_change', PIN + [3], INT, pin + 'nextPinChange.'),
    ]
    variants += head_variants('pin_constraints', 'PinConstraints', PINC, 7, tail(PINC))
    for index, field in enumerate(('minLength', 'maxLength', 'minNumericCharacters', 'minSymbolCharacters',
                                   'minUpperCaseCharacters', 'minLowerCaseCharacters')):
        variants.append(('pin_constraints_' + field, PINC + [index + 1], TEXT, pinc + field + '.'))
    cc = 'ASN.1 Error: Malformed CertificateConstraints. '
    variants += head_variants('certificate_constraints', 'CertificateConstraints', CC, 0, [])
    variants += [
        ('certificate_constraints_extra', CC, d.sequence(INT, d.tagged(0, d.sequence(d.ia5('a.exe'))), INT),
         cc + 'Unexpected data present.'),
        ('certificate_constraints_tag', CC, d.sequence(INT, d.tagged(1, d.sequence())), cc + 'Unsupported tag.'),
        ('certificate_constraints_names', CC, d.sequence(INT, d.tagged(0, d.ia5('a.exe'))),
         cc + 'Wrong data type for processNames.'),
        ('certificate_constraints_name', CC, d.sequence(INT, d.tagged(0, d.sequence(d.ia5('a.exe'), INT))),
         cc + 'Wrong data type for processName.'),
        ('certificate_type_not_bits', CT, d.octets(b'\x01'),
         'ASN.1 Error: Malformed CertificateType. Element is not a BIT STRING.'),
        ('certificate_type_size', CT, d.bits([0x21, 0x00]),
         'ASN.1 Error: Malformed CertificateType. Wrong size of BIT STRING.'),
    ]
    result = [(name, replaced(valid, path, node), message) for name, path, node, message in variants]
    result.append(('policy_eleven', appended(valid, [], INT),
                   'ASN.1 Error: Malformed Policy. SEQUENCE does not contain 10 elements.'))
    return result


def flip(data, offset):
    changed = bytearray(data)
    changed[offset] ^= 0x01
    return bytes(changed)


SHA256 = d.sequence(d.oid('2.16.840.1.101.3.4.2.1'))
CONTENT_TYPE_OID, MESSAGE_DIGEST_OID, DATA_OID = '1.2.840.113549.1.9.3', '1.2.840.113549.1.9.4', '1.2.840.113549.1.7.1'


def attribute(oid, *values):
    return d.sequence(d.oid(oid), (d.TAG_SET, list(values)))


def sign_with_attributes(content, attributes, signer_der, signer_key_pem, issuer, serial):
    """A SignedData with the policy's outer content type whose signer info carries exactly the given
    signed attributes (in DER order), signed with SHA-256 and RSA over their SET OF encoding."""
    encodings = sorted(d.encode(node) for node in attributes)
    signature = d.run('openssl', 'dgst', '-sha256', '-sign', signer_key_pem,
                      stdin=d.encode((d.TAG_SET, [d.raw(e) for e in encodings])))
    signer_info = d.sequence(d.integer(1), d.sequence(d.name(issuer), d.integer(serial)), SHA256,
                             (0xA0, [d.raw(e) for e in encodings]),
                             d.sequence(d.oid('1.2.840.113549.1.1.1'), (0x05, b'')), d.octets(signature))
    signed_data = d.sequence(d.integer(1), (d.TAG_SET, [SHA256]),
                             d.sequence(d.oid(d.content_type_of_product()), d.tagged(0, d.octets(content))),
                             (0xA0, [d.raw(signer_der)]), (d.TAG_SET, [signer_info]))
    return d.encode(d.sequence(d.oid('1.2.840.113549.1.7.2'), d.tagged(0, signed_data)))


def signed_attribute_variants(content):
    """Signed attribute sets by fixture name: 'hand_signed' is the one correct set (content type and
    digest); the others lack or repeat one of the two."""
    digest = attribute(MESSAGE_DIGEST_OID, d.octets(hashlib.sha256(content).digest()))
    policy_type = d.oid(d.content_type_of_product())
    return {
        'hand_signed': [attribute(CONTENT_TYPE_OID, policy_type), digest],
        'empty_attributes': [],
        'no_digest': [attribute(CONTENT_TYPE_OID, policy_type)],
        'no_content_type': [digest],
        'two_content_types': [attribute(CONTENT_TYPE_OID, policy_type), attribute(CONTENT_TYPE_OID, policy_type),
                              digest],
        'two_content_type_values': [attribute(CONTENT_TYPE_OID, policy_type, policy_type), digest],
    }


def decode(data):
    """The tree of one DER element (definite lengths only), so that OpenSSL's output can be edited."""
    tag, size, offset = data[0], data[1], 2
    if size & 0x80:
        count = size & 0x7F
        if count == 0:
            raise ValueError('indefinite length')
        size, offset = int.from_bytes(data[2:2 + count], 'big'), 2 + count
    content = data[offset:offset + size]
    if not tag & 0x20:
        return (tag, content), offset + size
    children, position = [], 0
    while position < len(content):
        child, used = decode(content[position:])
        children.append(child)
        position += used
    return (tag, children), offset + size


def relabelled_as_policy(signed):
    """An OpenSSL SignedData with its encapsulated content type (outside the signature) replaced by
    the policy content type; its signed content-type attribute still names what was signed."""
    tree, _ = decode(signed)
    encapsulated = tree[1][1][1][0][1][2]  # ContentInfo, [0], SignedData, encapContentInfo
    encapsulated[1][0] = d.oid(d.content_type_of_product())
    return d.encode(tree)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    work = os.path.join(out, 'work')
    os.makedirs(work, exist_ok=True)
    keys = {}
    for key in ('ca', 'other', 'leaf'):
        keys[key] = os.path.join(work, key + '_key.pem')
        if not os.path.exists(keys[key]):
            d.run('openssl', 'genpkey', '-algorithm', 'RSA', '-pkeyopt', 'rsa_keygen_bits:2048', '-out', keys[key])

    now = datetime.datetime.now(datetime.timezone.utc).replace(microsecond=0)
    start, end = '20250101000000Z', '20451231000000Z'
    certificates = {
        'policy_ca': ('Policy Signing CA', 'Policy Signing CA', 1, start, end, 'ca', 'ca', True, None),
        'policy_signer': ('Policy Signer', 'Policy Signing CA', 2, start, end, 'leaf', 'ca', False, 0x80),
        'other_ca': ('Other CA', 'Other CA', 3, start, end, 'other', 'other', True, None),
        'other_signer': ('Other Signer', 'Other CA', 4, start, end, 'leaf', 'other', False, 0x80),
        'forged_signer': ('Policy Signer', 'Policy Signing CA', 5, start, end, 'leaf', 'other', False, 0x80),
        'signature_cert': ('Alice Signature', 'Policy Signing CA', 6, start, end, 'leaf', 'ca', False, 0xC0),
        'encryption_cert': ('Alice Encryption', 'Policy Signing CA', 7, start, end, 'leaf', 'ca', False, 0x20),
        'service_cert': ('Signing Service', 'Policy Signing CA', 8, start, end, 'leaf', 'ca', False, 0x20),
        'expired_12h': ('Expired 12h', 'Policy Signing CA', 9, start, stamp(now - datetime.timedelta(hours=12)),
                        'leaf', 'ca', False, 0x80),
        'expired_36h': ('Expired 36h', 'Policy Signing CA', 10, start, stamp(now - datetime.timedelta(hours=36)),
                        'leaf', 'ca', False, 0x80),
    }
    for file_name, (subject, issuer, serial, not_before, not_after, key, issuer_key, ca, usage) in certificates.items():
        der = d.make_certificate(subject, issuer, serial, not_before, not_after, keys[key], keys[issuer_key], ca, usage)
        write(out, file_name + '.der', der)
        d.der_to_pem(os.path.join(out, file_name + '.der'), os.path.join(work, file_name + '.pem'))

    description = {
        'thisUpdate': '20261201080000Z', 'nextUpdate': '20991231235959Z', 'issuerId': 'Example Issuer',
        'issuerIconHex': '89504e470d0a1a0a', 'issuerEncCertFile': os.path.join(out, 'service_cert.der'),
        'userId': 'Alice.\u00d6rn', 'userFriendlyName': 'Alice Example Account',
        'constraints': {},
        'certificatePolicies': [
            {'alias': 'alice-sign', 'friendlyName': 'Alice signature', 'policyNotification': 'Sign with care',
             'pinPolicy': {'maxPinCacheTime': 300, 'maxPinCacheReuse': 10, 'nextPinChange': '19900101000000Z',
                           'pinConstraints': {'minLength': 4, 'maxLength': 8, 'minNumericCharacters': 1,
                                              'minSymbolCharacters': 0, 'minUpperCaseCharacters': 0,
                                              'minLowerCaseCharacters': 0}},
             'processNames': ['%SystemRoot%\\notepad.exe', '*\\winword.exe'], 'certificateType': 0x09,
             'certificateFile': os.path.join(out, 'signature_cert.der')},
            {'alias': 'alice-crypt', 'friendlyName': 'Alice encryption', 'certificateType': 0x20,
             'certificateFile': os.path.join(out, 'encryption_cert.der')},
        ],
    }
    signer = (os.path.join(work, 'policy_signer.pem'), keys['leaf'])
    valid = d.policy_tree(description)
    body = d.encode(valid)
    write(out, 'valid.der', body)
    signed = d.sign_policy(body, *signer)
    write(out, 'valid.p7', signed)
    write(out, 'valid_noattr.p7', d.sign_policy(body, *signer, signed_attributes=False))
    write(out, 'valid_with_ca.p7', d.sign_policy(body, *signer, extra_certs_pem=os.path.join(work, 'policy_ca.pem')))
    reissued = dict(description, thisUpdate='20261202080000Z')
    write(out, 'reissued.p7', d.sign_policy(d.encode(d.policy_tree(reissued)), *signer))
    outdated = dict(description, nextUpdate='20200101000000Z')
    write(out, 'outdated.p7', d.sign_policy(d.encode(d.policy_tree(outdated)), *signer))
    write(out, 'data_type.p7', d.sign_policy(body, *signer, content_type='1.2.840.113549.1.7.1'))
    write(out, 'untrusted.p7', d.sign_policy(body, os.path.join(work, 'other_signer.pem'), keys['leaf']))
    write(out, 'forged.p7', d.sign_policy(body, os.path.join(work, 'forged_signer.pem'), keys['leaf']))
    write(out, 'not_a_message.p7', b'\x30\x03\x02\x01\x01 no signed message')

    # One byte changed: in the signed content, in the messageDigest attribute, in the signature.
    write(out, 'tampered_content.p7', flip(signed, signed.index(b'Alice Example Account')))
    digest_oid = d.encode(d.oid('1.2.840.113549.1.9.4'))
    digest_offset = signed.index(digest_oid) + len(digest_oid) + 4  # SET and OCTET STRING headers
    write(out, 'tampered_digest.p7', flip(signed, digest_offset))
    write(out, 'tampered_signature.p7', flip(signed, len(signed) - 1))
    with open(os.path.join(out, 'policy_signer.der'), 'rb') as source:
        signer_der = source.read()
    for name, attributes in signed_attribute_variants(body).items():
        write(out, name + '.p7', sign_with_attributes(body, attributes, signer_der, keys['leaf'], 'Policy Signing CA', 2))
    # Anything a policy signer signed as plain data, its outer type changed afterwards.
    write(out, 'data_relabelled.p7', relabelled_as_policy(d.sign_policy(body, *signer, content_type=DATA_OID)))

    with open(os.path.join(out, 'malformed.txt'), 'w', encoding='utf-8', newline='\n') as manifest:
        for name, tree, message in malformed_variants(valid):
            variant = d.encode(tree)
            write(out, name + '.der', variant)
            write(out, name + '.p7', d.sign_policy(variant, *signer))
            manifest.write('%s\t%s\n' % (name, message))
    return 0


if __name__ == '__main__':
    sys.exit(main())
