#include "plugins/ksp/ksp_key_operations.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <new>
#include <string>

#include "plugins/common/bcrypt_hash.h"
#include "plugins/common/core/container_record.h"
#include "plugins/common/core/pkcs1_blocks.h"
#include "plugins/ksp/core/key_operation_rules.h"
#include "plugins/ksp/ksp_entry.h"
#include "plugins/ksp/ksp_module.h"

namespace luma::ksp {

using luma::plugin::DecodeOaep;
using luma::plugin::kAtKeyExchange;
using luma::plugin::RemovePkcs1Type2Padding;

namespace {

constexpr DWORD kSignFlags = BCRYPT_PAD_PKCS1 | BCRYPT_PAD_PSS | NCRYPT_SILENT_FLAG;
constexpr DWORD kExportFlags = NCRYPT_EXPORT_LEGACY_FLAG | NCRYPT_SILENT_FLAG;
// Longer than any CNG algorithm name: the caller's name is never read further.
constexpr size_t kMaxAlgorithmNameChars = 256;
// The most of a caller's input block any entry reads: a hash is cut one past the longest key's block
// and a cipher block must be the key's length. The level-5 dump shows no more than that, whatever
// length the caller claims over whatever buffer it passed.
constexpr DWORD kMaxInputBytesUsed = kMaxKeyBits / 8 + 1;

void LogHandles(NCRYPT_PROV_HANDLE provider, NCRYPT_KEY_HANDLE key) {
  LogArgument("     hProvider       %p", reinterpret_cast<void*>(provider));
  LogArgument("     hKey            %p", reinterpret_cast<void*>(key));
}

void LogSize(const char* format, DWORD size) { moduleLog().print(kLogTrace, format, static_cast<int>(size)); }

// The caller's input bytes at level 5, when there are any, as far as an entry reads them.
void DumpInput(const char* label, const BYTE* bytes, DWORD size) {
  if (bytes != nullptr) moduleLog().dump(label, bytes, std::min(size, kMaxInputBytesUsed));
}

// The leading arguments SignHash and VerifySignature share.
void LogSignatureArguments(NCRYPT_PROV_HANDLE provider, NCRYPT_KEY_HANDLE key, const void* paddingInfo,
                           const BYTE* hash, DWORD hashSize, const BYTE* signature, DWORD signatureSize) {
  LogHandles(provider, key);
  LogArgument("     pPaddingInfo    %p", paddingInfo);
  LogArgument("     pbHashValue     %p", hash);
  LogSize("     cbHashValue     %d", hashSize);
  DumpInput("pbHashValue", hash, hashSize);
  LogArgument("     pbSignature     %p", signature);
  LogSize("     cbSignature     %d", signatureSize);
}

// The arguments Decrypt and Encrypt share, in the order both take them.
void LogCipherArguments(NCRYPT_PROV_HANDLE provider, NCRYPT_KEY_HANDLE key, const BYTE* input,
                        DWORD inputSize, const void* paddingInfo, const BYTE* output, DWORD outputSize,
                        const DWORD* result, DWORD flags) {
  LogHandles(provider, key);
  LogArgument("     pbInput         %p", input);
  LogSize("     cbInput         %d", inputSize);
  DumpInput("pbInput", input, inputSize);
  LogArgument("     pPaddingInfo    %p", paddingInfo);
  LogArgument("     pbOutput        %p", output);
  LogSize("     cbOutput        %d", outputSize);
  LogArgument("     pcbResult       %p", result);
  LogFlags(flags);
}

// A copy of the caller's bytes; std::bad_alloc when memory runs out.
CSecureBuffer CopyIn(const BYTE* bytes, DWORD size) {
  CSecureBuffer copy(size, bytes);
  if (copy.size != size) throw std::bad_alloc();
  return copy;
}

// The name of a padding's hash, up to kMaxAlgorithmNameChars; false for a longer one.
bool CopyAlgorithmName(LPCWSTR name, std::wstring& copy) {
  const size_t length = wcsnlen(name, kMaxAlgorithmNameChars + 1);
  if (length > kMaxAlgorithmNameChars) return false;
  copy.assign(name, length);
  return true;
}

// The OAEP parameters of a decryption: the hash name and the label (empty without one).
SECURITY_STATUS ReadOaepPadding(const void* paddingInfo, std::wstring& hashName, CSecureBuffer& label) {
  const auto* oaep = static_cast<const BCRYPT_OAEP_PADDING_INFO*>(paddingInfo);
  if (oaep == nullptr || oaep->pszAlgId == nullptr) return kInvalidParameter;
  // A label size without label bytes is refused rather than read through null.
  if (oaep->cbLabel != 0 && oaep->pbLabel == nullptr) return kInvalidParameter;
  if (!CopyAlgorithmName(oaep->pszAlgId, hashName)) return kInvalidParameter;
  if (oaep->cbLabel != 0) label = CopyIn(oaep->pbLabel, oaep->cbLabel);
  moduleLog().print(kLogTrace, "     OAEP hash algorithm %S", hashName.c_str());
  moduleLog().dump("OAEP label", label.data, label.size);
  return 0;
}

// The message of the decrypted block under the padding the flags named; empty for bad padding.
CSecureBuffer RemovePadding(DecryptPadding padding, const CSecureBuffer& block, const std::wstring& oaepHash,
                            const CSecureBuffer& label) {
  switch (padding) {
    case DecryptPadding::kPkcs1: {
      CSecureBuffer message = RemovePkcs1Type2Padding(block);
      moduleLog().dump("PKCS#1 unpadded data", message.data, message.size);
      return message;
    }
    case DecryptPadding::kOaep: {
      CSecureBuffer message = DecodeOaep(block, oaepHash.c_str(), label);
      moduleLog().dump("OAEP unpadded data", message.data, message.size);
      return message;
    }
    default:
      moduleLog().print(kLogTrace, "     No unpadding requested");
      return block;
  }
}

}  // namespace

SECURITY_STATUS WINAPI SignHash(NCRYPT_PROV_HANDLE hProvider, NCRYPT_KEY_HANDLE hKey, VOID* pPaddingInfo,
                                PBYTE pbHashValue, DWORD cbHashValue, PBYTE pbSignature, DWORD cbSignature,
                                DWORD* pcbResult, DWORD dwFlags) {
  CFunctionTracer tracer(moduleLog(), "SignHash", TraceExitForm::SecurityStatus);
  return RunAtBoundary<KspStatus>(tracer, [&]() -> SECURITY_STATUS {
    LogSignatureArguments(hProvider, hKey, pPaddingInfo, pbHashValue, cbHashValue, pbSignature, cbSignature);
    LogArgument("     pcbResult       %p", pcbResult);
    LogFlags(dwFlags);
    std::shared_ptr<CKSPContext> context;
    std::shared_ptr<CKSPKey> key;
    if (ResolveKey(hProvider, hKey, context, key) != 0) return kInvalidHandle;
    if (pcbResult == nullptr) return kInvalidParameter;
    if ((dwFlags & ~kSignFlags) != 0) return kBadFlags;
    if (pbHashValue == nullptr || cbHashValue == 0) return kInvalidParameter;
    if ((dwFlags & BCRYPT_PAD_PKCS1) == 0) return kBadFlags;  // PSS and unpadded signatures
    if (pPaddingInfo == nullptr) return kInvalidParameter;
    const LPCWSTR algorithm = static_cast<const BCRYPT_PKCS1_PADDING_INFO*>(pPaddingInfo)->pszAlgId;
    std::wstring hashName;
    // Cut one past the longest algorithm name, a name still names no hash a signature may use.
    if (algorithm != nullptr) hashName.assign(algorithm, wcsnlen(algorithm, kMaxAlgorithmNameChars + 1));
    moduleLog().print(kLogTrace, "     Hash Algorithm '%S'", hashName.c_str());

    const DWORD keyBytes = key->container->keyBits / 8;
    if (pbSignature == nullptr) {
      *pcbResult = keyBytes;
      moduleLog().print(kLogTrace, "     Signature Length %d bytes", static_cast<int>(keyBytes));
      return 0;
    }
    // A hash longer than the longest key's block can never be signed: its first bytes decide the
    // outcome as well as the whole would, without copying all the caller claims to have.
    const DWORD copied = std::min<DWORD>(cbHashValue, kMaxInputBytesUsed);
    CSecureBuffer signature;
    const SECURITY_STATUS status = context->SignData(*key, hashName, CopyIn(pbHashValue, copied), signature);
    if (status != 0) {
      *pcbResult = 0;
      return status;
    }
    *pcbResult = signature.size;
    if (cbSignature < signature.size) return kBufferTooSmall;
    if (!signature.empty()) std::memcpy(pbSignature, signature.data, signature.size);
    moduleLog().dump("pbSignature", pbSignature, signature.size);
    return 0;
  });
}

SECURITY_STATUS WINAPI Decrypt(NCRYPT_PROV_HANDLE hProvider, NCRYPT_KEY_HANDLE hKey, PBYTE pbInput,
                               DWORD cbInput, VOID* pPaddingInfo, PBYTE pbOutput, DWORD cbOutput,
                               DWORD* pcbResult, DWORD dwFlags) {
  CFunctionTracer tracer(moduleLog(), "Decrypt", TraceExitForm::SecurityStatus);
  return RunAtBoundary<KspStatus>(tracer, [&]() -> SECURITY_STATUS {
    LogCipherArguments(hProvider, hKey, pbInput, cbInput, pPaddingInfo, pbOutput, cbOutput, pcbResult,
                       dwFlags);
    std::shared_ptr<CKSPContext> context;
    std::shared_ptr<CKSPKey> key;
    if (ResolveKey(hProvider, hKey, context, key) != 0) return kInvalidHandle;
    if (pcbResult == nullptr) return kInvalidParameter;
    const DecryptPadding padding = DecryptPaddingOf(dwFlags);
    if (padding == DecryptPadding::kRefused) return kBadFlags;
    if (pbInput == nullptr || cbInput == 0) return kInvalidParameter;
    const CKeyContainer& container = *key->container;
    if (container.keySpec != kAtKeyExchange) return kPerm;
    const DWORD keyBytes = container.keyBits / 8;
    if (cbInput != keyBytes) return kBadLen;
    std::wstring oaepHash;
    CSecureBuffer label;
    if (padding == DecryptPadding::kOaep) {
      if (const SECURITY_STATUS status = ReadOaepPadding(pPaddingInfo, oaepHash, label)) return status;
    }
    if (pbOutput == nullptr) {
      *pcbResult = keyBytes;
      moduleLog().print(kLogTrace, "     *pcbResult %d", static_cast<int>(keyBytes));
      return 0;
    }

    // CNG's cipher block is big-endian; lumaPassV takes it least significant byte first.
    CSecureBuffer cipherBlock = CopyIn(pbInput, cbInput);
    cipherBlock.Reverse();
    CSecureBuffer block;
    if (const SECURITY_STATUS status = context->DecryptData(*key, cipherBlock, block)) return status;
    moduleLog().dump("Decrypted data", block.data, block.size);
    if (block.size != cbInput) return kBadData;
    const CSecureBuffer message = RemovePadding(padding, block, oaepHash, label);
    // An empty plaintext is reported as bad padding is.
    if (message.empty()) return kBadData;

    *pcbResult = message.size;
    moduleLog().print(kLogTrace, "     *pcbResult %d", static_cast<int>(message.size));
    if (cbOutput < message.size) return kBufferTooSmall;
    std::memcpy(pbOutput, message.data, message.size);
    moduleLog().dump("pbOutput", pbOutput, message.size);
    return 0;
  });
}

SECURITY_STATUS WINAPI ExportKey(NCRYPT_PROV_HANDLE hProvider, NCRYPT_KEY_HANDLE hKey,
                                 NCRYPT_KEY_HANDLE hExportKey, LPCWSTR pszBlobType,
                                 NCryptBufferDesc* pParameterList, PBYTE pbOutput, DWORD cbOutput,
                                 DWORD* pcbResult, DWORD dwFlags) {
  CFunctionTracer tracer(moduleLog(), "ExportKey", TraceExitForm::SecurityStatus);
  return RunAtBoundary<KspStatus>(tracer, [&]() -> SECURITY_STATUS {
    LogHandles(hProvider, hKey);
    LogArgument("     hExportKey      %p", reinterpret_cast<void*>(hExportKey));
    LogText("pszBlobType", pszBlobType);
    LogArgument("     pParameterList  %p", pParameterList);
    LogArgument("     pbOutput        %p", pbOutput);
    LogSize("     cbOutput        %d", cbOutput);
    LogArgument("     pcbResult       %p", pcbResult);
    LogFlags(dwFlags);
    std::shared_ptr<CKSPContext> context;
    std::shared_ptr<CKSPKey> key;
    if (ResolveKey(hProvider, hKey, context, key) != 0) return kInvalidHandle;
    if (pcbResult == nullptr) return kInvalidParameter;
    if ((dwFlags & ~kExportFlags) != 0) return kBadFlags;
    if ((dwFlags & NCRYPT_EXPORT_LEGACY_FLAG) != 0) return kNotSupported;
    if (pszBlobType == nullptr) return kInvalidParameter;
    const CKeyContainer& container = *key->container;
    const CSecureBuffer* blob = nullptr;
    if (std::wcscmp(pszBlobType, BCRYPT_RSAPUBLIC_BLOB) == 0) {
      blob = &container.cngPublicKey;
    } else if (std::wcscmp(pszBlobType, LEGACY_RSAPUBLIC_BLOB) == 0) {
      blob = &container.capiPublicKey;
    }
    // Also a key that did not decode from the certificate.
    if (blob == nullptr || blob->empty()) return kInvalidParameter;
    return WriteOutput(*blob, pbOutput, cbOutput, pcbResult);
  });
}

SECURITY_STATUS WINAPI Encrypt(NCRYPT_PROV_HANDLE hProvider, NCRYPT_KEY_HANDLE hKey, PBYTE pbInput,
                               DWORD cbInput, VOID* pPaddingInfo, PBYTE pbOutput, DWORD cbOutput,
                               DWORD* pcbResult, DWORD dwFlags) {
  CFunctionTracer tracer(moduleLog(), "Encrypt", TraceExitForm::SecurityStatus);
  return RunAtBoundary<KspStatus>(tracer, [&]() -> SECURITY_STATUS {
    LogCipherArguments(hProvider, hKey, pbInput, cbInput, pPaddingInfo, pbOutput, cbOutput, pcbResult,
                       dwFlags);
    std::shared_ptr<CKSPContext> context;
    std::shared_ptr<CKSPKey> key;
    if (ResolveKey(hProvider, hKey, context, key) != 0) return kInvalidHandle;
    return kNotSupported;
  });
}

SECURITY_STATUS WINAPI ImportKey(NCRYPT_PROV_HANDLE hProvider, NCRYPT_KEY_HANDLE hImportKey,
                                 LPCWSTR pszBlobType, NCryptBufferDesc* pParameterList,
                                 NCRYPT_KEY_HANDLE* phKey, PBYTE pbData, DWORD cbData, DWORD dwFlags) {
  CFunctionTracer tracer(moduleLog(), "ImportKey", TraceExitForm::SecurityStatus);
  return RunAtBoundary<KspStatus>(tracer, [&]() -> SECURITY_STATUS {
    LogArgument("     hProvider       %p", reinterpret_cast<void*>(hProvider));
    LogArgument("     hImportKey      %p", reinterpret_cast<void*>(hImportKey));
    LogText("pszBlobType", pszBlobType);
    LogArgument("     pParameterList  %p", pParameterList);
    LogArgument("     phKey           %p", phKey);
    LogArgument("     pbData          %p", pbData);
    LogSize("     cbData          %d", cbData);
    DumpInput("pbData", pbData, cbData);
    LogFlags(dwFlags);
    std::shared_ptr<CKSPContext> context;
    if (ResolveProvider(hProvider, context) != 0) return kInvalidHandle;
    return kNotSupported;
  });
}

SECURITY_STATUS WINAPI VerifySignature(NCRYPT_PROV_HANDLE hProvider, NCRYPT_KEY_HANDLE hKey,
                                       VOID* pPaddingInfo, PBYTE pbHashValue, DWORD cbHashValue,
                                       PBYTE pbSignature, DWORD cbSignature, DWORD dwFlags) {
  CFunctionTracer tracer(moduleLog(), "VerifySignature", TraceExitForm::SecurityStatus);
  return RunAtBoundary<KspStatus>(tracer, [&]() -> SECURITY_STATUS {
    LogSignatureArguments(hProvider, hKey, pPaddingInfo, pbHashValue, cbHashValue, pbSignature, cbSignature);
    DumpInput("pbSignature", pbSignature, cbSignature);
    LogFlags(dwFlags);
    // Only the provider handle is examined: verification needs no key of lumaPassV.
    std::shared_ptr<CKSPContext> context;
    if (ResolveProvider(hProvider, context) != 0) return kInvalidHandle;
    return kNotSupported;
  });
}

}  // namespace luma::ksp
