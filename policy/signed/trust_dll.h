// The trust DLLs of the service providers: Authenticode-signed files in the program's "Provider"
// folder whose "CERT" resources are the certificates of trusted policy signers and whose "PROVIDER"
// resources are the prefixes of the provider names those signers serve.
#ifndef LUMA_POLICY_SIGNED_TRUST_DLL_H_
#define LUMA_POLICY_SIGNED_TRUST_DLL_H_

#include <windows.h>

#include <functional>
#include <list>
#include <memory>
#include <string>

#include "foundation/core/secure_buffer.h"

// The trusted Authenticode signer of a file (empty when there is none); GetFileSignerCertificate by
// default, replaceable so that tests can decide which signers count as trusted.
using FileSignerReader = std::function<CSecureBuffer(const std::wstring& path)>;

class CPolicySignerTrustConfig {
 public:
  // Reads the DLL at path when its signer is trusted. The file is mapped as image resources only and
  // never run: nothing of it executes in the program. A file that cannot be read adds nothing.
  explicit CPolicySignerTrustConfig(const std::wstring& path);
  CPolicySignerTrustConfig(const std::wstring& path, const FileSignerReader& readSigner);
  virtual ~CPolicySignerTrustConfig() = default;

  // Some prefix equals the start of the provider's name, letters A to Z in either case.
  bool AppliesTo(const std::wstring& providerName) const;

  CSecureBuffer signer;                      // empty: unsigned or untrusted, and nothing else is read
  std::list<CSecureBuffer> certificates;     // DER certificates of the trusted policy signers
  std::list<std::wstring> providerPrefixes;  // in resource order

 private:
  void ReadResources(const std::wstring& path);
};

namespace luma::policy {

// The text of a "PROVIDER" resource: its bytes as UTF-16 code units; an odd last byte is ignored.
std::wstring ProviderPrefixFromResource(const CSecureBuffer& resource);

// The trust DLLs of folder ("*-*-*-*-*.dll"), read in the order the system lists them; those whose
// signer is not trusted are left out.
std::list<std::shared_ptr<CPolicySignerTrustConfig>> LoadPolicySignerTrusts(const std::wstring& folder);
std::list<std::shared_ptr<CPolicySignerTrustConfig>> LoadPolicySignerTrusts(
    const std::wstring& folder, const FileSignerReader& readSigner);

// The certificates of every trust that applies to the provider, in trust order.
std::list<CSecureBuffer> GetPolicySignersForProvider(
    const std::list<std::shared_ptr<CPolicySignerTrustConfig>>& trusts, const std::wstring& providerName);

// The program's trust DLL folder: the folder of the running program followed by "Provider".
std::wstring GetTrustDllFolder();

}  // namespace luma::policy

#endif  // LUMA_POLICY_SIGNED_TRUST_DLL_H_
