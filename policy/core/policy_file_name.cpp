#include "policy/core/policy_file_name.h"

#include "foundation/core/string_utils.h"

namespace {

constexpr std::size_t kDigestDigits = 8;

const WString& Extension() {
  static const WString extension = WSTR(".policy");
  return extension;
}

bool IsHexDigit(WCHAR c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

namespace luma::policy {

WString MakePolicyFilePath(const WString& folder, const WString& providerName,
                           const WString& userIdDigestHex) {
  return luma::ToLowerCase(folder + WSTR("\\") + providerName + WSTR("-") +
                           userIdDigestHex.substr(0, kDigestDigits) + Extension());
}

WString MakePolicyFileSearchPattern(const WString& folder, const WString& providerName) {
  return folder + WSTR("\\") + providerName + WSTR("-*") + Extension();
}

bool IsPolicyFileNameOf(const WString& providerName, const WString& fileName) {
  const std::size_t prefix = providerName.size() + 1;
  if (fileName.size() != prefix + kDigestDigits + Extension().size()) return false;
  if (!luma::EqualsIgnoreCase(fileName.substr(0, providerName.size()), providerName) ||
      fileName[providerName.size()] != '-')
    return false;
  for (std::size_t i = prefix; i < prefix + kDigestDigits; ++i) {
    if (!IsHexDigit(fileName[i])) return false;
  }
  return luma::EqualsIgnoreCase(fileName.substr(prefix + kDigestDigits), Extension());
}

}  // namespace luma::policy
