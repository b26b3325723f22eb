// The transport under the plug-ins' session client: one request in, one reply out.
#ifndef LUMA_PLUGINS_COMMON_REMOTING_CLIENT_H_
#define LUMA_PLUGINS_COMMON_REMOTING_CLIENT_H_

#include "foundation/core/secure_buffer.h"

class CRemotingClient {
 public:
  // Sends the request and fills the reply; 0 when a reply was received, else a Win32 error code.
  virtual DWORD Transact(const CSecureBuffer& request, CSecureBuffer& reply) = 0;
  // Makes the transport usable again after a reset answer; 0 on success.
  virtual DWORD Reset() = 0;

 protected:
  // The owner destroys a transport through its concrete type.
  ~CRemotingClient() = default;
};

#endif  // LUMA_PLUGINS_COMMON_REMOTING_CLIENT_H_
