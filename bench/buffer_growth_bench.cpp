// Cost of filling a secure buffer in 2 KiB appends, the way a whole file or a DER structure is
// built up, for 256 KiB, 1 MiB and 4 MiB. With geometric growth the time per MiB stays flat as the
// size grows; the copy-per-append growth it replaced is shown beside it for contrast (its time per
// MiB grows with the size).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <utility>
#include <vector>

#include "foundation/core/secure_buffer.h"

namespace {
constexpr DWORD kChunk = 2048;
volatile DWORD g_sink;

template <typename F>
double MillisecondsPerMiB(DWORD total, int repeats, F&& fill) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < repeats; ++i) fill(total);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  const double mib = static_cast<double>(total) / (1024.0 * 1024.0) * repeats;
  return std::chrono::duration<double, std::milli>(elapsed).count() / mib;
}

void GeometricAppends(DWORD total) {
  const std::vector<BYTE> chunk(kChunk, 0x5A);
  CSecureBuffer buffer;
  for (DWORD done = 0; done < total; done += kChunk) buffer.Append(kChunk, chunk.data());
  g_sink = buffer.size;
}

// Every append into a fresh block of exactly the new size, the old block copied and wiped.
void CopyPerAppend(DWORD total) {
  const std::vector<BYTE> chunk(kChunk, 0x5A);
  CSecureBuffer buffer;
  for (DWORD done = 0; done < total; done += kChunk) {
    CSecureBuffer grown(buffer.size + kChunk);
    if (buffer.size != 0) std::copy(buffer.data, buffer.data + buffer.size, grown.data);
    std::copy(chunk.begin(), chunk.end(), grown.data + buffer.size);
    buffer = std::move(grown);
  }
  g_sink = buffer.size;
}
}  // namespace

int main() {
  std::printf("%-10s %22s %22s\n", "size", "geometric ms/MiB", "copy-per-append ms/MiB");
  for (DWORD kib : {256u, 1024u, 4096u}) {
    const DWORD total = kib * 1024;
    const int repeats = static_cast<int>(16384 / kib);
    const double geometric = MillisecondsPerMiB(total, repeats * 4, GeometricAppends);
    const double copying = MillisecondsPerMiB(total, repeats > 4 ? repeats / 4 : 1, CopyPerAppend);
    std::printf("%6u KiB %22.3f %22.3f\n", kib, geometric, copying);
  }
  return 0;
}
