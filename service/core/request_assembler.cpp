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

}  // namespace luma::service
