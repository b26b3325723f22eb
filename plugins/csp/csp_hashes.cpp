// The hash entries: every hash is a hash of the delegate provider, kept in the context's hash map.
#include "plugins/csp/csp_entry.h"
#include "plugins/csp/csp_module.h"

using namespace luma::csp;

namespace {

DWORD ResolveHash(HCRYPTPROV provider, HCRYPTHASH handle, std::shared_ptr<CCSPContext>& context,
                  std::shared_ptr<CCSPHash>& hash) {
  if (const DWORD error = ResolveContext(provider, context)) return error;
  return context->GetHash(handle, hash) ? kOk : static_cast<DWORD>(ERROR_INVALID_HANDLE);
}

}  // namespace

extern "C" {

BOOL WINAPI CPCreateHash(HCRYPTPROV hProv, ALG_ID Algid, HCRYPTKEY hKey, DWORD dwFlags, HCRYPTHASH* phHash) {
  CFunctionTracer tracer(moduleLog(), "CPCreateHash", TraceExitForm::Bool);
  return RunAtBoundary<CspStatus>(tracer, [&]() -> DWORD {
    LogArgument("     hProv      %p", reinterpret_cast<void*>(hProv));
    LogValue("     Algid      0x%08lx", Algid);
    LogArgument("     hKey       %p", reinterpret_cast<void*>(hKey));
    LogValue("     dwFlags    0x%08lx", dwFlags);
    LogEnd();
    if (phHash == nullptr) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<CCSPContext> context;
    if (const DWORD error = ResolveContext(hProv, context)) return error;
    // Keyed hashes are not offered: the key is not passed on.
    *phHash = context->CreateHash(Algid, dwFlags);
    if (*phHash == 0) return DelegateError();
    LogArgument("     *phHash %p", reinterpret_cast<void*>(*phHash));
    return kOk;
  });
}

BOOL WINAPI CPHashData(HCRYPTPROV hProv, HCRYPTHASH hHash, const BYTE* pbData, DWORD cbDataLen,
                       DWORD dwFlags) {
  CFunctionTracer tracer(moduleLog(), "CPHashData", TraceExitForm::Bool);
  return RunAtBoundary<CspStatus>(tracer, [&]() -> DWORD {
    LogHashArguments(hProv, hHash);
    LogValue("     cbDataLen  %lu", cbDataLen);
    LogValue("     dwFlags    0x%08lx", dwFlags);
    LogEnd();
    std::shared_ptr<CCSPContext> context;
    std::shared_ptr<CCSPHash> hash;
    if (const DWORD error = ResolveHash(hProv, hHash, context, hash)) return error;
    return CryptHashData(hash->DelegateHash(), pbData, cbDataLen, dwFlags) ? kOk : DelegateError();
  });
}

BOOL WINAPI CPSetHashParam(HCRYPTPROV hProv, HCRYPTHASH hHash, DWORD dwParam, const BYTE* pbData,
                           DWORD dwFlags) {
  CFunctionTracer tracer(moduleLog(), "CPSetHashParam", TraceExitForm::Bool);
  return RunAtBoundary<CspStatus>(tracer, [&]() -> DWORD {
    LogHashArguments(hProv, hHash);
    LogValue("     dwParam    0x%08lx", dwParam);
    LogValue("     dwFlags    0x%08lx", dwFlags);
    LogEnd();
    std::shared_ptr<CCSPContext> context;
    std::shared_ptr<CCSPHash> hash;
    if (const DWORD error = ResolveHash(hProv, hHash, context, hash)) return error;
    // A value set as HP_HASHVAL is what CPSignHash signs.
    return CryptSetHashParam(hash->DelegateHash(), dwParam, pbData, dwFlags) ? kOk : DelegateError();
  });
}

BOOL WINAPI CPGetHashParam(HCRYPTPROV hProv, HCRYPTHASH hHash, DWORD dwParam, LPBYTE pbData,
                           LPDWORD pcbDataLen, DWORD dwFlags) {
  CFunctionTracer tracer(moduleLog(), "CPGetHashParam", TraceExitForm::Bool);
  return RunAtBoundary<CspStatus>(tracer, [&]() -> DWORD {
    LogHashArguments(hProv, hHash);
    LogValue("     dwParam    0x%08lx", dwParam);
    LogOutputArguments(pbData, pcbDataLen);
    LogValue("     dwFlags    0x%08lx", dwFlags);
    LogEnd();
    if (pcbDataLen == nullptr) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<CCSPContext> context;
    std::shared_ptr<CCSPHash> hash;
    if (const DWORD error = ResolveHash(hProv, hHash, context, hash)) return error;
    if (!CryptGetHashParam(hash->DelegateHash(), dwParam, pbData, pcbDataLen, dwFlags))
      return DelegateError();
    moduleLog().print(kLogTrace, "     *pcbDataLen %lu", static_cast<unsigned long>(*pcbDataLen));
    if (pbData != nullptr) moduleLog().dump("pbData", pbData, *pcbDataLen);
    return kOk;
  });
}

BOOL WINAPI CPDestroyHash(HCRYPTPROV hProv, HCRYPTHASH hHash) {
  CFunctionTracer tracer(moduleLog(), "CPDestroyHash", TraceExitForm::Bool);
  return RunAtBoundary<CspStatus>(tracer, [&]() -> DWORD {
    LogHashArguments(hProv, hHash);
    LogEnd();
    std::shared_ptr<CCSPContext> context;
    if (const DWORD error = ResolveContext(hProv, context)) return error;
    return context->DestroyHash(hHash) ? kOk : static_cast<DWORD>(ERROR_INVALID_HANDLE);
  });
}

BOOL WINAPI CPDuplicateHash(HCRYPTPROV hProv, HCRYPTHASH hHash, LPDWORD pdwReserved, DWORD dwFlags,
                            HCRYPTHASH* phHash) {
  CFunctionTracer tracer(moduleLog(), "CPDuplicateHash", TraceExitForm::Bool);
  return RunAtBoundary<CspStatus>(tracer, [&]() -> DWORD {
    LogHashArguments(hProv, hHash);
    LogValue("     dwFlags    0x%08lx", dwFlags);
    LogEnd();
    if (phHash == nullptr) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<CCSPContext> context;
    std::shared_ptr<CCSPHash> hash;
    if (const DWORD error = ResolveHash(hProv, hHash, context, hash)) return error;
    *phHash = 0;
    luma::CCryptHashHandle duplicate;
    if (!CryptDuplicateHash(hash->DelegateHash(), pdwReserved, dwFlags, duplicate.put()))
      return DelegateError();
    const HCRYPTHASH handle = context->DuplicateHash(hash->algId, std::move(duplicate));
    if (handle == 0) return ERROR_INTERNAL_ERROR;
    *phHash = handle;
    LogArgument("     *phHash %p", reinterpret_cast<void*>(handle));
    return kOk;
  });
}

BOOL WINAPI CPHashSessionKey(HCRYPTPROV hProv, HCRYPTHASH hHash, HCRYPTKEY hKey, DWORD dwFlags) {
  CFunctionTracer tracer(moduleLog(), "CPHashSessionKey", TraceExitForm::Bool);
  return RunAtBoundary<CspStatus>(tracer, [&]() -> DWORD {
    LogHashArguments(hProv, hHash);
    LogArgument("     hKey       %p", reinterpret_cast<void*>(hKey));
    LogValue("     dwFlags    0x%08lx", dwFlags);
    LogEnd();
    return ERROR_CALL_NOT_IMPLEMENTED;
  });
}

}  // extern "C"
