// The key entries. A key handle is a delegate key (imported or duplicated, in the context's wrapped
// keys) or a container key (the private key of a container of lumaPassV, from CPGetUserKey).
#include <cstring>

#include "plugins/common/core/container_record.h"
#include "plugins/csp/csp_entry.h"
#include "plugins/csp/csp_module.h"

using namespace luma::csp;

namespace {

constexpr DWORD kReadPermission = CRYPT_READ;
constexpr DWORD kReadDecryptPermission = CRYPT_READ | CRYPT_DECRYPT;
constexpr ALG_ID kAlgRsaSign = CALG_RSA_SIGN;
constexpr ALG_ID kAlgRsaKeyExchange = CALG_RSA_KEYX;

// The delegate's key behind a key handle given with another key (the wrapping key of an import or
// an export): 0 stays 0, a delegate key becomes the delegate's handle; a container key cannot
// take part (NTE_BAD_KEY) and any other value is unknown (ERROR_INVALID_HANDLE).
DWORD MapToDelegateKey(CCSPContext& context, HCRYPTKEY handle, HCRYPTKEY& delegateKey,
                       std::shared_ptr<CCSPWrappedKey>& holder) {
  delegateKey = 0;
  if (handle == 0) return kOk;
  if (context.GetWrappedKey(handle, holder)) {
    delegateKey = holder->DelegateKey();
    return kOk;
  }
  std::shared_ptr<CCSPKey> containerKey;
  return context.GetKey(handle, containerKey) ? kBadKey : static_cast<DWORD>(ERROR_INVALID_HANDLE);
}

DWORD ContainerKeyParam(const CKeyContainer& container, DWORD param, LPBYTE output, LPDWORD size) {
  const bool signatureKey = container.keySpec == luma::plugin::kAtSignature;
  switch (param) {
    case KP_PERMISSIONS:
      moduleLog().print(kLogTrace, "     KP_PERMISSIONS ");
      return WriteDword(signatureKey ? kReadPermission : kReadDecryptPermission, output, size);
    case KP_ALGID:
      moduleLog().print(kLogTrace, "     KP_ALGID");
      return WriteDword(signatureKey ? kAlgRsaSign : kAlgRsaKeyExchange, output, size);
    case KP_BLOCKLEN:
      moduleLog().print(kLogTrace, "     KP_BLOCKLEN");
      return WriteDword(signatureKey ? 0 : container.keyBits, output, size);
    case KP_KEYLEN:
      moduleLog().print(kLogTrace, "     KP_KEYLEN");
      return WriteDword(container.keyBits, output, size);
    case KP_CERTIFICATE:
      moduleLog().print(kLogTrace, "     KP_CERTIFICATE");
      return WriteOutput(container.certificate.data, container.certificate.size, output, size);
    default:
      return kBadFlags;
  }
}

void LogDelegateOutput(const BYTE* data, const DWORD* size) {
  moduleLog().print(kLogTrace, "     *pcbDataLen %lu", static_cast<unsigned long>(*size));
  if (data != nullptr) moduleLog().dump("pbData", data, *size);
}

}  // namespace

extern "C" {

BOOL WINAPI CPGetUserKey(HCRYPTPROV hProv, DWORD dwKeySpec, HCRYPTKEY* phUserKey) {
  CFunctionTracer tracer(moduleLog(), "CPGetUserKey", TraceExitForm::Bool);
  return RunAtBoundary<CspStatus>(tracer, [&]() -> DWORD {
    LogArgument("     hProv      %p", reinterpret_cast<void*>(hProv));
    LogValue("     dwKeySpec  %lu", dwKeySpec);
    LogArgument("     phUserKey  %p", phUserKey);
    LogEnd();
    if (phUserKey == nullptr) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<CCSPContext> context;
    if (const DWORD error = ResolveContext(hProv, context)) return error;
    *phUserKey = context->GetUserKey(dwKeySpec);
    if (*phUserKey == 0) return kNoKey;
    LogArgument("     *phUserKey %p", reinterpret_cast<void*>(*phUserKey));
    return kOk;
  });
}

BOOL WINAPI CPDestroyKey(HCRYPTPROV hProv, HCRYPTKEY hKey) {
  CFunctionTracer tracer(moduleLog(), "CPDestroyKey", TraceExitForm::Bool);
  return RunAtBoundary<CspStatus>(tracer, [&]() -> DWORD {
    LogKeyArguments(hProv, hKey);
    LogEnd();
    std::shared_ptr<CCSPContext> context;
    if (const DWORD error = ResolveContext(hProv, context)) return error;
    if (context->DestroyWrappedKey(hKey)) {
      moduleLog().print(kLogTrace, "     Destroyed delegate key");
      return kOk;
    }
    return context->DestroyKey(hKey) ? kOk : static_cast<DWORD>(ERROR_INVALID_HANDLE);
  });
}

// The private keys live in lumaPassV: none is made or derived here.
BOOL WINAPI CPGenKey(HCRYPTPROV hProv, ALG_ID Algid, DWORD dwFlags, HCRYPTKEY* phKey) {
  CFunctionTracer tracer(moduleLog(), "CPGenKey", TraceExitForm::Bool);
  return RunAtBoundary<CspStatus>(tracer, [&]() -> DWORD {
    LogArgument("     hProv      %p", reinterpret_cast<void*>(hProv));
    LogValue("     Algid      0x%08lx", Algid);
    LogValue("     dwFlags    0x%08lx", dwFlags);
    LogEnd();
    if (phKey == nullptr) return ERROR_INVALID_PARAMETER;
    *phKey = 0;
    return ERROR_CALL_NOT_IMPLEMENTED;
  });
}

BOOL WINAPI CPDeriveKey(HCRYPTPROV hProv, ALG_ID Algid, HCRYPTHASH hHash, DWORD dwFlags, HCRYPTKEY* phKey) {
  CFunctionTracer tracer(moduleLog(), "CPDeriveKey", TraceExitForm::Bool);
  return RunAtBoundary<CspStatus>(tracer, [&]() -> DWORD {
    LogArgument("     hProv      %p", reinterpret_cast<void*>(hProv));
    LogValue("     Algid      0x%08lx", Algid);
    LogArgument("     hHash      %p", reinterpret_cast<void*>(hHash));
    LogValue("     dwFlags    0x%08lx", dwFlags);
    LogEnd();
    if (phKey == nullptr) return ERROR_INVALID_PARAMETER;
    *phKey = 0;
    return ERROR_CALL_NOT_IMPLEMENTED;
  });
}

BOOL WINAPI CPSetKeyParam(HCRYPTPROV hProv, HCRYPTKEY hKey, DWORD dwParam, const BYTE* pbData,
                          DWORD dwFlags) {
  CFunctionTracer tracer(moduleLog(), "CPSetKeyParam", TraceExitForm::Bool);
  return RunAtBoundary<CspStatus>(tracer, [&]() -> DWORD {
    LogKeyArguments(hProv, hKey);
    LogValue("     dwParam    0x%08lx", dwParam);
    LogValue("     dwFlags    0x%08lx", dwFlags);
    LogEnd();
    std::shared_ptr<CCSPContext> context;
    if (const DWORD error = ResolveContext(hProv, context)) return error;
    std::shared_ptr<CCSPWrappedKey> wrapped;
    if (context->GetWrappedKey(hKey, wrapped)) {
      return CryptSetKeyParam(wrapped->DelegateKey(), dwParam, pbData, dwFlags) ? kOk : DelegateError();
    }
    // A container key has nothing to set: the call is accepted and changes nothing.
    std::shared_ptr<CCSPKey> key;
    return context->GetKey(hKey, key) ? kOk : static_cast<DWORD>(ERROR_INVALID_HANDLE);
  });
}

BOOL WINAPI CPGetKeyParam(HCRYPTPROV hProv, HCRYPTKEY hKey, DWORD dwParam, LPBYTE pbData, LPDWORD pcbDataLen,
                          DWORD dwFlags) {
  CFunctionTracer tracer(moduleLog(), "CPGetKeyParam", TraceExitForm::Bool);
  return RunAtBoundary<CspStatus>(tracer, [&]() -> DWORD {
    LogKeyArguments(hProv, hKey);
    LogValue("     dwParam    0x%08lx", dwParam);
    LogOutputArguments(pbData, pcbDataLen);
    LogValue("     dwFlags    0x%08lx", dwFlags);
    LogEnd();
    if (pcbDataLen == nullptr) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<CCSPContext> context;
    if (const DWORD error = ResolveContext(hProv, context)) return error;
    std::shared_ptr<CCSPWrappedKey> wrapped;
    if (context->GetWrappedKey(hKey, wrapped)) {
      if (!CryptGetKeyParam(wrapped->DelegateKey(), dwParam, pbData, pcbDataLen, dwFlags))
        return DelegateError();
      LogDelegateOutput(pbData, pcbDataLen);
      return kOk;
    }
    std::shared_ptr<CCSPKey> key;
    if (!context->GetKey(hKey, key)) return ERROR_INVALID_HANDLE;
    return ContainerKeyParam(*key->container, dwParam, pbData, pcbDataLen);
  });
}

BOOL WINAPI CPImportKey(HCRYPTPROV hProv, const BYTE* pbData, DWORD cbDataLen, HCRYPTKEY hPubKey,
                        DWORD dwFlags, HCRYPTKEY* phKey) {
  CFunctionTracer tracer(moduleLog(), "CPImportKey", TraceExitForm::Bool);
  return RunAtBoundary<CspStatus>(tracer, [&]() -> DWORD {
    LogArgument("     hProv      %p", reinterpret_cast<void*>(hProv));
    LogArgument("     pbData     %p", pbData);
    LogValue("     cbDataLen  %lu", cbDataLen);
    LogArgument("     hPubKey    %p", reinterpret_cast<void*>(hPubKey));
    LogValue("     dwFlags    0x%08lx", dwFlags);
    LogEnd();
    if (phKey == nullptr) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<CCSPContext> context;
    if (const DWORD error = ResolveContext(hProv, context)) return error;
    HCRYPTKEY wrappingKey = 0;
    std::shared_ptr<CCSPWrappedKey> wrappingHolder;
    if (const DWORD error = MapToDelegateKey(*context, hPubKey, wrappingKey, wrappingHolder)) return error;
    luma::CCryptKeyHandle imported;
    if (!CryptImportKey(context->DelegateProvider(), pbData, cbDataLen, wrappingKey, dwFlags,
                        imported.put())) {
      return DelegateError();
    }
    const HCRYPTKEY handle = context->AddWrappedKey(std::move(imported));
    if (handle == 0) return ERROR_INTERNAL_ERROR;
    *phKey = handle;
    LogArgument("     *phKey %p", reinterpret_cast<void*>(handle));
    return kOk;
  });
}

BOOL WINAPI CPExportKey(HCRYPTPROV hProv, HCRYPTKEY hKey, HCRYPTKEY hPubKey, DWORD dwBlobType, DWORD dwFlags,
                        LPBYTE pbData, LPDWORD pcbDataLen) {
  CFunctionTracer tracer(moduleLog(), "CPExportKey", TraceExitForm::Bool);
  return RunAtBoundary<CspStatus>(tracer, [&]() -> DWORD {
    LogKeyArguments(hProv, hKey);
    LogArgument("     hPubKey    %p", reinterpret_cast<void*>(hPubKey));
    LogValue("     dwBlobType %lu", dwBlobType);
    LogValue("     dwFlags    0x%08lx", dwFlags);
    LogOutputArguments(pbData, pcbDataLen);
    LogEnd();
    if (pcbDataLen == nullptr) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<CCSPContext> context;
    if (const DWORD error = ResolveContext(hProv, context)) return error;
    std::shared_ptr<CCSPWrappedKey> wrapped;
    if (context->GetWrappedKey(hKey, wrapped)) {
      moduleLog().print(kLogTrace, "     Using delegate key for export");
      HCRYPTKEY wrappingKey = 0;
      std::shared_ptr<CCSPWrappedKey> wrappingHolder;
      if (const DWORD error = MapToDelegateKey(*context, hPubKey, wrappingKey, wrappingHolder)) return error;
      if (!CryptExportKey(wrapped->DelegateKey(), wrappingKey, dwBlobType, dwFlags, pbData, pcbDataLen)) {
        return DelegateError();
      }
      LogDelegateOutput(pbData, pcbDataLen);
      return kOk;
    }
    std::shared_ptr<CCSPKey> key;
    if (!context->GetKey(hKey, key)) return ERROR_INVALID_HANDLE;
    // A container key gives its public key only, and only when its certificate had one.
    const CSecureBuffer& publicKey = key->container->capiPublicKey;
    if (dwBlobType != PUBLICKEYBLOB || publicKey.empty()) {
      *pcbDataLen = 0;
      return kBadKeyState;
    }
    return WriteOutput(publicKey.data, publicKey.size, pbData, pcbDataLen);
  });
}

BOOL WINAPI CPDuplicateKey(HCRYPTPROV hProv, HCRYPTKEY hKey, LPDWORD pdwReserved, DWORD dwFlags,
                           HCRYPTKEY* phKey) {
  CFunctionTracer tracer(moduleLog(), "CPDuplicateKey", TraceExitForm::Bool);
  return RunAtBoundary<CspStatus>(tracer, [&]() -> DWORD {
    LogKeyArguments(hProv, hKey);
    LogValue("     dwFlags    0x%08lx", dwFlags);
    LogEnd();
    if (phKey == nullptr) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<CCSPContext> context;
    if (const DWORD error = ResolveContext(hProv, context)) return error;
    std::shared_ptr<CCSPWrappedKey> wrapped;
    if (context->GetWrappedKey(hKey, wrapped)) {
      luma::CCryptKeyHandle duplicate;
      if (!CryptDuplicateKey(wrapped->DelegateKey(), pdwReserved, dwFlags, duplicate.put()))
        return DelegateError();
      const HCRYPTKEY handle = context->AddWrappedKey(std::move(duplicate));
      if (handle == 0) return ERROR_INTERNAL_ERROR;
      *phKey = handle;
      LogArgument("     *phKey %p", reinterpret_cast<void*>(handle));
      return kOk;
    }
    std::shared_ptr<CCSPKey> key;
    if (!context->GetKey(hKey, key)) return ERROR_INVALID_HANDLE;
    // A container key is not duplicated: the caller asks CPGetUserKey for another handle.
    *phKey = 0;
    return ERROR_CALL_NOT_IMPLEMENTED;
  });
}

}  // extern "C"
