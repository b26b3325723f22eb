#include "policy/signed/policy_store.h"

#include <memory>

#include "foundation/core/string_utils.h"
#include "foundation/win/registry_reader.h"
#include "foundation/win/system_utils.h"
#include "foundation/win/unique_handle.h"
#include "policy/core/policy_exception.h"
#include "policy/core/policy_file_name.h"
#include "policy/filters/cert_wrapper.h"

namespace {

const wchar_t kDisabledCertificatesKey[] = L"Software\\nuvak\\lumaPassV\\DisabledCertificates";

// Suffix of the file a new policy is written to before it replaces the old one; the search for
// policy files never takes it.
const wchar_t kPendingSuffix[] = L".new";

std::wstring FileNameOf(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring CertificateValueName(const CSecureBuffer& encodedCertificate) {
  return luma::Sha1Hex(encodedCertificate.data, encodedCertificate.size);
}

// The data reaches the disk before the rename makes it the policy file.
bool FlushFile(const std::wstring& path) {
  const luma::CKernelHandle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file && FlushFileBuffers(file.get()) != FALSE;
}

}  // namespace

namespace luma::policy {

CPolicyProviderSettings MakePolicyProviderSettings(const CProviderConfig& config) {
  CPolicyProviderSettings settings;
  settings.providerName = config.name;
  settings.signerValidationPolicy = config.PolicySignerValidationPolicy;
  const CCertificateFilter& filter = config.PolicySignerCertificateFilter;
  if (filter.legacyFilters.empty() && !filter.expression) return settings;  // no condition: no filter
  auto held = std::make_shared<const CCertificateFilter>(filter);
  settings.signerFilter = [held](PCCERT_CONTEXT certificate) {
    CCertWrapper wrapper(certificate);
    return held->Match(&wrapper);
  };
  return settings;
}

void LoadPolicyFiles(const CProviderConfig& config, const std::list<CSecureBuffer>& trustedSigners,
                     std::list<CPolicyPtr>& policies) {
  std::list<std::wstring> files;
  luma::FindFiles(config.PolicyStore, config.name + L"-*.policy", files);
  const CPolicyProviderSettings settings = MakePolicyProviderSettings(config);
  for (const std::wstring& path : files) {
    if (!IsPolicyFileNameOf(config.name, FileNameOf(path))) continue;
    CSecureBuffer bytes;  // wiped when it goes
    if (luma::ReadFileData(path, bytes) != ERROR_SUCCESS) continue;
    try {
      policies.push_back(std::make_shared<CPolicy>(settings, trustedSigners, bytes));
    } catch (const CPolicyException&) {
      // not a policy of this provider: left where it is
    }
  }
}

std::wstring GetPolicyFileName(const std::wstring& folder, const std::wstring& providerName,
                               const std::wstring& userId) {
  const std::wstring upper = luma::ToUpperCase(userId);
  const std::wstring digest = luma::Sha1Hex(reinterpret_cast<const BYTE*>(upper.data()),
                                            static_cast<DWORD>(upper.size() * sizeof(wchar_t)));
  return MakePolicyFilePath(folder, providerName, digest);
}

void GetPolicyFileName(const CPolicy& policy, std::wstring& path, const CProviderConfig& config) {
  path = GetPolicyFileName(config.PolicyStore, config.name, policy.userId);
}

void SavePolicyFile(const CProviderConfig& config, const CPolicy& policy) {
  luma::CreateDirectoryPath(config.PolicyStore);
  std::wstring path;
  GetPolicyFileName(policy, path, config);
  const std::wstring pending = path + kPendingSuffix;
  if (luma::WriteFileData(pending, policy.raw) != ERROR_SUCCESS || !FlushFile(pending) ||
      !MoveFileExW(pending.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(pending.c_str());
  }
}

void DeletePolicyFile(const CProviderConfig& config, const CPolicy& policy) {
  std::wstring path;
  GetPolicyFileName(policy, path, config);
  DeleteFileW(path.c_str());
}

void SetCertificateDisabled(const CSecureBuffer& encodedCertificate, bool disabled) {
  luma::CRegistryKeyHandle key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kDisabledCertificatesKey, 0, nullptr, 0,
                      KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
    return;
  }
  const std::wstring name = CertificateValueName(encodedCertificate);
  if (disabled) {
    const DWORD one = 1;
    RegSetValueExW(key.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof(one));
  } else {
    RegDeleteValueW(key.get(), name.c_str());
  }
}

bool IsCertificateDisabled(const CSecureBuffer& encodedCertificate) {
  const luma::CRegistryKeyHandle key =
      luma::OpenRegistryKeyForReading(HKEY_CURRENT_USER, kDisabledCertificatesKey);
  DWORD value = 0;
  return luma::QueryDwordValue(key.get(), CertificateValueName(encodedCertificate).c_str(), value) &&
         value != 0;
}

void SetCertificateDisabled(const CCertificatePolicy& certificate, bool disabled) {
  SetCertificateDisabled(certificate.GetEncodedCertificate(), disabled);
}

bool IsCertificateDisabled(const CCertificatePolicy& certificate) {
  return IsCertificateDisabled(certificate.GetEncodedCertificate());
}

}  // namespace luma::policy
