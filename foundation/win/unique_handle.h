// One move-only owner for every kind of Windows handle: CUniqueHandle<Traits>, where the traits
// name the handle type, its empty value and how it is closed. Closing keeps the caller's last
// error, so a BOOL entry point can set its error and let its owners go out of scope afterwards.
// Nothing here throws.
#ifndef LUMA_FOUNDATION_WIN_UNIQUE_HANDLE_H_
#define LUMA_FOUNDATION_WIN_UNIQUE_HANDLE_H_

// windows.h first.
// clang-format off
#include <windows.h>
#include <wincrypt.h>
// clang-format on

#include <utility>

namespace luma {

template <typename Traits>
class CUniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  CUniqueHandle() noexcept = default;
  explicit CUniqueHandle(Handle handle) noexcept : m_handle(handle) {}
  ~CUniqueHandle() { reset(); }

  CUniqueHandle(const CUniqueHandle&) = delete;
  CUniqueHandle& operator=(const CUniqueHandle&) = delete;
  CUniqueHandle(CUniqueHandle&& other) noexcept : m_handle(other.release()) {}
  CUniqueHandle& operator=(CUniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Handle get() const noexcept { return m_handle; }
  // True when a handle is held; both null and INVALID_HANDLE_VALUE count as none for kernel handles.
  explicit operator bool() const noexcept { return Traits::IsValid(m_handle); }

  // Closes the held handle (keeping the last error) and takes the new one.
  void reset(Handle handle = Traits::Empty()) noexcept {
    if (Traits::IsValid(m_handle)) {
      const DWORD lastError = GetLastError();
      Traits::Close(m_handle);
      SetLastError(lastError);
    }
    m_handle = handle;
  }

  // Gives the handle up without closing it.
  [[nodiscard]] Handle release() noexcept { return std::exchange(m_handle, Traits::Empty()); }

  // For a call that writes a new handle into a pointer: closes what was held first.
  Handle* put() noexcept {
    reset();
    return &m_handle;
  }

 private:
  Handle m_handle = Traits::Empty();
};

namespace handle_traits {

// Handles whose empty value is zero (or a null pointer).
template <typename H, void (*CloseFn)(H)>
struct NullEmpty {
  using Handle = H;
  static Handle Empty() noexcept { return Handle(); }
  static bool IsValid(Handle handle) noexcept { return handle != Handle(); }
  static void Close(Handle handle) noexcept { CloseFn(handle); }
};

inline void CloseRegistryKey(HKEY key) { RegCloseKey(key); }
inline void ReleaseCryptProvider(HCRYPTPROV provider) { CryptReleaseContext(provider, 0); }
inline void DestroyCryptKey(HCRYPTKEY key) { CryptDestroyKey(key); }
inline void DestroyCryptHash(HCRYPTHASH hash) { CryptDestroyHash(hash); }
inline void FreeCertContext(PCCERT_CONTEXT context) { CertFreeCertificateContext(context); }
inline void CloseCertStore(HCERTSTORE store) { CertCloseStore(store, 0); }
inline void FreeLocalMemory(HLOCAL memory) { LocalFree(memory); }
inline void FreeLoadedModule(HMODULE module) { FreeLibrary(module); }
inline void CloseCryptMessage(HCRYPTMSG message) { CryptMsgClose(message); }
inline void FreeCertChain(PCCERT_CHAIN_CONTEXT chain) { CertFreeCertificateChain(chain); }

// Kernel objects: null and INVALID_HANDLE_VALUE both mean none.
struct KernelHandle {
  using Handle = HANDLE;
  static Handle Empty() noexcept { return nullptr; }
  static bool IsValid(Handle handle) noexcept { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) noexcept { CloseHandle(handle); }
};

struct FindHandle {
  using Handle = HANDLE;
  static Handle Empty() noexcept { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle handle) noexcept { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) noexcept { FindClose(handle); }
};

}  // namespace handle_traits

using CRegistryKeyHandle = CUniqueHandle<handle_traits::NullEmpty<HKEY, handle_traits::CloseRegistryKey>>;
using CCryptProviderHandle =
    CUniqueHandle<handle_traits::NullEmpty<HCRYPTPROV, handle_traits::ReleaseCryptProvider>>;
using CCryptKeyHandle = CUniqueHandle<handle_traits::NullEmpty<HCRYPTKEY, handle_traits::DestroyCryptKey>>;
using CCryptHashHandle = CUniqueHandle<handle_traits::NullEmpty<HCRYPTHASH, handle_traits::DestroyCryptHash>>;
using CCertContextHandle =
    CUniqueHandle<handle_traits::NullEmpty<PCCERT_CONTEXT, handle_traits::FreeCertContext>>;
using CCertStoreHandle = CUniqueHandle<handle_traits::NullEmpty<HCERTSTORE, handle_traits::CloseCertStore>>;
using CLocalMemoryHandle = CUniqueHandle<handle_traits::NullEmpty<HLOCAL, handle_traits::FreeLocalMemory>>;
using CModuleHandle = CUniqueHandle<handle_traits::NullEmpty<HMODULE, handle_traits::FreeLoadedModule>>;
using CCryptMessageHandle =
    CUniqueHandle<handle_traits::NullEmpty<HCRYPTMSG, handle_traits::CloseCryptMessage>>;
using CCertChainHandle =
    CUniqueHandle<handle_traits::NullEmpty<PCCERT_CHAIN_CONTEXT, handle_traits::FreeCertChain>>;
using CKernelHandle = CUniqueHandle<handle_traits::KernelHandle>;
using CFindHandle = CUniqueHandle<handle_traits::FindHandle>;

// Memory the system allocated with LocalAlloc, seen as a T*: for ConvertSidToStringSidW,
// FormatMessageW and the like.
template <typename T>
T* LocalAs(const CLocalMemoryHandle& memory) noexcept {
  return static_cast<T*>(memory.get());
}

}  // namespace luma

#endif  // LUMA_FOUNDATION_WIN_UNIQUE_HANDLE_H_
