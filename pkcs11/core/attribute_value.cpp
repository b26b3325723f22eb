#include "pkcs11/core/attribute_value.h"

#include <cstring>
#include <utility>

namespace luma {
namespace pkcs11 {

AttributeKind attributeKind(CK_ATTRIBUTE_TYPE type) {
  switch (type) {
    case CKA_CLASS:
    case CKA_KEY_TYPE:
    case CKA_CERTIFICATE_TYPE:
    case CKA_CERTIFICATE_CATEGORY:
    case CKA_MODULUS_BITS:
      return AttributeKind::Ulong;
    case CKA_TOKEN:
    case CKA_PRIVATE:
    case CKA_MODIFIABLE:
    case CKA_TRUSTED:
    case CKA_SENSITIVE:
    case CKA_ENCRYPT:
    case CKA_DECRYPT:
    case CKA_WRAP:
    case CKA_UNWRAP:
    case CKA_SIGN:
    case CKA_SIGN_RECOVER:
    case CKA_VERIFY:
    case CKA_VERIFY_RECOVER:
    case CKA_DERIVE:
    case CKA_EXTRACTABLE:
    case CKA_LOCAL:
    case CKA_NEVER_EXTRACTABLE:
    case CKA_ALWAYS_SENSITIVE:
    case CKA_ALWAYS_AUTHENTICATE:
    case CKA_WRAP_WITH_TRUSTED:
      return AttributeKind::Bool;
    default:
      return AttributeKind::Bytes;
  }
}

CK_RV writeAttributeValue(CK_ATTRIBUTE& attribute, const CByteBuffer& value) {
  if (attribute.pValue == nullptr) {
    attribute.ulValueLen = value.size();
    return CKR_OK;
  }
  if (attribute.ulValueLen < value.size()) {
    attribute.ulValueLen = value.size();
    return CKR_BUFFER_TOO_SMALL;
  }
  if (!value.empty()) std::memcpy(attribute.pValue, value.data(), value.size());
  attribute.ulValueLen = value.size();
  return CKR_OK;
}

bool readTemplateValue(const CK_ATTRIBUTE& entry, CByteBuffer& out) {
  if (entry.ulValueLen != 0 && entry.pValue == nullptr) return false;
  if (entry.ulValueLen > kMaxTemplateValueSize) return false;
  CByteBuffer copy(entry.ulValueLen, entry.pValue);
  if (copy.size() != entry.ulValueLen) return false;  // out of memory
  out = std::move(copy);
  return true;
}

bool templateValueMatches(const CK_ATTRIBUTE& entry, AttributeKind kind, const CByteBuffer& value) {
  if (entry.ulValueLen != 0 && entry.pValue == nullptr) return false;
  switch (kind) {
    case AttributeKind::Ulong: {
      if (entry.ulValueLen != sizeof(CK_ULONG) || value.size() != sizeof(CK_ULONG)) return false;
      CK_ULONG wanted = 0;
      CK_ULONG own = 0;
      std::memcpy(&wanted, entry.pValue, sizeof(wanted));
      std::memcpy(&own, value.data(), sizeof(own));
      return wanted == own;
    }
    case AttributeKind::Bool: {
      if (entry.ulValueLen != 1 || value.size() != 1) return false;
      const bool wanted = *static_cast<const CK_BBOOL*>(entry.pValue) == CK_TRUE;
      return wanted == (value.data()[0] == CK_TRUE);
    }
    case AttributeKind::Bytes:
      // Lengths first, so that no more than the object's own length is ever read from the caller.
      if (entry.ulValueLen != value.size()) return false;
      return value.empty() || std::memcmp(entry.pValue, value.data(), value.size()) == 0;
  }
  return false;
}

CK_ULONG readableValueLength(const CK_ATTRIBUTE& entry, CK_RV answer, CK_ULONG callerLength) {
  if (entry.pValue == nullptr || answer != CKR_OK) return 0;
  CK_ULONG length = entry.ulValueLen < callerLength ? entry.ulValueLen : callerLength;
  return length < kMaxTemplateValueSize ? length : kMaxTemplateValueSize;
}

}  // namespace pkcs11
}  // namespace luma
