// Signing and decryption with a container's private key, which go to lumaPassV; encryption,
// verification and random numbers, which the delegate does.
#include <cstring>

#include "plugins/common/bcrypt_hash.h"
#include "plugins/common/core/pkcs1_blocks.h"
#include "plugins/csp/csp_entry.h"
#include "plugins/csp/csp_module.h"

using namespace luma::csp;

namespace {

constexpr DWORD kOaepFlag = CRYPT_OAEP;      // 0x40
constexpr DWORD kNoPaddingCheckFlag = 0x20;  // CRYPT_DECRYPT_RSA_NO_PADDING_CHECK
constexpr DWORD kRefusedSignFlags = 0x7;     // no hash OID, type 2, X9.31
// The largest cipher block taken from a caller: far above any RSA key.
constexpr DWORD kMaxCipherBlock = 2048;

// The leading arguments CPDecrypt and CPEncrypt share.
void LogCipherArguments(HCRYPTPROV provider, HCRYPTKEY key, HCRYPTHASH hash, BOOL final, DWORD flags) {
  LogKeyArguments(provider, key);
  LogArgument("     hHash      %p", reinterpret_cast<void*>(hash));
  LogValue("     fFinal     %lu", static_cast<DWORD>(final));
  LogValue("     dwFlags    0x%08lx", flags);
}

// The unpadded message of a decrypted block as the flags ask for it; empty when the padding is bad.
CSecureBuffer Unpad(const CSecureBuffer& block, DWORD flags) {
  if ((flags & kOaepFlag) != 0) {
    CSecureBuffer message = luma::plugin::DecodeOaep(block, L"SHA1", CSecureBuffer());
    if (!message.empty()) moduleLog().dump("OAEP (SHA1) unpadded data", message.data, message.size);
    return message;
  }
  if ((flags & kNoPaddingCheckFlag) == 0) {
    CSecureBuffer message = luma::plugin::RemovePkcs1Type2Padding(block);
    if (!message.empty()) moduleLog().dump("PKCS#1 unpadded data", message.data, message.size);
    return message;
  }
  moduleLog().print(kLogTrace, "     NO padding check requested");
  return block;
}

}  // namespace

extern "C" {

BOOL WINAPI CPSignHash(HCRYPTPROV hProv, HCRYPTHASH hHash, DWORD dwKeySpec, LPCWSTR szDescription,
                       DWORD dwFlags, LPBYTE pbSignature, LPDWORD pcbSigLen) {
  CFunctionTracer tracer(moduleLog(), "CPSignHash", TraceExitForm::Bool);
  return RunAtBoundary<CspStatus>(tracer, [&]() -> DWORD {
    LogHashArguments(hProv, hHash);
    LogValue("     dwKeySpec  %lu", dwKeySpec);
    if (szDescription != nullptr) {
      moduleLog().print(kLogTrace, "     szDescription %.*S", 256, szDescription);
    } else {
      moduleLog().print(kLogTrace, "     szDescription (NULL)");
    }
    LogValue("     dwFlags    0x%08lx", dwFlags);
    LogArgument("     pbSignature %p", pbSignature);
    LogArgument("     pcbSigLen  %p", pcbSigLen);
    LogEnd();
    if (pcbSigLen == nullptr) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<CCSPContext> context;
    if (const DWORD error = ResolveContext(hProv, context)) return error;
    std::shared_ptr<CCSPHash> hash;
    if (!context->GetHash(hHash, hash)) return ERROR_INVALID_HANDLE;
    const std::shared_ptr<CKeyContainer>& container = context->SelectedContainer();
    if (!container || container->keySpec != dwKeySpec) return kNoKey;
    if ((dwFlags & kRefusedSignFlags) != 0) return kBadFlags;
    // Without a buffer the call asks for the length only, whatever length it offers.
    const DWORD signatureLength = container->keyBits / 8;
    if (pbSignature == nullptr || *pcbSigLen < signatureLength) {
      *pcbSigLen = signatureLength;
      moduleLog().print(kLogTrace, "     *pcbSigLen %lu", static_cast<unsigned long>(signatureLength));
      return pbSignature == nullptr ? kOk : static_cast<DWORD>(ERROR_MORE_DATA);
    }
    CSecureBuffer signature;
    if (const DWORD status = context->SignData(*hash, signature)) {
      *pcbSigLen = 0;
      return status;
    }
    // lumaPassV answers big-endian; CryptoAPI expects the least significant byte first.
    signature.Reverse();
    const DWORD available = *pcbSigLen;
    *pcbSigLen = signature.size;
    moduleLog().print(kLogTrace, "     *pcbSigLen %lu", static_cast<unsigned long>(signature.size));
    if (available < signature.size) return ERROR_MORE_DATA;
    if (signature.size > 0) std::memcpy(pbSignature, signature.data, signature.size);
    moduleLog().dump("pbSignature", pbSignature, signature.size);
    return kOk;
  });
}

BOOL WINAPI CPDecrypt(HCRYPTPROV hProv, HCRYPTKEY hKey, HCRYPTHASH hHash, BOOL fFinal, DWORD dwFlags,
                      LPBYTE pbData, LPDWORD pcbDataLen) {
  CFunctionTracer tracer(moduleLog(), "CPDecrypt", TraceExitForm::Bool);
  return RunAtBoundary<CspStatus>(tracer, [&]() -> DWORD {
    LogCipherArguments(hProv, hKey, hHash, fFinal, dwFlags);
    LogOutputArguments(pbData, pcbDataLen);
    LogEnd();
    if (pcbDataLen == nullptr || pbData == nullptr) return ERROR_INVALID_PARAMETER;
    if ((dwFlags & ~(kOaepFlag | kNoPaddingCheckFlag)) != 0) return kBadFlags;
    std::shared_ptr<CCSPContext> context;
    if (const DWORD error = ResolveContext(hProv, context)) return error;
    std::shared_ptr<CCSPKey> key;
    if (!context->GetKey(hKey, key)) return ERROR_INVALID_HANDLE;
    if (*pcbDataLen > kMaxCipherBlock) {
      *pcbDataLen = 0;
      return kBadData;
    }
    // CryptoAPI gives the block least significant byte first, the order the pipe carries it in; the
    // block that comes back is big-endian.
    const CSecureBuffer cipherBlock(*pcbDataLen, pbData);
    CSecureBuffer block;
    if (const DWORD status = context->DecryptData(cipherBlock, block)) {
      *pcbDataLen = 0;
      return status;
    }
    moduleLog().dump("Decrypted data", block.data, block.size);
    const CSecureBuffer message = block.size == cipherBlock.size ? Unpad(block, dwFlags) : CSecureBuffer();
    if (message.empty()) {
      *pcbDataLen = 0;
      return kBadData;
    }
    std::memcpy(pbData, message.data, message.size);
    *pcbDataLen = message.size;
    moduleLog().print(kLogTrace, "     *pcbDataLen %lu", static_cast<unsigned long>(message.size));
    moduleLog().dump("pbData", pbData, message.size);
    return kOk;
  });
}

BOOL WINAPI CPEncrypt(HCRYPTPROV hProv, HCRYPTKEY hKey, HCRYPTHASH hHash, BOOL fFinal, DWORD dwFlags,
                      LPBYTE pbData, LPDWORD pcbDataLen, DWORD cbBufLen) {
  CFunctionTracer tracer(moduleLog(), "CPEncrypt", TraceExitForm::Bool);
  return RunAtBoundary<CspStatus>(tracer, [&]() -> DWORD {
    LogCipherArguments(hProv, hKey, hHash, fFinal, dwFlags);
    LogValue("     cbBufLen   %lu", cbBufLen);
    LogEnd();
    if (pcbDataLen == nullptr) return ERROR_INVALID_PARAMETER;
    if (dwFlags != 0 && dwFlags != kOaepFlag) return kBadFlags;
    std::shared_ptr<CCSPContext> context;
    if (const DWORD error = ResolveContext(hProv, context)) return error;
    std::shared_ptr<CCSPWrappedKey> wrapped;
    if (!context->GetWrappedKey(hKey, wrapped)) {
      *pcbDataLen = 0;
      return kBadKey;
    }
    moduleLog().print(kLogTrace, "     Using delegate key for encryption");
    std::shared_ptr<CCSPHash> hash;
    const HCRYPTHASH delegateHash = context->GetHash(hHash, hash) ? hash->DelegateHash() : 0;
    return CryptEncrypt(wrapped->DelegateKey(), delegateHash, fFinal, dwFlags, pbData, pcbDataLen, cbBufLen)
               ? kOk
               : DelegateError();
  });
}

BOOL WINAPI CPVerifySignature(HCRYPTPROV hProv, HCRYPTHASH hHash, const BYTE* pbSignature, DWORD cbSigLen,
                              HCRYPTKEY hPubKey, LPCWSTR szDescription, DWORD dwFlags) {
  CFunctionTracer tracer(moduleLog(), "CPVerifySignature", TraceExitForm::Bool);
  return RunAtBoundary<CspStatus>(tracer, [&]() -> DWORD {
    LogHashArguments(hProv, hHash);
    LogValue("     cbSigLen   %lu", cbSigLen);
    LogArgument("     hPubKey    %p", reinterpret_cast<void*>(hPubKey));
    LogValue("     dwFlags    0x%08lx", dwFlags);
    LogEnd();
    if (pbSignature == nullptr) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<CCSPContext> context;
    if (const DWORD error = ResolveContext(hProv, context)) return error;
    std::shared_ptr<CCSPHash> hash;
    if (!context->GetHash(hHash, hash)) return ERROR_INVALID_HANDLE;
    std::shared_ptr<CCSPWrappedKey> wrapped;
    if (!context->GetWrappedKey(hPubKey, wrapped)) return kBadKey;
    moduleLog().print(kLogTrace, "     Using delegate key for signature verification");
    return CryptVerifySignatureW(hash->DelegateHash(), pbSignature, cbSigLen, wrapped->DelegateKey(),
                                 szDescription, dwFlags)
               ? kOk
               : DelegateError();
  });
}

BOOL WINAPI CPGenRandom(HCRYPTPROV hProv, DWORD dwLen, LPBYTE pbBuffer) {
  CFunctionTracer tracer(moduleLog(), "CPGenRandom", TraceExitForm::Bool);
  return RunAtBoundary<CspStatus>(tracer, [&]() -> DWORD {
    LogArgument("     hProv      %p", reinterpret_cast<void*>(hProv));
    LogValue("     dwLen      %lu", dwLen);
    LogEnd();
    if (pbBuffer == nullptr) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<CCSPContext> context;
    if (const DWORD error = ResolveContext(hProv, context)) return error;
    if (!CryptGenRandom(context->DelegateProvider(), dwLen, pbBuffer)) return DelegateError();
    moduleLog().dump("pbBuffer", pbBuffer, dwLen);
    return kOk;
  });
}

}  // extern "C"
