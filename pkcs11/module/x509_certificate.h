// The X.509 certificate object of one certificate, answering its attributes from its own
// duplicate of the certificate context.
#ifndef LUMA_PKCS11_MODULE_X509_CERTIFICATE_H_
#define LUMA_PKCS11_MODULE_X509_CERTIFICATE_H_

#include <windows.h>
// after windows.h
#include <wincrypt.h>

#include <string>

#include "foundation/win/unique_handle.h"
#include "pkcs11/core/pkcs11_object.h"

class CPKCS11X509Certificate : public CPKCS11Object {
 public:
  CPKCS11X509Certificate(PCCERT_CONTEXT certificate, const std::string& label);
  CPKCS11X509Certificate(const CPKCS11X509Certificate& other);

  CK_RV getAttributeValue(CK_ATTRIBUTE& attribute) const override;
  std::unique_ptr<CPKCS11Object> clone() const override;
  CByteBuffer getCertificateHash() const override;
  bool handlesAttribute(CK_ATTRIBUTE_TYPE type) const override;
  bool matches(const CK_ATTRIBUTE& templateEntry) const override;

  PCCERT_CONTEXT getCertificate() const { return certificate.get(); }
  // CKA_SERIAL_NUMBER: the serial number as a DER INTEGER.
  CByteBuffer getSerialNumber() const;
  // CKA_CHECK_VALUE: the first three bytes of the SHA-1 hash.
  CByteBuffer getCheckValue() const;

 private:
  bool ownValue(CK_ATTRIBUTE_TYPE type, CByteBuffer& value) const;

  luma::CCertContextHandle certificate;
  CK_BBOOL trusted = CK_FALSE;
  CK_ULONG category = CK_CERTIFICATE_CATEGORY_TOKEN_USER;
  CK_DATE startDate = {};
  CK_DATE endDate = {};
};

#endif  // LUMA_PKCS11_MODULE_X509_CERTIFICATE_H_
