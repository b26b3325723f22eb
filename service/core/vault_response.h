// Reads the answers of the remote signing service: the child fields of the response element in
// the body of a SOAP 1.1 envelope, the base64Binary and int values, and the status strings. The
// answer is untrusted: its size, nesting, field count and every value are bounded.
#ifndef LUMA_SERVICE_CORE_VAULT_RESPONSE_H_
#define LUMA_SERVICE_CORE_VAULT_RESPONSE_H_

#include <cstdint>
#include <map>
#include <string>

#include "foundation/core/secure_buffer.h"

namespace luma::service {

constexpr std::size_t kMaxVaultResponseBytes = 4 * 1024 * 1024;
constexpr std::size_t kMaxVaultResponseFields = 16;
constexpr std::size_t kMaxVaultResponseDepth = 16;

// The fields of one response element, by local name, as unescaped text (UTF-8). Values are wiped
// when the object goes.
class CVaultResponseFields {
 public:
  CVaultResponseFields() = default;
  CVaultResponseFields(const CVaultResponseFields&) = delete;
  CVaultResponseFields& operator=(const CVaultResponseFields&) = delete;
  ~CVaultResponseFields() { Clear(); }

  void Clear();
  bool Has(const std::string& name) const { return m_fields.count(name) != 0; }
  // Empty when absent.
  const std::string& Text(const std::string& name) const;
  // Decimal text, white space around allowed; false when absent or outside 32 bits.
  bool Int32(const std::string& name, std::int32_t& value) const;
  // Base64 with white space anywhere; absent gives empty bytes; false when malformed.
  bool Bytes(const std::string& name, CSecureBuffer& value) const;

  // For the parser: false when the field count is over the bound.
  bool Add(const std::string& name, std::string&& text);

 private:
  std::map<std::string, std::string> m_fields;
};

// Parses a whole answer: the Envelope and Body in the SOAP 1.1 envelope namespace, the first
// element of the body (its name is not checked) and its child elements, which must hold text
// only. False for anything malformed, over the bounds, or without a response element.
bool ParseVaultResponse(const std::string& body, CVaultResponseFields& fields);

// Decodes standard base64; white space is skipped; false when malformed.
bool DecodeBase64(const std::string& text, CSecureBuffer& bytes);

// The status strings of the service, compared without regard to (ASCII) case.
enum VaultStatus : int {
  kVaultStatusOk = 0,
  kVaultStatusInvalidPin = 1,
  kVaultStatusBlocked = 2,
  kVaultStatusInvalidKeyUsage = 3,
  kVaultStatusPinPolicyViolation = 4,
};
// "INVALID_PIN" 1, "BLOCKED" 2, "INVALID_KEY_USAGE" 3, "PIN_POLICY_VIOLATION" 4; false otherwise.
bool ParseVaultStatus(const std::string& text, int& code);
// "OK" in any letter case.
bool IsVaultStatusOk(const std::string& text);

}  // namespace luma::service

#endif  // LUMA_SERVICE_CORE_VAULT_RESPONSE_H_
