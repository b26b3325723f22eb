// What a certificate may be used for: the content byte of the CertificateType BIT STRING and its
// six flags.
#ifndef LUMA_POLICY_CORE_CERTIFICATE_TYPE_H_
#define LUMA_POLICY_CORE_CERTIFICATE_TYPE_H_

#include "foundation/core/der_codec.h"

class CCertificateType {
 public:
  enum Flag {
    kQualifiedSignature = 0,
    kPersonalAdvancedSignature = 1,
    kCompanyAdvancedSignature = 2,
    kStandardSignature = 3,
    kAuthentication = 4,
    kEncryption = 5,
    kFlagCount = 6,
  };

  CCertificateType() = default;
  // Decodes a CertificateType element; throws CPolicyException.
  explicit CCertificateType(const CSecureBuffer& encoded);
  explicit CCertificateType(const luma::der::Element& element);
  CCertificateType(const CCertificateType& other) = default;
  CCertificateType& operator=(const CCertificateType& other) = default;
  virtual ~CCertificateType() = default;

  DWORD bits = 0;
  bool flags[kFlagCount] = {};

 private:
  void Decode(const luma::der::Element& element);
};

#endif  // LUMA_POLICY_CORE_CERTIFICATE_TYPE_H_
