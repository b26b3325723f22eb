#include "service/pipe/pipe_connection.h"

#include "foundation/win/debug_log.h"
#include "service/core/request_assembler.h"

namespace luma::service {

DWORD FinishOverlapped(HANDLE pipe, OVERLAPPED& overlapped, BOOL started, DWORD& transferred) {
  transferred = 0;
  if (!started) {
    const DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING && error != ERROR_MORE_DATA) return error;
  }
  if (GetOverlappedResult(pipe, &overlapped, &transferred, TRUE)) return 0;
  const DWORD error = GetLastError();
  return error != 0 ? error : ERROR_READ_FAULT;
}

namespace {

PipeRead ReadPiece(HANDLE pipe, HANDLE ioEvent, BYTE* buffer, DWORD capacity) {
  OVERLAPPED overlapped = {};
  overlapped.hEvent = ioEvent;
  const BOOL started = ReadFile(pipe, buffer, capacity, nullptr, &overlapped);
  PipeRead piece;
  const DWORD error = FinishOverlapped(pipe, overlapped, started, piece.count);
  if (error == 0) {
    piece.result = PipeRead::kComplete;
  } else if (error == ERROR_MORE_DATA) {
    piece.result = PipeRead::kMoreData;
  } else {
    piece.result = PipeRead::kFailed;
    piece.count = 0;
  }
  return piece;
}

bool WriteAll(HANDLE pipe, HANDLE ioEvent, const CSecureBuffer& response) {
  DWORD written = 0;
  while (written < response.size) {
    OVERLAPPED overlapped = {};
    overlapped.hEvent = ioEvent;
    const BOOL started =
        WriteFile(pipe, response.data + written, response.size - written, nullptr, &overlapped);
    DWORD count = 0;
    if (FinishOverlapped(pipe, overlapped, started, count) != 0 || count == 0) return false;
    written += count;
  }
  return true;
}

void LogEnd(RequestRead outcome) {
  switch (outcome) {
    case RequestRead::kBroken:
      CDebugLog::Log(LOG_WARNING,
                     L"Pipe read failed inside a request, fragment dropped and connection closed");
      break;
    case RequestRead::kTooLarge:
      CDebugLog::Log(LOG_WARNING, L"Pipe request larger than %u bytes refused, connection closed",
                     kMaxPipeRequestSize);
      break;
    default:
      break;
  }
}

}  // namespace

void ServePipeConnection(
    HANDLE pipe, HANDLE ioEvent,
    VirtualSmartCardProtocol::CVirtualSmartCardProtocolEndpointHandler& handler) noexcept {
  try {
    CSecureBuffer readBuffer(kPipeReadSize);  // wiped on every path: it held request bytes
    if (readBuffer.empty()) return;
    const PipeReader read = [&](BYTE* buffer, DWORD capacity) {
      return ReadPiece(pipe, ioEvent, buffer, capacity);
    };
    for (;;) {
      CSecureBuffer request;
      const RequestRead outcome = ReadPipeRequest(read, readBuffer, request);
      if (outcome != RequestRead::kRequest) {
        LogEnd(outcome);
        return;
      }
      if (CDebugLog::IsLevelEnabled(LOG_DEBUG)) CDebugLog::LogHexDump(L"Request", request.data, request.size);
      CSecureBuffer response;
      handler.ProcessMessage(request, response);
      if (CDebugLog::IsLevelEnabled(LOG_DEBUG))
        CDebugLog::LogHexDump(L"Response", response.data, response.size);
      if (!WriteAll(pipe, ioEvent, response)) return;
    }
  } catch (...) {
    // Out of memory in the reader's bookkeeping: this connection ends, the others go on.
    CDebugLog::Log(LOG_ERROR, L"Pipe connection ended by an unexpected error");
  }
}

}  // namespace luma::service
