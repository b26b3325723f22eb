#include "plugins/diagnostics/tests/refused_allocations.h"

#include <windows.h>

#include <atomic>
#include <new>

namespace {
// 0 while nobody refuses; else the id of the thread whose allocations are counted.
std::atomic<DWORD> g_refusingThread{0};
std::atomic<int> g_allowed{0};
std::atomic<bool> g_refused{false};

bool Refuses() {
  if (g_refusingThread.load() != GetCurrentThreadId()) return false;
  if (g_allowed.fetch_sub(1) > 0) return false;
  g_refused = true;
  return true;
}
}  // namespace

void* operator new(size_t size) {
  if (Refuses()) throw std::bad_alloc();
  if (void* block = HeapAlloc(GetProcessHeap(), 0, size != 0 ? size : 1)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
  if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}
void operator delete(void* block, size_t) noexcept { operator delete(block); }

namespace luma::testing {

CRefusedAllocations::CRefusedAllocations(int allowed) noexcept {
  g_allowed = allowed;
  g_refused = false;
  g_refusingThread = GetCurrentThreadId();
}

CRefusedAllocations::~CRefusedAllocations() { g_refusingThread = 0; }

bool CRefusedAllocations::refusedAny() const noexcept { return g_refused.load(); }

}  // namespace luma::testing
