#include "policy/config/config_environment.h"

#include <wincrypt.h>

#include "foundation/win/system_utils.h"
#include "foundation/win/unique_handle.h"

namespace {
constexpr DWORD kDnsDomainBufferLength = 260;

class CSystemConfigEnvironment : public CConfigEnvironment {
 public:
  std::wstring GetUILanguageName() const override { return luma::GetUILanguageName(L"en"); }
  std::wstring GetComputerDnsDomain() const override { return luma::policy::QueryComputerDnsDomain(); }
  DWORD IsCurrentUserInGroup(const std::wstring& group, bool& member) const override {
    return luma::IsCurrentUserInGroup(group, member);
  }
  bool ProductPhysicalStoreExists() const override {
    // Start-up registers the store before the providers are read, so one probe serves the process.
    static const bool exists = luma::policy::ProbeProductPhysicalStore();
    return exists;
  }
};
}  // namespace

namespace luma::policy {

const CConfigEnvironment& GetSystemConfigEnvironment() {
  static const CSystemConfigEnvironment environment;
  return environment;
}

std::wstring QueryComputerDnsDomain() {
  wchar_t name[kDnsDomainBufferLength + 1] = {};
  DWORD length = kDnsDomainBufferLength;
  if (!GetComputerNameExW(ComputerNameDnsDomain, name, &length)) return std::wstring();
  if (length > kDnsDomainBufferLength) return std::wstring();
  return std::wstring(name, length);
}

bool ProbeProductPhysicalStore() {
  const luma::CCertStoreHandle store(
      CertOpenStore(CERT_STORE_PROV_PHYSICAL_W, X509_ASN_ENCODING, 0,
                    CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_READONLY_FLAG | CERT_STORE_OPEN_EXISTING_FLAG,
                    L"MY\\lumaPassV"));
  return static_cast<bool>(store);
}

}  // namespace luma::policy
