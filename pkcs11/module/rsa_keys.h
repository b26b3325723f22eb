// The RSA private and public key objects of one certificate. Each holds its own duplicate of the
// certificate context and answers the key's attributes from it.
#ifndef LUMA_PKCS11_MODULE_RSA_KEYS_H_
#define LUMA_PKCS11_MODULE_RSA_KEYS_H_

#include <windows.h>
// after windows.h
#include <wincrypt.h>

#include <string>

#include "foundation/win/unique_handle.h"
#include "pkcs11/core/pkcs11_object.h"
#include "pkcs11/module/rsa_public_key.h"

class CPKCS11RSAPrivateKey : public CPKCS11PrivateKey {
 public:
  CPKCS11RSAPrivateKey(PCCERT_CONTEXT certificate, const std::string& label);
  CPKCS11RSAPrivateKey(const CPKCS11RSAPrivateKey& other);

  CK_RV getAttributeValue(CK_ATTRIBUTE& attribute) const override;
  std::unique_ptr<CPKCS11Object> clone() const override;
  CByteBuffer getCertificateHash() const override;
  bool handlesAttribute(CK_ATTRIBUTE_TYPE type) const override;
  bool matches(const CK_ATTRIBUTE& templateEntry) const override;

  // The certificate whose private key the signing and decryption operations acquire.
  PCCERT_CONTEXT getCertificate() const { return certificate.get(); }
  CByteBuffer getModulus() const { return publicValues.getModulus(certificate.get()); }
  CByteBuffer getPublicExponent() const { return publicValues.getPublicExponent(certificate.get()); }

 private:
  luma::CCertContextHandle certificate;
  CRSAPublicValues publicValues;
};

class CPKCS11RSAPublicKey : public CPKCS11PublicKey {
 public:
  CPKCS11RSAPublicKey(PCCERT_CONTEXT certificate, const std::string& label);
  CPKCS11RSAPublicKey(const CPKCS11RSAPublicKey& other);

  CK_RV getAttributeValue(CK_ATTRIBUTE& attribute) const override;
  std::unique_ptr<CPKCS11Object> clone() const override;
  CByteBuffer getCertificateHash() const override;
  bool handlesAttribute(CK_ATTRIBUTE_TYPE type) const override;
  bool matches(const CK_ATTRIBUTE& templateEntry) const override;

  PCCERT_CONTEXT getCertificate() const { return certificate.get(); }
  CByteBuffer getModulus() const { return publicValues.getModulus(certificate.get()); }
  CByteBuffer getPublicExponent() const { return publicValues.getPublicExponent(certificate.get()); }

 private:
  bool ownValue(CK_ATTRIBUTE_TYPE type, CByteBuffer& value) const;

  luma::CCertContextHandle certificate;
  CRSAPublicValues publicValues;
  CK_ULONG modulusBits = 0;
};

#endif  // LUMA_PKCS11_MODULE_RSA_KEYS_H_
