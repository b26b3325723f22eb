// PKCS#7 enveloped data in the one form the service exchanges: a ContentInfo of id-envelopedData,
// version 0, key-transport recipients named by issuer and serial number with rsaEncryption, and
// id-data content encrypted with AES-256-CBC whose IV is the algorithm's parameter. Reading is
// strict DER: every length is bounded by the input, and anything else is refused with a fault that
// says why. The cryptography itself lives with the Windows code; this is only the encoding.
#ifndef LUMA_SERVICE_CORE_ENVELOPED_DATA_H_
#define LUMA_SERVICE_CORE_ENVELOPED_DATA_H_

#include <vector>

#include "foundation/core/secure_buffer.h"

namespace luma {
namespace service {

constexpr DWORD kContentKeySize = 32;         // AES-256
constexpr DWORD kCipherBlockSize = 16;        // the AES block, and so the IV
constexpr DWORD kMaxRecipients = 16;          // more is refused rather than searched
constexpr DWORD kMaxEncryptedKeySize = 2048;  // a 16384-bit RSA block
constexpr DWORD kMaxSerialNumberSize = 64;

constexpr char kOidEnvelopedData[] = "1.2.840.113549.1.7.3";
constexpr char kOidData[] = "1.2.840.113549.1.7.1";
constexpr char kOidRsaEncryption[] = "1.2.840.113549.1.1.1";
constexpr char kOidAes256Cbc[] = "2.16.840.1.101.3.4.1.42";

// How a certificate is named in an envelope: its issuer's complete Name encoding and the content
// octets of its serial number INTEGER, both compared byte for byte.
struct IssuerAndSerial {
  CSecureBuffer issuer;
  CSecureBuffer serialNumber;
  bool operator==(const IssuerAndSerial& other) const {
    return issuer == other.issuer && serialNumber == other.serialNumber;
  }
};

struct EnvelopeRecipient {
  IssuerAndSerial id;
  CSecureBuffer encryptedKey;  // the RSA PKCS#1 v1.5 block, big-endian as it travels
};

struct Envelope {
  std::vector<EnvelopeRecipient> recipients;
  CSecureBuffer iv;                // kCipherBlockSize bytes
  CSecureBuffer encryptedContent;  // a whole, non-zero number of blocks
};

enum class EnvelopeFault {
  kNone,
  kMalformed,             // not DER, or not the structure of enveloped data
  kNotEnvelopedData,      // a ContentInfo of another type
  kUnsupportedForm,       // valid, but a version, option or recipient kind this system does not use
  kUnsupportedAlgorithm,  // a key transport other than rsaEncryption, a cipher other than AES-256-CBC
};

// A short English reason for logs and test output.
const char* DescribeEnvelopeFault(EnvelopeFault fault);

// Reads a complete ContentInfo; out is replaced only on kNone.
EnvelopeFault ReadEnvelope(const BYTE* data, DWORD size, Envelope& out);

// Writes the ContentInfo of an envelope with exactly one recipient. False when the envelope does not
// have that shape (one recipient, IV and content sizes as above) or memory ran out; out is then
// unchanged.
bool WriteEnvelope(const Envelope& envelope, CSecureBuffer& out);

// The issuer and serial number of a DER X.509 certificate; out is replaced only on kNone.
EnvelopeFault ReadCertificateIssuerAndSerial(const BYTE* data, DWORD size, IssuerAndSerial& out);

// The recipient named by id, or null.
const EnvelopeRecipient* FindRecipient(const Envelope& envelope, const IssuerAndSerial& id);

}  // namespace service
}  // namespace luma

#endif  // LUMA_SERVICE_CORE_ENVELOPED_DATA_H_
