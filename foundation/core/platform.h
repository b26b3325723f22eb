// The few Windows types and services the portable core needs. On Windows they are the real ones;
// elsewhere (the native sanitizer and fuzzing build) they map to portable equivalents, so the
// wire format, the messages and the endpoint handler compile without <windows.h>.
#ifndef LUMA_FOUNDATION_CORE_PLATFORM_H_
#define LUMA_FOUNDATION_CORE_PLATFORM_H_

#include <cstddef>
#include <cstdint>
#include <string>

#ifdef _WIN32
#include <windows.h>

using WString = std::wstring;
#define WSTR(s) L##s

#else  // portable

#include <mutex>

using DWORD = std::uint32_t;
using BYTE = std::uint8_t;
using WCHAR = char16_t;
using BOOL = int;
using WString = std::u16string;
#define WSTR(s) u##s

constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_INVALID_DATA = 13;
constexpr DWORD ERROR_OUTOFMEMORY = 14;
constexpr DWORD ERROR_NOT_READY = 21;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_CALL_NOT_IMPLEMENTED = 120;
constexpr DWORD ERROR_INVALID_INDEX = 1413;
constexpr DWORD ERROR_INTERNAL_ERROR = 1359;
constexpr DWORD ERROR_NOT_FOUND = 1168;

DWORD GetLastError();
void SetLastError(DWORD error);

// A recursive lock standing in for a critical section.
struct CRITICAL_SECTION {
  std::recursive_mutex mutex;
};
void InitializeCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);

#endif  // _WIN32

namespace luma {

// Overwrites a block with zeros in stores the optimiser cannot drop.
void SecureWipe(void* data, std::size_t size);

// Process-heap blocks: zero-filled on allocation; null on failure.
void* HeapBlockAlloc(std::size_t size);
void HeapBlockFree(void* block);

namespace testing {
// Makes the next `count` heap-block allocations fail, so tests can reach allocation failure paths.
void FailNextHeapAllocations(int count);
// Calls observer (null for none) with every heap block just before it is freed, so tests can check
// that a block was wiped.
void ObserveHeapFrees(void (*observer)(const void* block));
}  // namespace testing

}  // namespace luma

#endif  // LUMA_FOUNDATION_CORE_PLATFORM_H_
