// The accounts' signed policies as files in the provider's policy store folder, one per account,
// and the user's disabled certificates under "DisabledCertificates" in the registry. No operation
// takes a lock or reports a failure; the provider context decides when each runs.
#ifndef LUMA_POLICY_SIGNED_POLICY_STORE_H_
#define LUMA_POLICY_SIGNED_POLICY_STORE_H_

#include <windows.h>

#include <list>
#include <string>

#include "foundation/core/secure_buffer.h"
#include "policy/config/provider_config.h"
#include "policy/signed/certificate_policy.h"
#include "policy/signed/policy.h"
#include "policy/signed/policy_provider_settings.h"

namespace luma::policy {

// What verifying the provider's policies needs of its configuration.
CPolicyProviderSettings MakePolicyProviderSettings(const CProviderConfig& config);

// Appends every readable and valid policy file of the provider, in the file system's order. Files
// that cannot be read or verified are skipped and left in place; so are files of other providers
// that the search pattern also finds.
void LoadPolicyFiles(const CProviderConfig& config, const std::list<CSecureBuffer>& trustedSigners,
                     std::list<CPolicyPtr>& policies);

// "<folder>\<provider>-<first 8 digits of the SHA-1 of the upper-cased userId>.policy", lower-cased.
void GetPolicyFileName(const CPolicy& policy, std::wstring& path, const CProviderConfig& config);
std::wstring GetPolicyFileName(const std::wstring& folder, const std::wstring& providerName,
                               const std::wstring& userId);

// Writes the policy's signed bytes beside its file and then replaces the file in one step, so that
// an interrupted write leaves the previous file whole. Creates the folder when needed.
void SavePolicyFile(const CProviderConfig& config, const CPolicy& policy);
void DeletePolicyFile(const CProviderConfig& config, const CPolicy& policy);

// The registry value of a certificate is named by the SHA-1 of its DER bytes; it is disabled while
// the value is a non-zero REG_DWORD.
void SetCertificateDisabled(const CCertificatePolicy& certificate, bool disabled);
bool IsCertificateDisabled(const CCertificatePolicy& certificate);
void SetCertificateDisabled(const CSecureBuffer& encodedCertificate, bool disabled);
bool IsCertificateDisabled(const CSecureBuffer& encodedCertificate);

}  // namespace luma::policy

#endif  // LUMA_POLICY_SIGNED_POLICY_STORE_H_
