// Certificate structures read and written with the portable DER codec: the algorithm identifier,
// the certificate-template extension and the subject alternative names. The Windows helpers use
// them where the platform codec lacks the structure or fails on it (an otherName in the names).
#ifndef LUMA_FOUNDATION_CORE_DER_STRUCTURES_H_
#define LUMA_FOUNDATION_CORE_DER_STRUCTURES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/core/secure_buffer.h"

namespace luma {
namespace der {

// SEQUENCE { OID, parameters ANY OPTIONAL }; parameters holds the complete encoding of the
// parameters element, empty when absent.
struct AlgorithmIdentifier {
  std::string oid;
  CSecureBuffer parameters;
};
bool ParseAlgorithmIdentifier(const CSecureBuffer& encoding, AlgorithmIdentifier& out);
// The identifier with NULL parameters, as a DigestInfo carries it.
bool BuildAlgorithmIdentifier(const std::string& oid, CSecureBuffer& out);

// Extension 1.3.6.1.4.1.311.21.7: SEQUENCE { OID, INTEGER major, INTEGER minor OPTIONAL }.
struct CertificateTemplate {
  std::string oid;
  DWORD majorVersion = 0;
  bool hasMinorVersion = false;
  DWORD minorVersion = 0;
};
bool ParseCertificateTemplate(const CSecureBuffer& encoding, CertificateTemplate& out);

// The GeneralName choices, numbered as the platform numbers its alternative-name choices.
enum AltNameChoice : DWORD {
  kAltNameOtherName = 1,
  kAltNameRfc822 = 2,
  kAltNameDns = 3,
  kAltNameX400Address = 4,
  kAltNameDirectoryName = 5,
  kAltNameEdiParty = 6,
  kAltNameUrl = 7,
  kAltNameIpAddress = 8,
  kAltNameRegisteredId = 9,
};

// One GeneralName. text: the name of rfc822, DNS and URL entries, and of an otherName whose value
// is a character string (a user principal name). oid: the type of an otherName, or the registered
// identifier. value: an otherName's value encoding (inside its explicit tag), the address bytes of
// an IP entry, the Name encoding of a directory name, the content of the other choices.
struct AltName {
  DWORD choice = 0;
  std::string oid;
  WString text;
  CSecureBuffer value;
};
bool ParseSubjectAltName(const CSecureBuffer& encoding, std::vector<AltName>& out);

constexpr char kUpnOtherNameOid[] = "1.3.6.1.4.1.311.20.2.3";

// CNG name of a CryptoAPI hash algorithm id (SHA1, SHA256, SHA384, SHA512, MD5); null otherwise.
const WCHAR* CngHashAlgorithmName(DWORD algId);

// A hash algorithm a DigestInfo may name: its CryptoAPI id, dotted OID and hash size in bytes.
struct DigestInfoHash {
  DWORD algId;
  const char* oid;
  std::uint32_t hashSize;
};
// MD5, SHA-1, SHA-256, SHA-384 and SHA-512; null for any other id or OID.
const DigestInfoHash* DigestInfoHashOf(DWORD algId);
const DigestInfoHash* DigestInfoHashOfOid(const std::string& oid);

}  // namespace der
}  // namespace luma

#endif  // LUMA_FOUNDATION_CORE_DER_STRUCTURES_H_
