// What every CP* entry point of lumaPassCSP shares: the status policy of its exception boundary, the
// one place where provider handles are looked up, and the output-buffer rule.
#ifndef LUMA_PLUGINS_CSP_CSP_ENTRY_H_
#define LUMA_PLUGINS_CSP_CSP_ENTRY_H_

#include <memory>

#include "plugins/csp/csp_context.h"
#include "plugins/diagnostics/entry_boundary.h"

namespace luma::csp {

// An entry's body answers with the reason of its failure, or kOk.
constexpr DWORD kOk = 0;

// The thread's last error after a failed call of the delegate; NTE_FAIL when that call left none.
inline DWORD DelegateError() noexcept {
  const DWORD error = GetLastError();
  return error != 0 ? error : kProviderFailure;
}

using luma::diagnostics::RunAtBoundary;

// An entry's body answers with the reason of its failure, or kOk; an exception becomes NTE_NO_MEMORY
// (std::bad_alloc) or NTE_FAIL. kOk becomes TRUE, any other answer FALSE with that last error,
// whatever the body's objects did to the last error when they went. The tracer records the result
// with the last error, which the caller then sees.
struct CspStatus : luma::diagnostics::FixedFailureStatus<DWORD, kNoMemory, kProviderFailure> {
  static BOOL Record(CFunctionTracer& tracer, Status error) noexcept {
    if (error == kOk) return static_cast<BOOL>(tracer.setResult(TRUE));
    return static_cast<BOOL>(tracer.setResult(FALSE, error));
  }
};

// The context of an acquired handle; ERROR_INVALID_HANDLE for any other value.
DWORD ResolveContext(HCRYPTPROV handle, std::shared_ptr<CCSPContext>& context) noexcept;

// The needed size always goes to *size. A smaller buffer gives ERROR_MORE_DATA, or TRUE when no
// buffer was given (a size query); otherwise the bytes are copied when a buffer was given.
DWORD WriteOutput(const void* value, DWORD valueSize, LPBYTE output, LPDWORD size) noexcept;
inline DWORD WriteDword(DWORD value, LPBYTE output, LPDWORD size) noexcept {
  return WriteOutput(&value, sizeof(value), output, size);
}

// One level-5 line per argument.
void LogArgument(const char* format, const void* value) noexcept;
void LogValue(const char* format, DWORD value) noexcept;
void LogEnd() noexcept;
// The handles and the output arguments most entries begin with, one line each.
void LogKeyArguments(HCRYPTPROV provider, HCRYPTKEY key) noexcept;
void LogHashArguments(HCRYPTPROV provider, HCRYPTHASH hash) noexcept;
void LogOutputArguments(const BYTE* data, const DWORD* size) noexcept;

}  // namespace luma::csp

#endif  // LUMA_PLUGINS_CSP_CSP_ENTRY_H_
