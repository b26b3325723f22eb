#include "pkcs11/core/pkcs11_object.h"

#include <initializer_list>

#include "pkcs11/core/attribute_value.h"

namespace luma {
namespace pkcs11 {

CK_RV answerAttribute(CK_RV baseAnswer, CK_ATTRIBUTE& attribute, bool known, const CByteBuffer& value) {
  if (baseAnswer != CKR_ATTRIBUTE_TYPE_INVALID) return baseAnswer;
  return known ? writeAttributeValue(attribute, value) : CKR_ATTRIBUTE_TYPE_INVALID;
}

bool matchOwnValue(const CK_ATTRIBUTE& templateEntry, bool known, const CByteBuffer& value) {
  return known && templateValueMatches(templateEntry, attributeKind(templateEntry.type), value);
}

}  // namespace pkcs11
}  // namespace luma

namespace {

using luma::pkcs11::answerAttribute;
using luma::pkcs11::matchOwnValue;

CByteBuffer dateValue(const CK_DATE& date) { return CByteBuffer(sizeof(date), &date); }

bool isOneOf(CK_ATTRIBUTE_TYPE type, std::initializer_list<CK_ATTRIBUTE_TYPE> types) {
  for (CK_ATTRIBUTE_TYPE candidate : types) {
    if (candidate == type) return true;
  }
  return false;
}

}  // namespace

// ---- CPKCS11Object ------------------------------------------------------------------------------

bool CPKCS11Object::ownValue(CK_ATTRIBUTE_TYPE type, CByteBuffer& value) const {
  switch (type) {
    case CKA_CLASS:
      value = CByteBuffer::fromUlong(objectClass);
      return true;
    case CKA_TOKEN:
      value = CByteBuffer::fromByte(token);
      return true;
    case CKA_PRIVATE:
      value = CByteBuffer::fromByte(isPrivate);
      return true;
    case CKA_LABEL:
      value = CByteBuffer(label.size(), label.data());
      return true;
    case CKA_MODIFIABLE:
      value = CByteBuffer::fromByte(modifiable);
      return true;
    default:
      return false;
  }
}

CK_RV CPKCS11Object::getAttributeValue(CK_ATTRIBUTE& attribute) const {
  CByteBuffer value;
  const bool known = ownValue(attribute.type, value);
  return answerAttribute(CKR_ATTRIBUTE_TYPE_INVALID, attribute, known, value);
}

std::unique_ptr<CPKCS11Object> CPKCS11Object::clone() const { return std::make_unique<CPKCS11Object>(*this); }

CByteBuffer CPKCS11Object::getCertificateHash() const { return CByteBuffer(); }

bool CPKCS11Object::handlesAttribute(CK_ATTRIBUTE_TYPE type) const { return type <= CKA_LABEL; }

bool CPKCS11Object::matches(const CK_ATTRIBUTE& templateEntry) const {
  // CKA_MODIFIABLE is answered but never matched.
  if (!CPKCS11Object::handlesAttribute(templateEntry.type)) return false;
  CByteBuffer value;
  const bool known = ownValue(templateEntry.type, value);
  return matchOwnValue(templateEntry, known, value);
}

// ---- CPKCS11Key ---------------------------------------------------------------------------------

bool CPKCS11Key::ownValue(CK_ATTRIBUTE_TYPE type, CByteBuffer& value) const {
  switch (type) {
    case CKA_KEY_TYPE:
      value = CByteBuffer::fromUlong(keyType);
      return true;
    case CKA_ID:
      value = id;
      return true;
    case CKA_DERIVE:
      value = CByteBuffer::fromByte(derive);
      return true;
    case CKA_START_DATE:
      value = dateValue(startDate);
      return true;
    case CKA_END_DATE:
      value = dateValue(endDate);
      return true;
    case CKA_LOCAL:
      value = CByteBuffer::fromByte(local);
      return true;
    default:
      return false;
  }
}

CK_RV CPKCS11Key::getAttributeValue(CK_ATTRIBUTE& attribute) const {
  const CK_RV baseAnswer = CPKCS11Object::getAttributeValue(attribute);
  CByteBuffer value;
  const bool known = baseAnswer == CKR_ATTRIBUTE_TYPE_INVALID && ownValue(attribute.type, value);
  return answerAttribute(baseAnswer, attribute, known, value);
}

std::unique_ptr<CPKCS11Object> CPKCS11Key::clone() const { return std::make_unique<CPKCS11Key>(*this); }

bool CPKCS11Key::handlesAttribute(CK_ATTRIBUTE_TYPE type) const {
  return CPKCS11Object::handlesAttribute(type) ||
         isOneOf(type, {CKA_KEY_TYPE, CKA_ID, CKA_DERIVE, CKA_START_DATE, CKA_END_DATE, CKA_LOCAL});
}

bool CPKCS11Key::matches(const CK_ATTRIBUTE& templateEntry) const {
  if (CPKCS11Object::handlesAttribute(templateEntry.type)) return CPKCS11Object::matches(templateEntry);
  CByteBuffer value;
  const bool known = ownValue(templateEntry.type, value);
  return matchOwnValue(templateEntry, known, value);
}

// ---- CPKCS11PrivateKey --------------------------------------------------------------------------

bool CPKCS11PrivateKey::ownValue(CK_ATTRIBUTE_TYPE type, CByteBuffer& value) const {
  CK_BBOOL flag = CK_FALSE;
  switch (type) {
    case CKA_SUBJECT:
      value = subject;
      return true;
    case CKA_SENSITIVE:
      flag = sensitive;
      break;
    case CKA_DECRYPT:
      flag = decrypt;
      break;
    case CKA_UNWRAP:
      flag = unwrap;
      break;
    case CKA_SIGN:
      flag = sign;
      break;
    case CKA_SIGN_RECOVER:
      flag = signRecover;
      break;
    case CKA_EXTRACTABLE:
      flag = extractable;
      break;
    case CKA_NEVER_EXTRACTABLE:
      flag = neverExtractable;
      break;
    case CKA_ALWAYS_SENSITIVE:
      flag = alwaysSensitive;
      break;
    case CKA_ALWAYS_AUTHENTICATE:
      flag = alwaysAuthenticate;
      break;
    case CKA_WRAP_WITH_TRUSTED:
      flag = wrapWithTrusted;
      break;
    default:
      return false;
  }
  value = CByteBuffer::fromByte(flag);
  return true;
}

CK_RV CPKCS11PrivateKey::getAttributeValue(CK_ATTRIBUTE& attribute) const {
  const CK_RV baseAnswer = CPKCS11Key::getAttributeValue(attribute);
  CByteBuffer value;
  const bool known = baseAnswer == CKR_ATTRIBUTE_TYPE_INVALID && ownValue(attribute.type, value);
  return answerAttribute(baseAnswer, attribute, known, value);
}

std::unique_ptr<CPKCS11Object> CPKCS11PrivateKey::clone() const {
  return std::make_unique<CPKCS11PrivateKey>(*this);
}

bool CPKCS11PrivateKey::handlesAttribute(CK_ATTRIBUTE_TYPE type) const {
  return CPKCS11Key::handlesAttribute(type) ||
         isOneOf(type, {CKA_SUBJECT, CKA_SENSITIVE, CKA_DECRYPT, CKA_UNWRAP, CKA_SIGN, CKA_SIGN_RECOVER,
                        CKA_EXTRACTABLE, CKA_NEVER_EXTRACTABLE, CKA_ALWAYS_SENSITIVE, CKA_ALWAYS_AUTHENTICATE,
                        CKA_WRAP_WITH_TRUSTED});
}

bool CPKCS11PrivateKey::matches(const CK_ATTRIBUTE& templateEntry) const {
  if (CPKCS11Key::handlesAttribute(templateEntry.type)) return CPKCS11Key::matches(templateEntry);
  CByteBuffer value;
  const bool known = ownValue(templateEntry.type, value);
  return matchOwnValue(templateEntry, known, value);
}

// ---- CPKCS11PublicKey ---------------------------------------------------------------------------

bool CPKCS11PublicKey::ownValue(CK_ATTRIBUTE_TYPE type, CByteBuffer& value) const {
  CK_BBOOL flag = CK_FALSE;
  switch (type) {
    case CKA_SUBJECT:
      value = subject;
      return true;
    case CKA_TRUSTED:
      flag = trusted;
      break;
    case CKA_ENCRYPT:
      flag = encrypt;
      break;
    case CKA_WRAP:
      flag = wrap;
      break;
    case CKA_VERIFY:
      flag = verify;
      break;
    case CKA_VERIFY_RECOVER:
      flag = verifyRecover;
      break;
    default:
      return false;
  }
  value = CByteBuffer::fromByte(flag);
  return true;
}

CK_RV CPKCS11PublicKey::getAttributeValue(CK_ATTRIBUTE& attribute) const {
  const CK_RV baseAnswer = CPKCS11Key::getAttributeValue(attribute);
  CByteBuffer value;
  const bool known = baseAnswer == CKR_ATTRIBUTE_TYPE_INVALID && ownValue(attribute.type, value);
  return answerAttribute(baseAnswer, attribute, known, value);
}

std::unique_ptr<CPKCS11Object> CPKCS11PublicKey::clone() const {
  return std::make_unique<CPKCS11PublicKey>(*this);
}

bool CPKCS11PublicKey::handlesAttribute(CK_ATTRIBUTE_TYPE type) const {
  return CPKCS11Key::handlesAttribute(type) ||
         isOneOf(type, {CKA_TRUSTED, CKA_SUBJECT, CKA_ENCRYPT, CKA_WRAP, CKA_VERIFY, CKA_VERIFY_RECOVER});
}

bool CPKCS11PublicKey::matches(const CK_ATTRIBUTE& templateEntry) const {
  if (CPKCS11Key::handlesAttribute(templateEntry.type)) return CPKCS11Key::matches(templateEntry);
  CByteBuffer value;
  const bool known = ownValue(templateEntry.type, value);
  return matchOwnValue(templateEntry, known, value);
}
