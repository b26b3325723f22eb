// Feeds arbitrary templates, as an application passes them, to the token's attribute answers and
// its template matching: each entry names a type, a length and a buffer of exactly that length (or
// none). Nothing may be read or written outside the buffer, a copied value keeps its bound, and an
// answer gives the length the caller must see.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "pkcs11/core/attribute_value.h"
#include "pkcs11/core/certificate_values.h"
#include "pkcs11/core/pkcs11_object.h"

using namespace luma::pkcs11;

namespace {

// Types the objects answer, and a few they do not.
const CK_ATTRIBUTE_TYPE kTypes[] = {CKA_CLASS,    CKA_TOKEN,   CKA_PRIVATE, CKA_LABEL,   CKA_MODIFIABLE,
                                    CKA_KEY_TYPE, CKA_ID,      CKA_SIGN,    CKA_DECRYPT, CKA_SENSITIVE,
                                    CKA_ENCRYPT,  CKA_VERIFY,  CKA_SUBJECT, CKA_MODULUS, CKA_VALUE,
                                    0x80000000UL, 0xFFFFFFFFUL};

struct Reader {
  const uint8_t* data;
  size_t size;
  size_t offset = 0;
  bool Has(size_t n) const { return size - offset >= n; }
  uint8_t Byte() { return Has(1) ? data[offset++] : 0; }
  CK_ULONG Length() {
    const CK_ULONG high = Byte();
    return (high << 8) | Byte();
  }
};

void CheckEntry(const CPKCS11Object& object, CK_ATTRIBUTE_TYPE type, CK_ULONG length, bool withBuffer,
                Reader& in) {
  // Exactly the claimed length: one byte more read or written is a heap overflow.
  std::unique_ptr<uint8_t[]> buffer(withBuffer ? new uint8_t[length == 0 ? 1 : length] : nullptr);
  for (CK_ULONG i = 0; withBuffer && i < length; ++i) buffer[i] = in.Byte();
  CK_ATTRIBUTE entry = {type, buffer.get(), length};

  CByteBuffer copy;
  if (readTemplateValue(entry, copy) && (copy.size() != length || length > kMaxTemplateValueSize))
    std::abort();
  object.matches(entry);
  if (withBuffer) templateValueMatches(entry, attributeKind(type), copy);

  CK_ATTRIBUTE answer = entry;  // the answer may change the length: checks read `entry`
  const CK_RV rv = object.getAttributeValue(answer);
  if (answer.type != type || answer.pValue != entry.pValue) std::abort();
  if (rv == CKR_OK && withBuffer && answer.ulValueLen > length) std::abort();
  if (readableValueLength(answer, rv, length) > length) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in{data, size};
  std::vector<std::unique_ptr<CPKCS11Object>> objects;
  objects.push_back(std::make_unique<CPKCS11Object>());
  objects.push_back(std::make_unique<CPKCS11Key>());
  objects.push_back(std::make_unique<CPKCS11PrivateKey>());
  objects.push_back(std::make_unique<CPKCS11PublicKey>());
  // A value of the fuzzer's own, written into entries of every length.
  const CK_ULONG valueSize = in.Byte();
  std::vector<uint8_t> valueBytes;
  for (CK_ULONG i = 0; i < valueSize; ++i) valueBytes.push_back(in.Byte());
  const CByteBuffer value(valueBytes.size(), valueBytes.data());

  for (int entries = 0; entries < 64 && in.Has(4); ++entries) {
    const uint8_t selector = in.Byte();
    const CK_ATTRIBUTE_TYPE type = kTypes[selector % (sizeof kTypes / sizeof kTypes[0])];
    const CK_ULONG length = in.Length();
    const bool withBuffer = (selector & 0x80) == 0;
    const CPKCS11Object& object = *objects[in.Byte() % objects.size()];
    CheckEntry(object, type, length, withBuffer, in);

    std::unique_ptr<uint8_t[]> target(withBuffer ? new uint8_t[length == 0 ? 1 : length] : nullptr);
    const CK_ATTRIBUTE entry = {type, target.get(), length};
    matchOwnValue(entry, (selector & 0x40) != 0, value);
    CK_ATTRIBUTE answer = entry;
    const CK_RV rv = answerAttribute(CKR_ATTRIBUTE_TYPE_INVALID, answer, (selector & 0x40) != 0, value);
    if (rv == CKR_OK && withBuffer && answer.ulValueLen > length) std::abort();
  }
  std::set<std::string> used;
  claimUniqueLabel(used, std::string(reinterpret_cast<const char*>(data), size < 64 ? size : 64));
  stripLeadingZeros(value);
  encodeSerialNumber(value);
  return 0;
}
