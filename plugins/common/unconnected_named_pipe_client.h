// A transport that makes one CallNamedPipeW per request and keeps no connection open.
#ifndef LUMA_PLUGINS_COMMON_UNCONNECTED_NAMED_PIPE_CLIENT_H_
#define LUMA_PLUGINS_COMMON_UNCONNECTED_NAMED_PIPE_CLIENT_H_

#include <string>

#include "plugins/common/remoting_client.h"

// How long the key and CSP plug-ins wait for a free pipe instance; the store provider waits less.
constexpr DWORD kPipeTimeoutMilliseconds = 5000;
constexpr DWORD kCertStorePipeTimeoutMilliseconds = 200;
// The largest reply a request may receive; a longer one fails with ERROR_MORE_DATA.
constexpr DWORD kMaxReplySize = 65536;

// Throws nothing. A pipe name that cannot be stored for want of memory leaves a transport whose
// every call fails with ERROR_NOT_ENOUGH_MEMORY (and isUsable() false).
class CUnconnectedNamedPipeClient final : public CRemotingClient {
 public:
  CUnconnectedNamedPipeClient(const std::wstring& pipeName, DWORD timeout) noexcept;
  ~CUnconnectedNamedPipeClient() = default;

  DWORD Transact(const CSecureBuffer& request, CSecureBuffer& reply) noexcept override;
  DWORD Reset() noexcept override { return 0; }  // nothing is kept between calls

  bool isUsable() const noexcept { return usable; }

 private:
  DWORD timeout;
  bool usable = false;
  std::wstring pipeName;
};

#endif  // LUMA_PLUGINS_COMMON_UNCONNECTED_NAMED_PIPE_CLIENT_H_
