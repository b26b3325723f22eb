// Puts one pipe request together from the pieces that message-mode reads deliver: the pieces are
// kept as they arrive and copied once into the finished request, so a large request costs linear
// time, and a request above kMaxPipeRequestSize is refused before it can grow further.
#ifndef LUMA_SERVICE_CORE_REQUEST_ASSEMBLER_H_
#define LUMA_SERVICE_CORE_REQUEST_ASSEMBLER_H_

#include <functional>
#include <vector>

#include "foundation/core/secure_buffer.h"

namespace luma::service {

// Any local process may connect and send: the largest real request (a signature or decryption
// block with its session and container fields, or an account's login values) is a few kilobytes.
// Every one of up to 255 connections may hold one request and its decoded copies at once, which
// must fit a 32-bit process beside everything else: 64 KiB leaves ample room and bounds that to
// about 50 MiB.
constexpr DWORD kMaxPipeRequestSize = 64 * 1024;

class CRequestAssembler {
 public:
  explicit CRequestAssembler(DWORD maxSize = kMaxPipeRequestSize) : maxSize(maxSize) {}

  // Keeps a copy of the piece. False, keeping nothing more, when the request would exceed the cap
  // or memory runs out; the request must then be dropped.
  bool Append(const BYTE* bytes, DWORD count);
  // The request so far as one block (one copy); the assembler is empty afterwards.
  CSecureBuffer Take();
  // Wipes and drops everything collected.
  void Clear();

  DWORD size() const { return total; }

 private:
  DWORD maxSize;
  DWORD total = 0;
  std::vector<CSecureBuffer> pieces;  // each wipes itself
};

// One read of a message-mode pipe: the bytes it delivered, and whether the message is complete,
// continues (ERROR_MORE_DATA) or the read failed.
struct PipeRead {
  enum Result { kComplete, kMoreData, kFailed };
  Result result = kFailed;
  DWORD count = 0;
};
using PipeReader = std::function<PipeRead(BYTE* buffer, DWORD capacity)>;

enum class RequestRead {
  kRequest,   // a whole, non-empty request
  kClosed,    // nothing arrived: the client closed, or the first read failed
  kBroken,    // a read failed inside a message: its fragment is dropped, never dispatched
  kTooLarge,  // the message exceeded the cap (or memory ran out) and was dropped
};

// Reads one request through `read` into `request`, using `readBuffer` for every read. Anything but
// kRequest leaves `request` empty, and the connection must then end.
RequestRead ReadPipeRequest(const PipeReader& read, CSecureBuffer& readBuffer, CSecureBuffer& request,
                            DWORD maxSize = kMaxPipeRequestSize);

}  // namespace luma::service

#endif  // LUMA_SERVICE_CORE_REQUEST_ASSEMBLER_H_
