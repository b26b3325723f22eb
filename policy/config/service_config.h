// How lumaPassV reaches a remote service: URL, time-out, WinINet security flags, the accepted
// issuers of the server certificate, integrated authentication and the proxy with its credentials.
// Read from a provider key or from an authentication method's key.
#ifndef LUMA_POLICY_CONFIG_SERVICE_CONFIG_H_
#define LUMA_POLICY_CONFIG_SERVICE_CONFIG_H_

#include <windows.h>

#include <string>
#include <vector>

namespace luma::policy {

constexpr DWORD kDefaultServiceTimeout = 60000;

}  // namespace luma::policy

class CServiceConfig {
 public:
  CServiceConfig() = default;
  // Reads the eight connection values of the open key.
  explicit CServiceConfig(HKEY key);
  CServiceConfig(const CServiceConfig& other);
  CServiceConfig& operator=(const CServiceConfig& other);
  // The proxy password is wiped before its memory is released.
  virtual ~CServiceConfig();

  std::wstring ServiceURL;
  DWORD ServiceTimeout = luma::policy::kDefaultServiceTimeout;  // milliseconds for connect, send and receive
  DWORD ServiceSecurityFlags = 0;
  std::vector<std::wstring> ServiceIssuerFingerprints;  // SHA-1 of accepted issuing CAs, hexadecimal
  bool ServiceNegotiateSupport = false;
  std::wstring ServiceProxyNames;  // empty: the system's proxy settings
  std::wstring ServiceProxyUser;
  std::wstring ServiceProxyPassword;
};

namespace luma::policy {

// Replaces the list by the items of the value: the entries of a REG_SZ or REG_MULTI_SZ, without
// blanks, split at "," and ";", empty items left out.
void RegQuerySplitList(HKEY key, const wchar_t* valueName, std::vector<std::wstring>& values);

}  // namespace luma::policy

#endif  // LUMA_POLICY_CONFIG_SERVICE_CONFIG_H_
