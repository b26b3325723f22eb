#include "foundation/core/platform.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {
std::atomic<int> g_failingAllocations{0};
std::atomic<void (*)(const void*)> g_freeObserver{nullptr};

bool ShouldFailAllocation() {
  int remaining = g_failingAllocations.load();
  while (remaining > 0) {
    if (g_failingAllocations.compare_exchange_weak(remaining, remaining - 1)) return true;
  }
  return false;
}
}  // namespace

#ifndef _WIN32
namespace {
thread_local DWORD t_lastError = 0;
}

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD error) { t_lastError = error; }

void InitializeCriticalSection(CRITICAL_SECTION*) {}
void DeleteCriticalSection(CRITICAL_SECTION*) {}
void EnterCriticalSection(CRITICAL_SECTION* section) { section->mutex.lock(); }
void LeaveCriticalSection(CRITICAL_SECTION* section) { section->mutex.unlock(); }
#endif

namespace luma {

void SecureWipe(void* data, std::size_t size) {
  if (data == nullptr || size == 0) return;
#ifdef _WIN32
  SecureZeroMemory(data, size);
#else
  volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
  while (size-- > 0) *p++ = 0;
#endif
}

void* HeapBlockAlloc(std::size_t size) {
  if (ShouldFailAllocation()) return nullptr;
#ifdef _WIN32
  return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size);
#else
  return std::calloc(1, size);
#endif
}

void HeapBlockFree(void* block) {
  if (block == nullptr) return;
  if (auto observer = g_freeObserver.load()) observer(block);
#ifdef _WIN32
  HeapFree(GetProcessHeap(), 0, block);
#else
  std::free(block);
#endif
}

namespace testing {
void FailNextHeapAllocations(int count) { g_failingAllocations.store(count); }
void ObserveHeapFrees(void (*observer)(const void* block)) { g_freeObserver.store(observer); }
}  // namespace testing

}  // namespace luma
