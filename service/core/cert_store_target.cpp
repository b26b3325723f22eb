#include "service/core/cert_store_target.h"

#include "foundation/core/string_utils.h"

namespace luma::service {

namespace {

constexpr WCHAR kOwnStoreName[] = WSTR("lumaPassV");
constexpr WCHAR kDefaultPhysicalSuffix[] = WSTR("\\.Default");
constexpr WCHAR kLsassName[] = WSTR("lsass.exe");

}  // namespace

CertStoreTarget SelectCertStoreTarget(const WString& configuredName, DWORD configuredFlags) {
  CertStoreTarget target;
  target.systemName = configuredName;
  target.flags =
      EqualsIgnoreCase(configuredName, kOwnStoreName) ? kCurrentUserStoreLocation : configuredFlags;
  if (configuredName.find(WCHAR('\\')) != WString::npos) {
    target.provider = CertStoreProvider::kSystem;
    target.openName = configuredName;
  } else {
    target.provider = CertStoreProvider::kPhysical;
    target.openName = configuredName + kDefaultPhysicalSuffix;
  }
  return target;
}

CSecureBuffer PolicyIdPropertyBytes(const WString& accountKey) {
  CSecureBuffer bytes(static_cast<DWORD>(accountKey.size() * 2));
  for (std::size_t i = 0; i < accountKey.size(); ++i) {
    const auto unit = static_cast<std::uint16_t>(accountKey[i]);
    bytes.data[2 * i] = static_cast<BYTE>(unit & 0xFF);
    bytes.data[2 * i + 1] = static_cast<BYTE>(unit >> 8);
  }
  return bytes;
}

WString FriendlyNamePrefixText(const WString& providerPrefix, const WString& programPrefix) {
  if (!providerPrefix.empty()) return providerPrefix + WCHAR(' ');
  return programPrefix;
}

bool HasFriendlyNamePrefix(const WString& friendlyName, const WString& prefixText) {
  if (prefixText.empty() || friendlyName.size() < prefixText.size()) return false;
  return friendlyName.compare(0, prefixText.size(), prefixText) == 0;
}

bool ContainerComesBefore(bool samePolicy, const WString& friendlyNameA, const WString& friendlyNameB,
                          const WString& userIdA, const WString& userIdB) {
  return samePolicy ? friendlyNameA < friendlyNameB : userIdA < userIdB;
}

bool IsLocalSession(const WString& sessionComputerName, const WString& ownComputerName) {
  return EqualsIgnoreCase(sessionComputerName, ownComputerName);
}

bool EndsWithLsass(const WString& processPath) {
  const WString lower = ToLowerCase(processPath);
  const WString suffix(kLsassName);
  return lower.size() >= suffix.size() &&
         lower.compare(lower.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace luma::service
