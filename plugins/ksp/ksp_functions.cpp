#include "plugins/ksp/ksp_functions.h"

#include <atomic>
#include <cstring>
#include <cwchar>

#include "plugins/common/file_product_version.h"
#include "plugins/common/module_version_banner.h"
#include "plugins/ksp/ksp_entry.h"
#include "plugins/ksp/ksp_key_operations.h"
#include "plugins/ksp/ksp_module.h"
#include "plugins/ksp/ksp_properties.h"

using namespace luma::ksp;

namespace {

constexpr DWORD kSilentFlag = 0x40;
constexpr DWORD kMachineKeyFlag = 0x20;
constexpr DWORD kPersistOnlyFlag = 0x40000000;
constexpr DWORD kSecurityInformationBits = 0xF;
constexpr DWORD kGetPropertyFlags = kSilentFlag | kPersistOnlyFlag | kSecurityInformationBits;
constexpr size_t kMaxPropertyNameChars = 64;
constexpr size_t kMaxProviderNameChars = 32766;  // its bytes with the terminating zero stay below 0xFFFF
constexpr size_t kMaxKeyNameChars = 32766;
constexpr DWORD kAsymmetricEncryptionOperation = 4;
constexpr DWORD kSignatureOperation = 0x10;
constexpr DWORD kAsymmetricEncryptionInterface = 3;
constexpr wchar_t kRsa[] = L"RSA";

std::atomic<bool> bannerWritten{false};

void* HeapBlock(size_t size) { return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size); }

bool PropertyNameFits(LPCWSTR name) {
  return name != nullptr && wcsnlen(name, kMaxPropertyNameChars + 1) <= kMaxPropertyNameChars;
}

bool OnlySilent(DWORD flags) { return (flags & ~kSilentFlag) == 0; }

SECURITY_STATUS CheckGetPropertyArguments(LPCWSTR property, DWORD* resultSize, DWORD flags) {
  if (!PropertyNameFits(property) || resultSize == nullptr) return kInvalidParameter;
  if ((flags & ~kGetPropertyFlags) != 0) return kBadFlags;
  return 0;
}

SECURITY_STATUS SetProperty(CKSPContext& context, LPCWSTR property, PBYTE input, DWORD inputSize,
                            DWORD flags) {
  if (!PropertyNameFits(property) || input == nullptr) return kInvalidParameter;
  if (!OnlySilent(flags)) return kBadFlags;
  if (std::wcscmp(property, L"Use Context") == 0) {
    context.SetUseContext(input, inputSize);
    return 0;
  }
  if (std::wcscmp(property, L"HWND Handle") == 0) return 0;
  return kNotSupported;
}

SECURITY_STATUS WINAPI OpenProvider(NCRYPT_PROV_HANDLE* phProvider, LPCWSTR pszProviderName, DWORD dwFlags) {
  CFunctionTracer tracer(moduleLog(), "OpenProvider", TraceExitForm::SecurityStatus);
  return RunAtBoundary<KspStatus>(tracer, [&]() -> SECURITY_STATUS {
    LogArgument("     phProvider      %p", phProvider);
    LogText("pszProviderName", pszProviderName);
    LogFlags(dwFlags);
    moduleLog().stackTrace();
    if (phProvider == nullptr || pszProviderName == nullptr ||
        wcsnlen(pszProviderName, kMaxProviderNameChars + 1) > kMaxProviderNameChars) {
      return kInvalidParameter;
    }
    auto context = std::make_shared<CKSPContext>(pszProviderName, dwFlags);
    const NCRYPT_PROV_HANDLE handle = providerPool().Add(context);
    if (handle == 0) return kInternalError;
    *phProvider = handle;
    LogArgument("     *phProvider %p", reinterpret_cast<void*>(handle));
    return 0;
  });
}

SECURITY_STATUS WINAPI FreeProvider(NCRYPT_PROV_HANDLE hProvider) {
  CFunctionTracer tracer(moduleLog(), "FreeProvider", TraceExitForm::SecurityStatus);
  return RunAtBoundary<KspStatus>(tracer, [&]() -> SECURITY_STATUS {
    LogArgument("     hProvider       %p", reinterpret_cast<void*>(hProvider));
    return providerPool().Remove(hProvider) ? 0 : kInvalidHandle;
  });
}

SECURITY_STATUS WINAPI OpenKey(NCRYPT_PROV_HANDLE hProvider, NCRYPT_KEY_HANDLE* phKey, LPCWSTR pszKeyName,
                               DWORD dwLegacyKeySpec, DWORD dwFlags) {
  CFunctionTracer tracer(moduleLog(), "OpenKey", TraceExitForm::SecurityStatus);
  return RunAtBoundary<KspStatus>(tracer, [&]() -> SECURITY_STATUS {
    LogArgument("     hProvider       %p", reinterpret_cast<void*>(hProvider));
    LogText("pszKeyName", pszKeyName);
    moduleLog().print(kLogTrace, "     dwLegacyKeySpec 0x%08lx", static_cast<unsigned long>(dwLegacyKeySpec));
    LogFlags(dwFlags);
    std::shared_ptr<CKSPContext> context;
    if (ResolveProvider(hProvider, context) != 0) return kInvalidHandle;
    if (phKey == nullptr || pszKeyName == nullptr) return kInvalidParameter;
    if (wcsnlen(pszKeyName, kMaxKeyNameChars + 1) > kMaxKeyNameChars) return kBadKeyset;
    const NCRYPT_KEY_HANDLE handle = context->OpenKey(pszKeyName);
    if (handle == 0) return kBadKeyset;
    *phKey = handle;
    LogArgument("     *phKey %p", reinterpret_cast<void*>(handle));
    return 0;
  });
}

SECURITY_STATUS WINAPI FreeKey(NCRYPT_PROV_HANDLE hProvider, NCRYPT_KEY_HANDLE hKey) {
  CFunctionTracer tracer(moduleLog(), "FreeKey", TraceExitForm::SecurityStatus);
  return RunAtBoundary<KspStatus>(tracer, [&]() -> SECURITY_STATUS {
    LogArgument("     hProvider       %p", reinterpret_cast<void*>(hProvider));
    LogArgument("     hKey            %p", reinterpret_cast<void*>(hKey));
    std::shared_ptr<CKSPContext> context;
    if (ResolveProvider(hProvider, context) != 0 || !context->FreeKey(hKey)) return kInvalidHandle;
    return 0;
  });
}

SECURITY_STATUS WINAPI FreeBuffer(PVOID pvInput) {
  CFunctionTracer tracer(moduleLog(), "FreeBuffer", TraceExitForm::SecurityStatus);
  return RunAtBoundary<KspStatus>(tracer, [&]() -> SECURITY_STATUS {
    LogArgument("     pvInput         %p", pvInput);
    if (pvInput == nullptr) return kInvalidParameter;
    if (ReleaseEnumState(pvInput)) {
      moduleLog().print(kLogTrace, "     Deleting EnumState");
      return 0;
    }
    moduleLog().print(kLogTrace, "     Deleting Heap Block");
    HeapFree(GetProcessHeap(), 0, pvInput);
    return 0;
  });
}

SECURITY_STATUS WINAPI GetProviderProperty(NCRYPT_PROV_HANDLE hProvider, LPCWSTR pszProperty, PBYTE pbOutput,
                                           DWORD cbOutput, DWORD* pcbResult, DWORD dwFlags) {
  CFunctionTracer tracer(moduleLog(), "GetProviderProperty", TraceExitForm::SecurityStatus);
  return RunAtBoundary<KspStatus>(tracer, [&]() -> SECURITY_STATUS {
    LogArgument("     hProvider       %p", reinterpret_cast<void*>(hProvider));
    LogText("pszProperty", PropertyNameFits(pszProperty) ? pszProperty : nullptr);
    LogFlags(dwFlags);
    std::shared_ptr<CKSPContext> context;
    if (ResolveProvider(hProvider, context) != 0) return kInvalidHandle;
    if (const SECURITY_STATUS status = CheckGetPropertyArguments(pszProperty, pcbResult, dwFlags))
      return status;
    CSecureBuffer value;
    if (!ProviderPropertyValue(*context, pszProperty, value)) return kNotFound;
    return WriteOutput(value, pbOutput, cbOutput, pcbResult);
  });
}

SECURITY_STATUS WINAPI GetKeyProperty(NCRYPT_PROV_HANDLE hProvider, NCRYPT_KEY_HANDLE hKey,
                                      LPCWSTR pszProperty, PBYTE pbOutput, DWORD cbOutput, DWORD* pcbResult,
                                      DWORD dwFlags) {
  CFunctionTracer tracer(moduleLog(), "GetKeyProperty", TraceExitForm::SecurityStatus);
  return RunAtBoundary<KspStatus>(tracer, [&]() -> SECURITY_STATUS {
    LogArgument("     hProvider       %p", reinterpret_cast<void*>(hProvider));
    LogArgument("     hKey            %p", reinterpret_cast<void*>(hKey));
    LogText("pszProperty", PropertyNameFits(pszProperty) ? pszProperty : nullptr);
    LogFlags(dwFlags);
    std::shared_ptr<CKSPContext> context;
    std::shared_ptr<CKSPKey> key;
    if (ResolveKey(hProvider, hKey, context, key) != 0) return kInvalidHandle;
    if (const SECURITY_STATUS status = CheckGetPropertyArguments(pszProperty, pcbResult, dwFlags))
      return status;
    CSecureBuffer value;
    if (!KeyPropertyValue(*context, *key, pszProperty, value)) return kNotFound;
    return WriteOutput(value, pbOutput, cbOutput, pcbResult);
  });
}

SECURITY_STATUS WINAPI SetProviderProperty(NCRYPT_PROV_HANDLE hProvider, LPCWSTR pszProperty, PBYTE pbInput,
                                           DWORD cbInput, DWORD dwFlags) {
  CFunctionTracer tracer(moduleLog(), "SetProviderProperty", TraceExitForm::SecurityStatus);
  return RunAtBoundary<KspStatus>(tracer, [&]() -> SECURITY_STATUS {
    LogArgument("     hProvider       %p", reinterpret_cast<void*>(hProvider));
    LogText("pszProperty", PropertyNameFits(pszProperty) ? pszProperty : nullptr);
    LogFlags(dwFlags);
    std::shared_ptr<CKSPContext> context;
    if (ResolveProvider(hProvider, context) != 0) return kInvalidHandle;
    return SetProperty(*context, pszProperty, pbInput, cbInput, dwFlags);
  });
}

SECURITY_STATUS WINAPI SetKeyProperty(NCRYPT_PROV_HANDLE hProvider, NCRYPT_KEY_HANDLE hKey,
                                      LPCWSTR pszProperty, PBYTE pbInput, DWORD cbInput, DWORD dwFlags) {
  CFunctionTracer tracer(moduleLog(), "SetKeyProperty", TraceExitForm::SecurityStatus);
  return RunAtBoundary<KspStatus>(tracer, [&]() -> SECURITY_STATUS {
    LogArgument("     hProvider       %p", reinterpret_cast<void*>(hProvider));
    LogArgument("     hKey            %p", reinterpret_cast<void*>(hKey));
    LogText("pszProperty", PropertyNameFits(pszProperty) ? pszProperty : nullptr);
    LogFlags(dwFlags);
    std::shared_ptr<CKSPContext> context;
    std::shared_ptr<CKSPKey> key;
    if (ResolveKey(hProvider, hKey, context, key) != 0) return kInvalidHandle;
    return SetProperty(*context, pszProperty, pbInput, cbInput, dwFlags);
  });
}

// One heap block: the NCryptKeyName, then "RSA", then the container name.
SECURITY_STATUS KeyNameBlock(const CKeyContainer& container, NCryptKeyName** keyName) {
  const size_t algorithmOffset = sizeof(NCryptKeyName);
  const size_t nameOffset = algorithmOffset + sizeof(kRsa);
  const size_t nameBytes = (container.name.size() + 1) * sizeof(wchar_t);
  auto* block = static_cast<BYTE*>(HeapBlock(nameOffset + nameBytes));
  if (block == nullptr) return kNoMemory;
  auto* name = reinterpret_cast<NCryptKeyName*>(block);
  std::memcpy(block + algorithmOffset, kRsa, sizeof(kRsa));
  std::memcpy(block + nameOffset, container.name.c_str(), nameBytes);
  name->pszAlgid = reinterpret_cast<LPWSTR>(block + algorithmOffset);
  name->pszName = reinterpret_cast<LPWSTR>(block + nameOffset);
  name->dwLegacyKeySpec = container.keySpec;
  name->dwFlags = 0;
  *keyName = name;
  LogArgument("     *ppKeyName %p", name);
  moduleLog().dump("*ppKeyName", block, static_cast<DWORD>(nameOffset + nameBytes));
  return 0;
}

SECURITY_STATUS WINAPI EnumKeys(NCRYPT_PROV_HANDLE hProvider, LPCWSTR pszScope, NCryptKeyName** ppKeyName,
                                PVOID* ppEnumState, DWORD dwFlags) {
  CFunctionTracer tracer(moduleLog(), "EnumKeys", TraceExitForm::SecurityStatus);
  return RunAtBoundary<KspStatus>(tracer, [&]() -> SECURITY_STATUS {
    LogArgument("     hProvider       %p", reinterpret_cast<void*>(hProvider));
    LogText("pszScope", pszScope);
    LogFlags(dwFlags);
    std::shared_ptr<CKSPContext> context;
    if (ResolveProvider(hProvider, context) != 0) return kInvalidHandle;
    if (ppKeyName == nullptr || ppEnumState == nullptr) return kInvalidParameter;
    if ((dwFlags & ~(kMachineKeyFlag | kSilentFlag)) != 0) return kBadFlags;
    if ((dwFlags & kMachineKeyFlag) != 0) return kNotSupported;
    std::shared_ptr<CKeyContainer> container;
    if (*ppEnumState == nullptr) {
      if (!context->HasContainers()) return kNoMoreItems;
      std::unique_ptr<CKSPKeyEnumState> state = context->CreateKeyEnumState();
      state->Next(container);
      CKSPKeyEnumState* cursor = state.get();
      if (!RegisterEnumState(std::move(state))) return kNoMemory;
      *ppEnumState = cursor;
    } else if (!NextFromEnumState(*ppEnumState, container)) {
      return kInvalidParameter;
    }
    if (!container) return kNoMoreItems;
    return KeyNameBlock(*container, ppKeyName);
  });
}

SECURITY_STATUS WINAPI EnumAlgorithms(NCRYPT_PROV_HANDLE hProvider, DWORD dwAlgOperations, DWORD* pdwAlgCount,
                                      NCryptAlgorithmName** ppAlgList, DWORD dwFlags) {
  CFunctionTracer tracer(moduleLog(), "EnumAlgorithms", TraceExitForm::SecurityStatus);
  return RunAtBoundary<KspStatus>(tracer, [&]() -> SECURITY_STATUS {
    LogArgument("     hProvider       %p", reinterpret_cast<void*>(hProvider));
    moduleLog().print(kLogTrace, "     dwAlgOperations 0x%08lx", static_cast<unsigned long>(dwAlgOperations));
    LogFlags(dwFlags);
    std::shared_ptr<CKSPContext> context;
    if (ResolveProvider(hProvider, context) != 0) return kInvalidHandle;
    if (pdwAlgCount == nullptr || ppAlgList == nullptr) return kInvalidParameter;
    if (!OnlySilent(dwFlags)) return kBadFlags;
    if (dwAlgOperations != 0 &&
        (dwAlgOperations & (kAsymmetricEncryptionOperation | kSignatureOperation)) == 0) {
      return kNotSupported;
    }
    auto* block = static_cast<BYTE*>(HeapBlock(sizeof(NCryptAlgorithmName) + sizeof(kRsa)));
    if (block == nullptr) return kNoMemory;
    auto* algorithm = reinterpret_cast<NCryptAlgorithmName*>(block);
    std::memcpy(block + sizeof(NCryptAlgorithmName), kRsa, sizeof(kRsa));
    algorithm->pszName = reinterpret_cast<LPWSTR>(block + sizeof(NCryptAlgorithmName));
    algorithm->dwClass = kAsymmetricEncryptionInterface;
    algorithm->dwAlgOperations = kAsymmetricEncryptionOperation | kSignatureOperation;
    algorithm->dwFlags = 0;
    *pdwAlgCount = 1;
    *ppAlgList = algorithm;
    return 0;
  });
}

SECURITY_STATUS WINAPI IsAlgSupported(NCRYPT_PROV_HANDLE hProvider, LPCWSTR pszAlgId, DWORD dwFlags) {
  CFunctionTracer tracer(moduleLog(), "IsAlgSupported", TraceExitForm::SecurityStatus);
  return RunAtBoundary<KspStatus>(tracer, [&]() -> SECURITY_STATUS {
    LogArgument("     hProvider       %p", reinterpret_cast<void*>(hProvider));
    LogText("pszAlgId", pszAlgId);
    LogFlags(dwFlags);
    std::shared_ptr<CKSPContext> context;
    if (ResolveProvider(hProvider, context) != 0) return kInvalidHandle;
    if (pszAlgId == nullptr) return kInvalidParameter;
    if (!OnlySilent(dwFlags)) return kBadFlags;
    return std::wcscmp(pszAlgId, kRsa) == 0 ? 0 : kNotSupported;
  });
}

// The entries that refuse without looking at their arguments.
SECURITY_STATUS Refuse(const char* name) noexcept {
  CFunctionTracer tracer(moduleLog(), name, TraceExitForm::SecurityStatus);
  return static_cast<SECURITY_STATUS>(tracer.setResult(static_cast<DWORD>(kNotSupported)));
}

SECURITY_STATUS WINAPI CreatePersistedKey(NCRYPT_PROV_HANDLE, NCRYPT_KEY_HANDLE*, LPCWSTR, LPCWSTR, DWORD,
                                          DWORD) {
  return Refuse("CreatePersistedKey");
}
SECURITY_STATUS WINAPI FinalizeKey(NCRYPT_PROV_HANDLE, NCRYPT_KEY_HANDLE, DWORD) {
  return Refuse("FinalizeKey");
}
SECURITY_STATUS WINAPI DeleteKey(NCRYPT_PROV_HANDLE, NCRYPT_KEY_HANDLE, DWORD) { return Refuse("DeleteKey"); }

// The other operations on keys and secrets are never offered by a provider whose private keys live
// in lumaPassV.
SECURITY_STATUS WINAPI PromptUser(NCRYPT_PROV_HANDLE, NCRYPT_KEY_HANDLE, LPCWSTR, DWORD) {
  return Refuse("PromptUser");
}
SECURITY_STATUS WINAPI NotifyChangeKey(NCRYPT_PROV_HANDLE, HANDLE*, DWORD) {
  return Refuse("NotifyChangeKey");
}
SECURITY_STATUS WINAPI SecretAgreement(NCRYPT_PROV_HANDLE, NCRYPT_KEY_HANDLE, NCRYPT_KEY_HANDLE,
                                       NCRYPT_SECRET_HANDLE*, DWORD) {
  return Refuse("SecretAgreement");
}
SECURITY_STATUS WINAPI DeriveKey(NCRYPT_PROV_HANDLE, NCRYPT_SECRET_HANDLE, LPCWSTR, NCryptBufferDesc*, PBYTE,
                                 DWORD, DWORD*, ULONG) {
  return Refuse("DeriveKey");
}
SECURITY_STATUS WINAPI FreeSecret(NCRYPT_PROV_HANDLE, NCRYPT_SECRET_HANDLE) { return Refuse("FreeSecret"); }

NCRYPT_KEY_STORAGE_FUNCTION_TABLE functionTable = {{1, 0},
                                                   OpenProvider,
                                                   OpenKey,
                                                   CreatePersistedKey,
                                                   GetProviderProperty,
                                                   GetKeyProperty,
                                                   SetProviderProperty,
                                                   SetKeyProperty,
                                                   FinalizeKey,
                                                   DeleteKey,
                                                   FreeProvider,
                                                   FreeKey,
                                                   FreeBuffer,
                                                   Encrypt,
                                                   Decrypt,
                                                   IsAlgSupported,
                                                   EnumAlgorithms,
                                                   EnumKeys,
                                                   ImportKey,
                                                   ExportKey,
                                                   SignHash,
                                                   VerifySignature,
                                                   PromptUser,
                                                   NotifyChangeKey,
                                                   SecretAgreement,
                                                   DeriveKey,
                                                   FreeSecret};

// The module's and the host's versions, once per process at level 3.
void WriteBanner() {
  if (bannerWritten.exchange(true) || !moduleLog().isOn(kLogInfo)) return;
  luma::plugin::WriteVersionBanner(moduleLog(), "lumaPassKSP");
}

}  // namespace

namespace luma::ksp {

NCRYPT_KEY_STORAGE_FUNCTION_TABLE& FunctionTable() { return functionTable; }

bool CheckOutputSize(DWORD available, DWORD needed) noexcept {
  if (available >= needed) return true;
  SetLastError(ERROR_MORE_DATA);
  return false;
}

SECURITY_STATUS GetKeyStorageInterface(LPCWSTR providerName, NCRYPT_KEY_STORAGE_FUNCTION_TABLE** table,
                                       DWORD flags) noexcept {
  CFunctionTracer tracer(moduleLog(), "GetKeyStorageInterface", TraceExitForm::SecurityStatus);
  return RunAtBoundary<KspStatus>(tracer, [&]() -> SECURITY_STATUS {
    WriteBanner();
    LogText("pszProviderName", providerName);
    LogFlags(flags);
    if (table == nullptr) return kInvalidParameter;
    *table = &functionTable;
    LogArgument("     *ppFunctionTable %p", *table);
    return 0;
  });
}

}  // namespace luma::ksp
