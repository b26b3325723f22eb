// What decides whether a certificate the server offers again may stay in the store as it is: its
// key provider information and the archived, account and reader properties. The friendly name is
// left out on purpose, so that a renamed certificate is not replaced.
#ifndef LUMA_PLUGINS_CERTSTORE_CORE_CERTIFICATE_IDENTITY_H_
#define LUMA_PLUGINS_CERTSTORE_CORE_CERTIFICATE_IDENTITY_H_

#include <optional>

#include "foundation/core/platform.h"
#include "foundation/core/secure_buffer.h"

namespace luma::certstore {

struct KeyProviderFields {
  std::optional<WString> containerName;  // absent stands for a null pointer
  std::optional<WString> providerName;
  DWORD keySpec = 0;
  DWORD providerType = 0;
};

struct CertificateIdentity {
  std::optional<KeyProviderFields> keyProvider;
  // Absent and present-but-empty differ: the archived mark is an empty value.
  std::optional<CSecureBuffer> archived;
  std::optional<CSecureBuffer> accountKey;
  std::optional<CSecureBuffer> smartCardReader;
};

// True only when both carry key provider information with equal container names, provider names,
// key specs and provider types, and the three properties are equal (both absent is equal).
bool IsIdenticalCertificate(const CertificateIdentity& a, const CertificateIdentity& b);

// The value of a text property: the UTF-16LE characters and their terminating zero. Throws nothing;
// an allocation failure gives an empty buffer.
CSecureBuffer WideTextProperty(const WString& text);

}  // namespace luma::certstore

#endif  // LUMA_PLUGINS_CERTSTORE_CORE_CERTIFICATE_IDENTITY_H_
