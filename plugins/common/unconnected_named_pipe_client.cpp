#include "plugins/common/unconnected_named_pipe_client.h"

#include <new>

CUnconnectedNamedPipeClient::CUnconnectedNamedPipeClient(const std::wstring& pipeName, DWORD timeout) noexcept
    : timeout(timeout) {
  try {
    this->pipeName = pipeName;
    usable = true;
  } catch (const std::bad_alloc&) {
    usable = false;
  }
}

DWORD CUnconnectedNamedPipeClient::Transact(const CSecureBuffer& request, CSecureBuffer& reply) noexcept {
  reply.Clear();
  if (!usable) return ERROR_NOT_ENOUGH_MEMORY;
  // Wiped and freed by its destructor on every path.
  CSecureBuffer received(kMaxReplySize);
  if (received.size != kMaxReplySize) return ERROR_NOT_ENOUGH_MEMORY;

  DWORD bytesRead = 0;
  if (!CallNamedPipeW(pipeName.c_str(), request.data, request.size, received.data, received.size, &bytesRead,
                      timeout)) {
    const DWORD error = GetLastError();
    reply.Clear();
    return error != 0 ? error : ERROR_READ_FAULT;
  }
  CSecureBuffer copy(bytesRead, received.data);
  if (copy.size != bytesRead) return ERROR_NOT_ENOUGH_MEMORY;
  reply = std::move(copy);
  return 0;
}
