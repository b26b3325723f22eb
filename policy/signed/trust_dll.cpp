#include "policy/signed/trust_dll.h"

#include <cstring>
#include <vector>

#include "foundation/core/string_utils.h"
#include "foundation/win/file_signer.h"
#include "foundation/win/system_utils.h"
#include "foundation/win/unique_handle.h"

namespace {

constexpr wchar_t kTrustDllPattern[] = L"*-*-*-*-*.dll";
constexpr wchar_t kTrustDllSubFolder[] = L"Provider";

// A trust DLL mapped for its resources only: no entry point runs, no import is resolved.
class CResourceModule {
 public:
  explicit CResourceModule(const std::wstring& path)
      : module(LoadLibraryExW(path.c_str(), nullptr,
                              LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}

  void Collect(const wchar_t* type, std::list<CSecureBuffer>& resources) const {
    if (!module) return;
    EnumResourceNamesW(module.get(), type, luma::CollectResourceProc, reinterpret_cast<LONG_PTR>(&resources));
  }

 private:
  luma::CModuleHandle module;
};

// Keeps a file from being written, renamed or deleted while it is open; readers may share it.
class CFileWriteLock {
 public:
  explicit CFileWriteLock(const std::wstring& path)
      : file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  // False when the file is missing or someone holds it open for writing.
  bool IsHeld() const { return static_cast<bool>(file); }

 private:
  luma::CKernelHandle file;
};

}  // namespace

namespace luma::policy {

std::wstring ProviderPrefixFromResource(const CSecureBuffer& resource) {
  std::wstring prefix(resource.size / sizeof(wchar_t), L'\0');
  if (!prefix.empty()) memcpy(&prefix[0], resource.data, prefix.size() * sizeof(wchar_t));
  return prefix;
}

}  // namespace luma::policy

CPolicySignerTrustConfig::CPolicySignerTrustConfig(const std::wstring& path)
    : CPolicySignerTrustConfig(path, luma::GetFileSignerCertificate) {}

CPolicySignerTrustConfig::CPolicySignerTrustConfig(const std::wstring& path,
                                                   const FileSignerReader& readSigner) {
  // Held open against writing and replacing from the signature check until the resources are read,
  // so that the resources read are those of the file whose signature was checked.
  const CFileWriteLock writeLock(path);
  if (!writeLock.IsHeld()) return;
  signer = readSigner(path);
  if (signer.empty()) return;
  ReadResources(path);
}

void CPolicySignerTrustConfig::ReadResources(const std::wstring& path) {
  const CResourceModule module(path);
  module.Collect(L"CERT", certificates);
  std::list<CSecureBuffer> prefixes;  // wiped when they go
  module.Collect(L"PROVIDER", prefixes);
  for (const CSecureBuffer& resource : prefixes)
    providerPrefixes.push_back(luma::policy::ProviderPrefixFromResource(resource));
}

bool CPolicySignerTrustConfig::AppliesTo(const std::wstring& providerName) const {
  for (const std::wstring& prefix : providerPrefixes) {
    if (providerName.size() >= prefix.size() &&
        luma::EqualsIgnoreCase(providerName.substr(0, prefix.size()), prefix)) {
      return true;
    }
  }
  return false;
}

namespace luma::policy {

std::list<std::shared_ptr<CPolicySignerTrustConfig>> LoadPolicySignerTrusts(const std::wstring& folder) {
  return LoadPolicySignerTrusts(folder, luma::GetFileSignerCertificate);
}

std::list<std::shared_ptr<CPolicySignerTrustConfig>> LoadPolicySignerTrusts(
    const std::wstring& folder, const FileSignerReader& readSigner) {
  std::list<std::wstring> files;
  luma::FindFiles(folder, kTrustDllPattern, files);
  std::list<std::shared_ptr<CPolicySignerTrustConfig>> trusts;
  for (const std::wstring& file : files) {
    auto trust = std::make_shared<CPolicySignerTrustConfig>(file, readSigner);
    if (!trust->signer.empty()) trusts.push_back(std::move(trust));
  }
  return trusts;
}

std::list<CSecureBuffer> GetPolicySignersForProvider(
    const std::list<std::shared_ptr<CPolicySignerTrustConfig>>& trusts, const std::wstring& providerName) {
  std::list<CSecureBuffer> signers;
  for (const auto& trust : trusts) {
    if (!trust->AppliesTo(providerName)) continue;
    signers.insert(signers.end(), trust->certificates.begin(), trust->certificates.end());
  }
  return signers;
}

std::wstring GetTrustDllFolder() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::wstring();
    if (length < path.size()) {
      std::wstring folder(path.data(), length);
      const std::size_t slash = folder.find_last_of(L"\\/");
      folder.resize(slash == std::wstring::npos ? 0 : slash + 1);
      return folder + kTrustDllSubFolder;
    }
    if (path.size() >= 32768) return std::wstring();
    path.resize(path.size() * 2);
  }
}

}  // namespace luma::policy
