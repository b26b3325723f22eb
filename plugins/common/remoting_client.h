// The transport under the plug-ins' session client: one request in, one reply out.
#ifndef LUMA_PLUGINS_COMMON_REMOTING_CLIENT_H_
#define LUMA_PLUGINS_COMMON_REMOTING_CLIENT_H_

#include "foundation/core/secure_buffer.h"

// An interface that throws nothing: its calls run under the plug-ins' exported entry points, which
// must never let an exception out. Every failure is a Win32 error code.
class CRemotingClient {
 public:
  // Sends the request and fills the reply; 0 when a reply was received, else a Win32 error code.
  virtual DWORD Transact(const CSecureBuffer& request, CSecureBuffer& reply) noexcept = 0;
  // Makes the transport usable again after a reset answer; 0 on success.
  virtual DWORD Reset() noexcept = 0;

 protected:
  CRemotingClient() noexcept = default;
  // The owner destroys a transport through its concrete type.
  ~CRemotingClient() = default;
};

#endif  // LUMA_PLUGINS_COMMON_REMOTING_CLIENT_H_
