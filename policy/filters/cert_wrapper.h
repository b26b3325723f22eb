// A certificate as the certificate filters see it: the context with lazily read, cached attributes.
#ifndef LUMA_POLICY_FILTERS_CERT_WRAPPER_H_
#define LUMA_POLICY_FILTERS_CERT_WRAPPER_H_

#include <windows.h>
// after windows.h, which it needs
#include <wincrypt.h>

#include <set>

#include "foundation/core/platform.h"

// Made for one match or one selection on one thread; it has no lock. The certificate context is
// neither duplicated nor freed: the caller keeps it alive for the wrapper's lifetime. A cache that
// is still empty after reading (a certificate without the extension) is read again next time.
class CCertWrapper {
 public:
  explicit CCertWrapper(PCCERT_CONTEXT certificate) : certificate_(certificate) {}
  virtual ~CCertWrapper() = default;
  CCertWrapper(const CCertWrapper&) = delete;
  CCertWrapper& operator=(const CCertWrapper&) = delete;

  PCCERT_CONTEXT GetCertificate() const { return certificate_; }

  // The SHA-1 thumbprint as 40 upper-case hexadecimal digits; empty when it cannot be read.
  void GetFingerprint(WString& fingerprint) const;

  // The key identifier of the authority key identifier extension (2.5.29.35, else the older
  // 2.5.29.1) as upper-case hexadecimal text; empty without either or when it does not decode.
  const WString& GetAuthorityKeyIdentifier();

  // Refills the set of enhanced key usages (dotted object identifiers) from the extension alone;
  // false when the usages cannot be read. A certificate without the extension leaves it empty.
  bool LoadEnhancedKeyUsages();
  const std::set<WString>& GetEnhancedKeyUsages() const { return enhancedKeyUsages_; }

  // The key usage bits as CertGetIntendedKeyUsage writes them into 4 bytes (first byte lowest,
  // decipherOnly in the second); 0 = not read yet. Read and filled by the key-usage filter.
  DWORD GetKeyUsage() const { return keyUsage_; }
  void SetKeyUsage(DWORD keyUsage) { keyUsage_ = keyUsage; }

 private:
  PCCERT_CONTEXT certificate_;
  DWORD keyUsage_ = 0;
  std::set<WString> enhancedKeyUsages_;
  WString authorityKeyIdentifier_;
};

namespace luma::policy {

// Certificate texts of the legacy filters; each is empty when the certificate gives none.
// The subject and issuer in X.500 form, most specific name first ("CN=..., O=..., C=...").
WString GetSubjectName(PCCERT_CONTEXT certificate);
WString GetIssuerName(PCCERT_CONTEXT certificate);
// The first user principal name among the alternative names.
WString GetUserPrincipalName(PCCERT_CONTEXT certificate);

}  // namespace luma::policy

#endif  // LUMA_POLICY_FILTERS_CERT_WRAPPER_H_
