// Reading and writing the value of one template entry an application passed. The application's
// template is untrusted: its lengths are checked against null pointers and bounded before any copy,
// and a comparison never reads more bytes than the object's own value has.
#ifndef LUMA_PKCS11_CORE_ATTRIBUTE_VALUE_H_
#define LUMA_PKCS11_CORE_ATTRIBUTE_VALUE_H_

#include "pkcs11/core/byte_buffer.h"
#include "pkcs11/core/cryptoki.h"

namespace luma {
namespace pkcs11 {

// The largest template value copied by readTemplateValue; longer values are refused.
constexpr CK_ULONG kMaxTemplateValueSize = 65536;

// How an attribute's value is encoded and compared.
enum class AttributeKind {
  Ulong,  // CK_ULONG, four bytes in the machine's (little-endian) order
  Bool,   // CK_BBOOL, one byte; only 1 counts as TRUE in a search
  Bytes,  // a byte string
};
AttributeKind attributeKind(CK_ATTRIBUTE_TYPE type);

// Writes the value into the entry: a length query (null pValue) only sets ulValueLen; a buffer
// that is too small gets the needed length and CKR_BUFFER_TOO_SMALL with nothing copied.
CK_RV writeAttributeValue(CK_ATTRIBUTE& attribute, const CByteBuffer& value);

// A copy of the entry's value: false for a non-zero length with a null pointer and for a length
// above kMaxTemplateValueSize.
bool readTemplateValue(const CK_ATTRIBUTE& entry, CByteBuffer& out);

// How many bytes at the entry's pValue a trace may show: none without a buffer or after a failed
// answer (whose length is the needed size or CK_UNAVAILABLE_INFORMATION), otherwise the length,
// never more than the caller's buffer of `callerLength` bytes nor kMaxTemplateValueSize.
CK_ULONG readableValueLength(const CK_ATTRIBUTE& entry, CK_RV answer, CK_ULONG callerLength);

// Whether the entry's value equals an object's value of the given kind.
bool templateValueMatches(const CK_ATTRIBUTE& entry, AttributeKind kind, const CByteBuffer& value);

}  // namespace pkcs11
}  // namespace luma

#endif  // LUMA_PKCS11_CORE_ATTRIBUTE_VALUE_H_
