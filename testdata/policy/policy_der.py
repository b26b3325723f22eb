"""DER writing for signed policies and their test certificates, and signing with the openssl tool.

A node is (tag, bytes) for a primitive element or (tag, [nodes]) for a constructed one; encode()
turns a tree into DER. policy_tree() builds the tree of a Policy from a readable description (see
make_policy.py), so that tests can change single elements before encoding.
"""
import os
import re
import subprocess
import tempfile

TAG_INTEGER, TAG_BIT_STRING, TAG_OCTET_STRING, TAG_OID = 0x02, 0x03, 0x04, 0x06
TAG_UTF8, TAG_PRINTABLE, TAG_IA5, TAG_UTC_TIME, TAG_GENERALIZED_TIME = 0x0C, 0x13, 0x16, 0x17, 0x18
TAG_SEQUENCE, TAG_SET = 0x30, 0x31


def content_type_of_product():
    """The policy content type, read from the product's header so both always agree."""
    header = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'policy', 'core',
                          'policy_content_type.h')
    with open(header, encoding='ascii') as source:
        match = re.search(r'kPolicyContentType\[\] = "([0-9.]+)"', source.read())
    if not match:
        raise RuntimeError('no kPolicyContentType in ' + header)
    return match.group(1)


def encode_length(size):
    if size < 0x80:
        return bytes([size])
    octets = size.to_bytes((size.bit_length() + 7) // 8, 'big')
    return bytes([0x80 | len(octets)]) + octets


def raw(encoding):
    """An element already encoded."""
    return (None, bytes(encoding))


def encode(node):
    tag, value = node
    if tag is None:
        return value
    if isinstance(value, list):
        value = b''.join(encode(child) for child in value)
    return bytes([tag]) + encode_length(len(value)) + value


def integer(value):
    size = max(1, (value.bit_length() + 8) // 8)
    return (TAG_INTEGER, value.to_bytes(size, 'big', signed=True))


def ia5(text):
    return (TAG_IA5, text.encode('ascii'))


def utf8(text):
    return (TAG_UTF8, text.encode('utf-8'))


def text(value):
    """IA5String where the text allows it, else UTF8String."""
    return ia5(value) if value.isascii() else utf8(value)


def octets(data):
    return (TAG_OCTET_STRING, bytes(data))


def bits(data, unused=0):
    return (TAG_BIT_STRING, bytes([unused]) + bytes(data))


def time(value):
    """'YYYYMMDDhhmmssZ': UTCTime for 1950 to 2049 as DER asks, else GeneralizedTime."""
    year = int(value[:4])
    if 1950 <= year < 2050:
        return (TAG_UTC_TIME, value[2:].encode('ascii'))
    return (TAG_GENERALIZED_TIME, value.encode('ascii'))


def sequence(*children):
    return (TAG_SEQUENCE, list(children))


def tagged(number, child):
    return (0xA0 | number, [child])


def oid(dotted):
    arcs = [int(arc) for arc in dotted.split('.')]
    body = bytearray([arcs[0] * 40 + arcs[1]])
    for arc in arcs[2:]:
        chunk = [arc & 0x7F]
        arc >>= 7
        while arc:
            chunk.insert(0, 0x80 | (arc & 0x7F))
            arc >>= 7
        body += bytes(chunk)
    return (TAG_OID, bytes(body))


# --- The policy -----------------------------------------------------------------------------------

def _read_bytes(description, key):
    """Bytes of a field given as '<key>Hex', '<key>File' or nothing (empty)."""
    if key + 'Hex' in description:
        return bytes.fromhex(description[key + 'Hex'])
    if key + 'File' in description:
        with open(description[key + 'File'], 'rb') as source:
            return source.read()
    return b''


def pin_constraints_tree(rules):
    names = ('minLength', 'maxLength', 'minNumericCharacters', 'minSymbolCharacters',
             'minUpperCaseCharacters', 'minLowerCaseCharacters')
    return sequence(integer(1), *(integer(rules.get(name, 0)) for name in names))


def certificate_policy_tree(description):
    pin = description.get('pinPolicy', {})
    pin_policy = sequence(integer(1), integer(pin.get('maxPinCacheTime', 0)),
                          integer(pin.get('maxPinCacheReuse', 0)),
                          time(pin.get('nextPinChange', '20991231000000Z')),
                          pin_constraints_tree(pin.get('pinConstraints', {})))
    constraints = [integer(1)]
    if description.get('processNames'):
        constraints.append(tagged(0, sequence(*(text(name) for name in description['processNames']))))
    return sequence(integer(1), text(description['alias']), text(description.get('friendlyName', '')),
                    pin_policy, text(description.get('policyNotification', '')), sequence(*constraints),
                    bits([description.get('certificateType', 0)]), octets(_read_bytes(description, 'certificate')))


def policy_tree(description):
    """The Policy of a description (a dict as read from the JSON form)."""
    constraints = [integer(1)]
    place = description.get('constraints', {})
    if place.get('domain') is not None:
        constraints.append(tagged(0, text(place['domain'])))
    if place.get('hostname') is not None:
        constraints.append(tagged(1, text(place['hostname'])))
    return sequence(integer(1), time(description['thisUpdate']), time(description['nextUpdate']),
                    text(description.get('issuerId', '')), octets(_read_bytes(description, 'issuerIcon')),
                    octets(_read_bytes(description, 'issuerEncCert')), text(description['userId']),
                    text(description.get('userFriendlyName', '')), sequence(*constraints),
                    sequence(*(certificate_policy_tree(c) for c in description.get('certificatePolicies', []))))


# --- Signing ---------------------------------------------------------------------------------------

def run(*command, stdin=None):
    return subprocess.run(command, check=True, input=stdin, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE).stdout


def sign_policy(content, signer_cert_pem, signer_key_pem, content_type=None, signed_attributes=True,
                extra_certs_pem=None):
    """A CMS SignedData over content (DER bytes), the signer identified by issuer and serial number and
    its certificate carried in the message; the content type is the product's unless given."""
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, 'content.der')
        with open(source, 'wb') as target:
            target.write(content)
        command = ['openssl', 'cms', '-sign', '-nodetach', '-binary', '-outform', 'DER', '-md', 'sha256',
                   '-in', source, '-signer', signer_cert_pem, '-inkey', signer_key_pem,
                   '-econtent_type', content_type or content_type_of_product()]
        if not signed_attributes:
            command.append('-noattr')
        if extra_certs_pem:
            command += ['-certfile', extra_certs_pem]
        return run(*command)


# --- Test certificates -------------------------------------------------------------------------

SHA256_WITH_RSA = sequence(oid('1.2.840.113549.1.1.11'), (0x05, b''))


def name(common_name):
    return sequence((TAG_SET, [sequence(oid('2.5.4.3'), (TAG_UTF8, common_name.encode('utf-8')))]))


def public_key_info(key_pem):
    return run('openssl', 'pkey', '-in', key_pem, '-pubout', '-outform', 'DER')


def make_certificate(subject, issuer, serial, not_before, not_after, subject_key_pem, issuer_key_pem,
                     ca=False, key_usage=None):
    """DER certificate signed with SHA-256 and RSA; times as 'YYYYMMDDhhmmssZ'."""
    fields = [tagged(0, integer(2)), integer(serial), SHA256_WITH_RSA, name(issuer),
              sequence(time(not_before), time(not_after)), name(subject), raw(public_key_info(subject_key_pem))]
    extensions = []
    if ca:
        extensions.append(sequence(oid('2.5.29.19'), (0x01, b'\xff'), octets(encode(sequence((0x01, b'\xff'))))))
    if key_usage is not None:
        extensions.append(sequence(oid('2.5.29.15'), (0x01, b'\xff'), octets(encode(bits([key_usage], 1)))))
    if extensions:
        fields.append(tagged(3, sequence(*extensions)))
    to_be_signed = encode(sequence(*fields))
    signature = run('openssl', 'dgst', '-sha256', '-sign', issuer_key_pem, stdin=to_be_signed)
    return encode(sequence(raw(to_be_signed), SHA256_WITH_RSA, bits(signature)))


def der_to_pem(der_path, pem_path):
    run('openssl', 'x509', '-inform', 'DER', '-in', der_path, '-out', pem_path)
