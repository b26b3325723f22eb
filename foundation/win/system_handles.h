// Owners of the Windows handles used by the system utilities and the log: each closes its handle
// exactly once, when it goes out of scope.
#ifndef LUMA_FOUNDATION_WIN_SYSTEM_HANDLES_H_
#define LUMA_FOUNDATION_WIN_SYSTEM_HANDLES_H_

#include <windows.h>

#include <memory>

namespace luma {

struct CloseHandleDeleter {
  void operator()(HANDLE handle) const {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};
// A kernel handle; null and INVALID_HANDLE_VALUE both count as none.
using UniqueHandle = std::unique_ptr<void, CloseHandleDeleter>;

inline bool IsValid(const UniqueHandle& handle) { return handle && handle.get() != INVALID_HANDLE_VALUE; }

struct FindCloseDeleter {
  void operator()(HANDLE handle) const {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) FindClose(handle);
  }
};
using UniqueFindHandle = std::unique_ptr<void, FindCloseDeleter>;

struct LocalFreeDeleter {
  void operator()(void* block) const { LocalFree(block); }
};
template <typename T>
using UniqueLocal = std::unique_ptr<T, LocalFreeDeleter>;

}  // namespace luma

#endif  // LUMA_FOUNDATION_WIN_SYSTEM_HANDLES_H_
