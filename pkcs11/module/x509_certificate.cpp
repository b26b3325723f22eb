#include "pkcs11/module/x509_certificate.h"

#include <initializer_list>

#include "pkcs11/core/attribute_value.h"
#include "pkcs11/core/certificate_values.h"
#include "pkcs11/module/certificate_access.h"

namespace {

PCCERT_CONTEXT duplicate(PCCERT_CONTEXT certificate) {
  return certificate != nullptr ? CertDuplicateCertificateContext(certificate) : nullptr;
}

CByteBuffer blobValue(const CRYPT_DATA_BLOB& blob) { return CByteBuffer(blob.cbData, blob.pbData); }

}  // namespace

CPKCS11X509Certificate::CPKCS11X509Certificate(PCCERT_CONTEXT context, const std::string& label)
    : certificate(duplicate(context)) {
  objectClass = CKO_CERTIFICATE;
  token = CK_TRUE;
  isPrivate = CK_FALSE;
  this->label = label;
}

CPKCS11X509Certificate::CPKCS11X509Certificate(const CPKCS11X509Certificate& other)
    : CPKCS11Object(other),
      certificate(duplicate(other.certificate.get())),
      trusted(other.trusted),
      category(other.category),
      startDate(other.startDate),
      endDate(other.endDate) {}

CByteBuffer CPKCS11X509Certificate::getSerialNumber() const {
  return luma::pkcs11::encodeSerialNumber(blobValue(certificate.get()->pCertInfo->SerialNumber));
}

CByteBuffer CPKCS11X509Certificate::getCheckValue() const {
  return luma::pkcs11::checkValueOf(getCertificateHash());
}

bool CPKCS11X509Certificate::ownValue(CK_ATTRIBUTE_TYPE type, CByteBuffer& value) const {
  const CERT_INFO& info = *certificate.get()->pCertInfo;
  switch (type) {
    case CKA_VALUE:
      value = CByteBuffer(certificate.get()->cbCertEncoded, certificate.get()->pbCertEncoded);
      return true;
    case CKA_CERTIFICATE_TYPE:
      value = CByteBuffer::fromUlong(CKC_X_509);
      return true;
    case CKA_ISSUER:
      value = blobValue(info.Issuer);
      return true;
    case CKA_SERIAL_NUMBER:
      value = getSerialNumber();
      return true;
    case CKA_TRUSTED:
      value = CByteBuffer::fromByte(trusted);
      return true;
    case CKA_CERTIFICATE_CATEGORY:
      value = CByteBuffer::fromUlong(category);
      return true;
    case CKA_CHECK_VALUE:
      value = getCheckValue();
      return true;
    case CKA_SUBJECT:
      value = blobValue(info.Subject);
      return true;
    case CKA_ID:
      value = getCertificateHash();
      return true;
    case CKA_START_DATE:
      value = CByteBuffer(sizeof(startDate), &startDate);
      return true;
    case CKA_END_DATE:
      value = CByteBuffer(sizeof(endDate), &endDate);
      return true;
    default:
      return false;
  }
}

CK_RV CPKCS11X509Certificate::getAttributeValue(CK_ATTRIBUTE& attribute) const {
  const CK_RV baseAnswer = CPKCS11Object::getAttributeValue(attribute);
  CByteBuffer value;
  const bool known = baseAnswer == CKR_ATTRIBUTE_TYPE_INVALID && ownValue(attribute.type, value);
  return luma::pkcs11::answerAttribute(baseAnswer, attribute, known, value);
}

std::unique_ptr<CPKCS11Object> CPKCS11X509Certificate::clone() const {
  return std::make_unique<CPKCS11X509Certificate>(*this);
}

CByteBuffer CPKCS11X509Certificate::getCertificateHash() const {
  return luma::pkcs11::certificateHash(certificate.get());
}

bool CPKCS11X509Certificate::handlesAttribute(CK_ATTRIBUTE_TYPE type) const {
  if (CPKCS11Object::handlesAttribute(type)) return true;
  for (CK_ATTRIBUTE_TYPE own :
       {CKA_VALUE, CKA_CERTIFICATE_TYPE, CKA_ISSUER, CKA_SERIAL_NUMBER, CKA_TRUSTED, CKA_CERTIFICATE_CATEGORY,
        CKA_SUBJECT, CKA_ID, CKA_START_DATE, CKA_END_DATE}) {
    if (own == type) return true;
  }
  return false;
}

bool CPKCS11X509Certificate::matches(const CK_ATTRIBUTE& templateEntry) const {
  if (CPKCS11Object::handlesAttribute(templateEntry.type)) return CPKCS11Object::matches(templateEntry);
  CByteBuffer value;
  const bool known = ownValue(templateEntry.type, value);
  return luma::pkcs11::matchOwnValue(templateEntry, known, value);
}
