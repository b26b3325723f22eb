// The user agent of the transport's WinINet sessions.
#include <string>
#include <vector>

#include "foundation/win/system_utils.h"
#include "service/soap/soap_secure_wininet_client.h"

namespace {

constexpr DWORD kModulePathCharacters = 32768;

const wchar_t* ArchitectureName(WORD architecture) {
  switch (architecture) {
    case PROCESSOR_ARCHITECTURE_INTEL:
      return L"x86";
    case PROCESSOR_ARCHITECTURE_AMD64:
      return L"x64";
    case PROCESSOR_ARCHITECTURE_ARM:
      return L"ARM";
    case PROCESSOR_ARCHITECTURE_IA64:
      return L"IA64";
    default:
      return L"Unknown";
  }
}

std::wstring WindowsPart() {
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  GetVersionExW(&version);
  SYSTEM_INFO system = {};
  GetNativeSystemInfo(&system);
  wchar_t text[128];
  swprintf(text, sizeof text / sizeof text[0], L" (Windows %d.%d.%d.%d %ls)",
           static_cast<int>(version.dwMajorVersion), static_cast<int>(version.dwMinorVersion),
           static_cast<int>(version.dwBuildNumber), static_cast<int>(version.dwPlatformId),
           ArchitectureName(system.wProcessorArchitecture));
  return text;
}

}  // namespace

std::wstring CSoapSecureWininetClient::BuildUserAgent() {
  std::vector<wchar_t> path(kModulePathCharacters, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), kModulePathCharacters);
  std::wstring productName, productVersion, legalNotice;
  if (length > 0 && length < kModulePathCharacters &&
      luma::GetFileVersionStrings(std::wstring(path.data(), length), productName, productVersion,
                                  legalNotice) == ERROR_SUCCESS &&
      !productName.empty() && !productVersion.empty()) {
    return productName + L"/" + productVersion + WindowsPart();
  }
  return L"CSoapSecureWininetClient/1.0" + WindowsPart();
}
