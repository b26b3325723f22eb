// One client's conversation on a connected pipe instance: read a request, let the endpoint handler
// answer it, write the answer, until the client closes or breaks the rules.
#ifndef LUMA_SERVICE_PIPE_PIPE_CONNECTION_H_
#define LUMA_SERVICE_PIPE_PIPE_CONNECTION_H_

#include <windows.h>

#include "foundation/core/vsc_endpoint_handler.h"

namespace luma::service {

// The size of each read; a whole request normally fits in one.
constexpr DWORD kPipeReadSize = 8192;

// Serves the client connected to `pipe` (opened for overlapped I/O) until it closes, a read or
// write fails, or a request exceeds kMaxPipeRequestSize; `ioEvent` is a manual-reset event for the
// I/O. Requests and answers are wiped after use. Throws nothing.
void ServePipeConnection(
    HANDLE pipe, HANDLE ioEvent,
    VirtualSmartCardProtocol::CVirtualSmartCardProtocolEndpointHandler& handler) noexcept;

// Waits for an overlapped operation that `started` says was begun; 0 on success, else the error
// (ERROR_MORE_DATA included). `transferred` receives the byte count either way.
DWORD FinishOverlapped(HANDLE pipe, OVERLAPPED& overlapped, BOOL started, DWORD& transferred);

}  // namespace luma::service

#endif  // LUMA_SERVICE_PIPE_PIPE_CONNECTION_H_
