#include "service/core/request_assembler.h"

#include <cstring>
#include <new>
#include <utility>

namespace luma::service {

bool CRequestAssembler::Append(const BYTE* bytes, DWORD count) {
  if (count == 0) return true;
  if (count > maxSize - total) return false;
  CSecureBuffer piece(count, bytes);
  if (piece.size != count) return false;
  try {
    pieces.push_back(std::move(piece));
  } catch (const std::bad_alloc&) {
    return false;
  }
  total += count;
  return true;
}

CSecureBuffer CRequestAssembler::Take() {
  CSecureBuffer request;
  if (pieces.size() == 1) {
    request = std::move(pieces.front());
  } else if (!pieces.empty()) {
    request = CSecureBuffer(total);
    if (request.size == total) {
      DWORD offset = 0;
      for (const CSecureBuffer& piece : pieces) {
        std::memcpy(request.data + offset, piece.data, piece.size);
        offset += piece.size;
      }
    }
  }
  Clear();
  return request;
}

void CRequestAssembler::Clear() {
  pieces.clear();
  total = 0;
}

RequestRead ReadPipeRequest(const PipeReader& read, CSecureBuffer& readBuffer, CSecureBuffer& request,
                            DWORD maxSize) {
  request.Clear();
  if (readBuffer.empty()) return RequestRead::kBroken;
  CRequestAssembler assembler(maxSize);
  for (;;) {
    const PipeRead piece = read(readBuffer.data, readBuffer.size);
    if (piece.result == PipeRead::kFailed) {
      // Only the first read of a message may fail cleanly: a failure later leaves a fragment.
      return assembler.size() == 0 ? RequestRead::kClosed : RequestRead::kBroken;
    }
    if (piece.count > readBuffer.size) return RequestRead::kBroken;  // a reader that overran its buffer
    if (!assembler.Append(readBuffer.data, piece.count)) return RequestRead::kTooLarge;
    if (piece.result == PipeRead::kComplete) break;
  }
  if (assembler.size() == 0) return RequestRead::kClosed;
  request = assembler.Take();
  return request.empty() ? RequestRead::kTooLarge : RequestRead::kRequest;  // empty: out of memory
}

}  // namespace luma::service
