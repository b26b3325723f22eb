// What every entry of the function table shares: the status policy of its exception boundary, the
// one check of the handles the application passes, and argument logging.
#ifndef LUMA_PLUGINS_KSP_KSP_ENTRY_H_
#define LUMA_PLUGINS_KSP_KSP_ENTRY_H_

#include <memory>

#include "plugins/diagnostics/entry_boundary.h"
#include "plugins/ksp/ksp_context.h"
#include "plugins/ksp/ksp_functions.h"

namespace luma::ksp {

using luma::diagnostics::RunAtBoundary;

// An entry's body answers with its SECURITY_STATUS; an exception becomes NTE_NO_MEMORY
// (std::bad_alloc) or NTE_INTERNAL_ERROR. The tracer records the status with the last error the body
// left.
struct KspStatus : luma::diagnostics::FixedFailureStatus<SECURITY_STATUS, kNoMemory, kInternalError> {
  static SECURITY_STATUS Record(CFunctionTracer& tracer, Status status) noexcept {
    return static_cast<SECURITY_STATUS>(tracer.setResult(static_cast<DWORD>(status)));
  }
};

// A provider handle must be in the provider pool, and a key handle in the key pool of that
// provider; otherwise NTE_INVALID_HANDLE.
SECURITY_STATUS ResolveProvider(NCRYPT_PROV_HANDLE handle, std::shared_ptr<CKSPContext>& context);
SECURITY_STATUS ResolveKey(NCRYPT_PROV_HANDLE provider, NCRYPT_KEY_HANDLE handle,
                           std::shared_ptr<CKSPContext>& context, std::shared_ptr<CKSPKey>& key);

// The output rule of the entries that hand out a value: the size first; no buffer (or size 0) is a
// size query; a short buffer is ERROR_MORE_DATA.
SECURITY_STATUS WriteOutput(const CSecureBuffer& value, PBYTE output, DWORD outputSize, DWORD* resultSize);

// Level-5 argument lines; a null string is logged as "(NULL)".
void LogArgument(const char* format, const void* value);
void LogText(const char* label, LPCWSTR text);
void LogFlags(DWORD flags);

}  // namespace luma::ksp

#endif  // LUMA_PLUGINS_KSP_KSP_ENTRY_H_
