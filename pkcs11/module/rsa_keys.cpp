#include "pkcs11/module/rsa_keys.h"

#include "pkcs11/core/attribute_value.h"
#include "pkcs11/module/certificate_access.h"

namespace {

using luma::pkcs11::answerAttribute;
using luma::pkcs11::matchOwnValue;

PCCERT_CONTEXT duplicate(PCCERT_CONTEXT certificate) {
  return certificate != nullptr ? CertDuplicateCertificateContext(certificate) : nullptr;
}

CByteBuffer subjectOf(PCCERT_CONTEXT certificate) {
  const CERT_NAME_BLOB& subject = certificate->pCertInfo->Subject;
  return CByteBuffer(subject.cbData, subject.pbData);
}

bool isSensitiveComponent(CK_ATTRIBUTE_TYPE type) {
  return type >= CKA_PRIVATE_EXPONENT && type <= CKA_COEFFICIENT;
}

// Key usage bits of the first byte.
constexpr BYTE kEncryptionUsages = CERT_KEY_ENCIPHERMENT_KEY_USAGE | CERT_DATA_ENCIPHERMENT_KEY_USAGE |
                                   CERT_KEY_AGREEMENT_KEY_USAGE;  // 0x38
constexpr BYTE kVerificationUsages =
    CERT_DIGITAL_SIGNATURE_KEY_USAGE | CERT_KEY_CERT_SIGN_KEY_USAGE | CERT_CRL_SIGN_KEY_USAGE;  // 0x86

}  // namespace

// ---- CPKCS11RSAPrivateKey -----------------------------------------------------------------------

CPKCS11RSAPrivateKey::CPKCS11RSAPrivateKey(PCCERT_CONTEXT context, const std::string& label)
    : certificate(duplicate(context)) {
  objectClass = CKO_PRIVATE_KEY;
  token = CK_TRUE;
  isPrivate = CK_TRUE;
  this->label = label;
  keyType = CKK_RSA;
  id = luma::pkcs11::certificateHash(context);
  subject = subjectOf(context);
  luma::pkcs11::CKeyProviderInfo provider;
  decrypt = luma::pkcs11::readKeyProviderInfo(context, provider) && provider.keySpec == AT_KEYEXCHANGE
                ? CK_TRUE
                : CK_FALSE;
}

CPKCS11RSAPrivateKey::CPKCS11RSAPrivateKey(const CPKCS11RSAPrivateKey& other)
    : CPKCS11PrivateKey(other),
      certificate(duplicate(other.certificate.get())),
      publicValues(other.publicValues) {}

CK_RV CPKCS11RSAPrivateKey::getAttributeValue(CK_ATTRIBUTE& attribute) const {
  const CK_RV baseAnswer = CPKCS11PrivateKey::getAttributeValue(attribute);
  if (baseAnswer != CKR_ATTRIBUTE_TYPE_INVALID) return baseAnswer;
  if (isSensitiveComponent(attribute.type)) return CKR_ATTRIBUTE_SENSITIVE;
  if (attribute.type == CKA_MODULUS) return luma::pkcs11::writeAttributeValue(attribute, getModulus());
  if (attribute.type == CKA_PUBLIC_EXPONENT)
    return luma::pkcs11::writeAttributeValue(attribute, getPublicExponent());
  return CKR_ATTRIBUTE_TYPE_INVALID;
}

std::unique_ptr<CPKCS11Object> CPKCS11RSAPrivateKey::clone() const {
  return std::make_unique<CPKCS11RSAPrivateKey>(*this);
}

CByteBuffer CPKCS11RSAPrivateKey::getCertificateHash() const {
  return luma::pkcs11::certificateHash(certificate.get());
}

bool CPKCS11RSAPrivateKey::handlesAttribute(CK_ATTRIBUTE_TYPE type) const {
  return CPKCS11PrivateKey::handlesAttribute(type) || type == CKA_MODULUS || type == CKA_PUBLIC_EXPONENT ||
         isSensitiveComponent(type);
}

bool CPKCS11RSAPrivateKey::matches(const CK_ATTRIBUTE& templateEntry) const {
  if (CPKCS11PrivateKey::handlesAttribute(templateEntry.type))
    return CPKCS11PrivateKey::matches(templateEntry);
  // The private components have no value to compare with.
  if (templateEntry.type == CKA_MODULUS) return matchOwnValue(templateEntry, true, getModulus());
  if (templateEntry.type == CKA_PUBLIC_EXPONENT)
    return matchOwnValue(templateEntry, true, getPublicExponent());
  return false;
}

// ---- CPKCS11RSAPublicKey ------------------------------------------------------------------------

CPKCS11RSAPublicKey::CPKCS11RSAPublicKey(PCCERT_CONTEXT context, const std::string& label)
    : certificate(duplicate(context)) {
  objectClass = CKO_PUBLIC_KEY;
  token = CK_TRUE;
  isPrivate = CK_FALSE;
  this->label = label;
  keyType = CKK_RSA;
  id = luma::pkcs11::certificateHash(context);
  subject = subjectOf(context);
  modulusBits = CertGetPublicKeyLength(X509_ASN_ENCODING, &context->pCertInfo->SubjectPublicKeyInfo);
  verifyRecover = CK_FALSE;
  BYTE usage[4] = {};
  if (CertGetIntendedKeyUsage(X509_ASN_ENCODING, context->pCertInfo, usage, sizeof(usage))) {
    encrypt = (usage[0] & kEncryptionUsages) != 0 ? CK_TRUE : CK_FALSE;
    verify = (usage[0] & kVerificationUsages) != 0 ? CK_TRUE : CK_FALSE;
  }  // without the extension the key may do both
}

CPKCS11RSAPublicKey::CPKCS11RSAPublicKey(const CPKCS11RSAPublicKey& other)
    : CPKCS11PublicKey(other),
      certificate(duplicate(other.certificate.get())),
      publicValues(other.publicValues),
      modulusBits(other.modulusBits) {}

bool CPKCS11RSAPublicKey::ownValue(CK_ATTRIBUTE_TYPE type, CByteBuffer& value) const {
  switch (type) {
    case CKA_MODULUS:
      value = getModulus();
      return true;
    case CKA_MODULUS_BITS:
      value = CByteBuffer::fromUlong(modulusBits);
      return true;
    case CKA_PUBLIC_EXPONENT:
      value = getPublicExponent();
      return true;
    default:
      return false;
  }
}

CK_RV CPKCS11RSAPublicKey::getAttributeValue(CK_ATTRIBUTE& attribute) const {
  const CK_RV baseAnswer = CPKCS11PublicKey::getAttributeValue(attribute);
  CByteBuffer value;
  const bool known = baseAnswer == CKR_ATTRIBUTE_TYPE_INVALID && ownValue(attribute.type, value);
  return answerAttribute(baseAnswer, attribute, known, value);
}

std::unique_ptr<CPKCS11Object> CPKCS11RSAPublicKey::clone() const {
  return std::make_unique<CPKCS11RSAPublicKey>(*this);
}

CByteBuffer CPKCS11RSAPublicKey::getCertificateHash() const {
  return luma::pkcs11::certificateHash(certificate.get());
}

bool CPKCS11RSAPublicKey::handlesAttribute(CK_ATTRIBUTE_TYPE type) const {
  return CPKCS11PublicKey::handlesAttribute(type) || (type >= CKA_MODULUS && type <= CKA_PUBLIC_EXPONENT);
}

bool CPKCS11RSAPublicKey::matches(const CK_ATTRIBUTE& templateEntry) const {
  if (CPKCS11PublicKey::handlesAttribute(templateEntry.type)) return CPKCS11PublicKey::matches(templateEntry);
  CByteBuffer value;
  const bool known = ownValue(templateEntry.type, value);
  return matchOwnValue(templateEntry, known, value);
}
