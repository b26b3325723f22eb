#include "plugins/certstore/core/certificate_identity.h"

namespace luma::certstore {

bool IsIdenticalCertificate(const CertificateIdentity& a, const CertificateIdentity& b) {
  if (!a.keyProvider || !b.keyProvider) return false;
  const KeyProviderFields& x = *a.keyProvider;
  const KeyProviderFields& y = *b.keyProvider;
  if (x.containerName != y.containerName || x.providerName != y.providerName || x.keySpec != y.keySpec ||
      x.providerType != y.providerType) {
    return false;
  }
  return a.archived == b.archived && a.accountKey == b.accountKey && a.smartCardReader == b.smartCardReader;
}

CSecureBuffer WideTextProperty(const WString& text) {
  const DWORD units = static_cast<DWORD>(text.size()) + 1;
  CSecureBuffer value(2 * units);
  if (value.size != 2 * units) return CSecureBuffer();
  for (DWORD i = 0; i + 1 < units; ++i) {
    const auto unit = static_cast<std::uint16_t>(text[i]);
    value.data[2 * i] = static_cast<BYTE>(unit & 0xFF);
    value.data[2 * i + 1] = static_cast<BYTE>(unit >> 8);
  }
  value.data[2 * units - 2] = 0;
  value.data[2 * units - 1] = 0;
  return value;
}

}  // namespace luma::certstore
