// The certificate of a key container with its key provider, container name, key spec,
// key length and key usage, as the policies carry it and the provisioning writes it to the stores.
#ifndef LUMA_FOUNDATION_WIN_CERTIFICATE_DESCRIPTOR_H_
#define LUMA_FOUNDATION_WIN_CERTIFICATE_DESCRIPTOR_H_

#include <windows.h>
// after windows.h
#include <wincrypt.h>

#include <string>

#include "foundation/core/secure_buffer.h"
#include "foundation/win/unique_handle.h"

class CCertificateDescriptor {
 public:
  // From a certificate context (duplicated) and its key provider information, when it has some;
  // a null context gives an empty descriptor.
  explicit CCertificateDescriptor(PCCERT_CONTEXT context = nullptr);
  // From a DER certificate: the key spec follows the key usage (signature-only keys get
  // AT_SIGNATURE). An encoding the platform rejects leaves no certificate.
  CCertificateDescriptor(const std::wstring& containerName, const CSecureBuffer& encodedCertificate);
  CCertificateDescriptor(const CCertificateDescriptor& other);
  CCertificateDescriptor& operator=(const CCertificateDescriptor& other);
  ~CCertificateDescriptor();

  PCCERT_CONTEXT GetCertificate() const { return certificate.get(); }
  // The friendly-name property's bytes (a zero-terminated UTF-16 text) and two more zero bytes;
  // empty when the property is missing.
  CSecureBuffer GetFriendlyName() const;
  CSecureBuffer GetEncodedCertificate() const;
  // "'subject', serial number 0A1B, issued by 'issuer'" for log lines; "<undef>" without a certificate.
  std::wstring GetDescription() const;

  std::wstring providerName;
  std::wstring containerName;
  DWORD keyLengthBits = 0;
  DWORD keySpec = AT_KEYEXCHANGE;
  DWORD providerType = 0;
  DWORD providerFlags = 0;
  DWORD keyUsage = 0;  // the key usage bytes read little-endian: digitalSignature 0x80, decipherOnly 0x8000

 private:
  luma::CCertContextHandle certificate;
};

#endif  // LUMA_FOUNDATION_WIN_CERTIFICATE_DESCRIPTOR_H_
