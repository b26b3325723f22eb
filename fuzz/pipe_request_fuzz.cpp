// Plays arbitrary sequences of message-mode reads to the pipe request reassembly: each input byte
// pair is one read (its result and how many bytes it delivers, up to the buffer). A request comes
// out whole, exactly the bytes delivered, never above its cap, and anything else leaves it empty.
#include <cstdlib>
#include <cstring>

#include "service/core/request_assembler.h"

using luma::service::PipeRead;
using luma::service::ReadPipeRequest;
using luma::service::RequestRead;

namespace {
// Small enough that the fuzzer reaches it and goes past it.
constexpr DWORD kCap = 20000;
constexpr DWORD kReadBufferSize = 8192;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  size_t next = 0;
  DWORD delivered = 0;
  const auto read = [&](BYTE* buffer, DWORD capacity) {
    if (next + 2 > size) return PipeRead{};
    const uint8_t kind = data[next];
    // One byte of length, scaled so that a few reads fill the buffer or pass the cap.
    DWORD count = static_cast<DWORD>(data[next + 1]) * 64;
    next += 2;
    if (count > capacity) count = capacity;
    for (DWORD i = 0; i < count; ++i) buffer[i] = static_cast<BYTE>(delivered + i);
    const PipeRead::Result result = kind % 3 == 0   ? PipeRead::kComplete
                                    : kind % 3 == 1 ? PipeRead::kMoreData
                                                    : PipeRead::kFailed;
    if (result != PipeRead::kFailed) delivered += count;
    return PipeRead{result, result == PipeRead::kFailed ? 0u : count};
  };
  CSecureBuffer readBuffer(kReadBufferSize);
  // Several requests on one connection, as a client may send them.
  for (int request = 0; request < 4 && next < size; ++request) {
    delivered = 0;
    CSecureBuffer assembled(5, "stale");
    const RequestRead result = ReadPipeRequest(read, readBuffer, assembled, kCap);
    if (result != RequestRead::kRequest) {
      if (!assembled.empty()) std::abort();
      if (result != RequestRead::kTooLarge) break;
      continue;
    }
    if (assembled.empty() || assembled.size > kCap || assembled.size != delivered) std::abort();
    for (DWORD i = 0; i < assembled.size; ++i) {
      if (assembled.data[i] != static_cast<BYTE>(i)) std::abort();
    }
  }
  return 0;
}
