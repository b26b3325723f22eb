#include "plugins/csp/csp_entry.h"

#include <cstring>

#include "plugins/csp/csp_module.h"

namespace luma::csp {

DWORD ResolveContext(HCRYPTPROV handle, std::shared_ptr<CCSPContext>& context) noexcept {
  return contextPool().Get(handle, context) ? kOk : static_cast<DWORD>(ERROR_INVALID_HANDLE);
}

DWORD WriteOutput(const void* value, DWORD valueSize, LPBYTE output, LPDWORD size) noexcept {
  const DWORD available = *size;
  *size = valueSize;
  moduleLog().print(kLogTrace, "     *pcbDataLen %lu", static_cast<unsigned long>(valueSize));
  if (available < valueSize) return output != nullptr ? static_cast<DWORD>(ERROR_MORE_DATA) : kOk;
  if (output != nullptr && valueSize > 0) {
    std::memcpy(output, value, valueSize);
    moduleLog().dump("pbData", output, valueSize);
  }
  return kOk;
}

void LogArgument(const char* format, const void* value) noexcept {
  moduleLog().print(kLogTrace, format, value);
}

void LogValue(const char* format, DWORD value) noexcept {
  moduleLog().print(kLogTrace, format, static_cast<unsigned long>(value));
}

void LogEnd() noexcept { moduleLog().print(kLogTrace, "     --"); }

void LogKeyArguments(HCRYPTPROV provider, HCRYPTKEY key) noexcept {
  LogArgument("     hProv      %p", reinterpret_cast<void*>(provider));
  LogArgument("     hKey       %p", reinterpret_cast<void*>(key));
}

void LogHashArguments(HCRYPTPROV provider, HCRYPTHASH hash) noexcept {
  LogArgument("     hProv      %p", reinterpret_cast<void*>(provider));
  LogArgument("     hHash      %p", reinterpret_cast<void*>(hash));
}

void LogOutputArguments(const BYTE* data, const DWORD* size) noexcept {
  LogArgument("     pbData     %p", data);
  LogArgument("     pcbDataLen %p", size);
}

}  // namespace luma::csp
