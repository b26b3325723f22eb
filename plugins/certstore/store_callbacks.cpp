#include "plugins/certstore/store_callbacks.h"

#include <atomic>
#include <memory>
#include <new>
#include <type_traits>

#include "plugins/certstore/cert_store_module.h"
#include "plugins/certstore/store_provider_record.h"
#include "plugins/common/module_version_banner.h"
#include "plugins/common/virtual_smart_card_client.h"
#include "plugins/diagnostics/entry_boundary.h"

namespace luma::certstore {

// CryptoAPI calls the table's entries through these types: a mismatch in a parameter or the calling
// convention would only show in the 32-bit module, as a corrupted stack.
static_assert(std::is_same<decltype(&LumaPassCertStoreProvClose), PFN_CERT_STORE_PROV_CLOSE>::value);
static_assert(std::is_same<decltype(&LumaPassCertStoreProvReadCert), PFN_CERT_STORE_PROV_READ_CERT>::value);
static_assert(std::is_same<decltype(&LumaPassCertStoreProvFindCert), PFN_CERT_STORE_PROV_FIND_CERT>::value);
static_assert(
    std::is_same<decltype(&LumaPassCertStoreProvFreeFindCert), PFN_CERT_STORE_PROV_FREE_FIND_CERT>::value);
static_assert(std::is_same<decltype(&LumaPassCertStoreProvControl), PFN_CERT_STORE_PROV_CONTROL>::value);

namespace {

// The find cursor handed to CryptoAPI: the context found last, which the next find continues from.
struct FindCertRecord {
  DWORD contextType = 0;  // certificates only
  luma::CCertContextHandle context;
};

std::atomic<bool> bannerWritten{false};

CStoreProviderRecord* RecordOf(HCERTSTOREPROV storeProv) {
  return static_cast<CStoreProviderRecord*>(storeProv);
}

// A callback's body answers with its BOOL and leaves the reason of a failure as last error; an
// exception becomes FALSE with E_OUTOFMEMORY (std::bad_alloc) or ERROR_INTERNAL_ERROR.
struct CallbackStatus {
  using Status = BOOL;
  static Status OutOfMemory() noexcept {
    SetLastError(static_cast<DWORD>(E_OUTOFMEMORY));
    return FALSE;
  }
  static Status Failure() noexcept {
    SetLastError(ERROR_INTERNAL_ERROR);
    return FALSE;
  }
};

void* callbackTable[kStoreProviderFunctionCount] = {
    reinterpret_cast<void*>(&LumaPassCertStoreProvClose),     // 0 CERT_STORE_PROV_CLOSE_FUNC
    reinterpret_cast<void*>(&LumaPassCertStoreProvReadCert),  // 1 CERT_STORE_PROV_READ_CERT_FUNC
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    reinterpret_cast<void*>(&LumaPassCertStoreProvControl),       // 13 CERT_STORE_PROV_CONTROL_FUNC
    reinterpret_cast<void*>(&LumaPassCertStoreProvFindCert),      // 14 CERT_STORE_PROV_FIND_CERT_FUNC
    reinterpret_cast<void*>(&LumaPassCertStoreProvFreeFindCert),  // 15 CERT_STORE_PROV_FREE_FIND_CERT_FUNC
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

// Fails the open after whatever was made has been let go: the reason callers see is the store's
// configuration, as for every failed open.
BOOL FailOpen() {
  SetLastError(ERROR_BAD_CONFIGURATION);
  return FALSE;
}

}  // namespace

void LogVersionBanner() noexcept {
  if (bannerWritten.exchange(true) || !moduleLog().isOn(kLogInfo)) return;
  try {
    luma::plugin::WriteVersionBanner(moduleLog(), "lumaPassCertStore");
  } catch (...) {
    // The banner is only a log line.
  }
}

BOOL OpenStoreProvider(LPCSTR storeProvider, DWORD flags, PCERT_STORE_PROV_INFO storeProvInfo) noexcept {
  return luma::diagnostics::RunAtBoundary<CallbackStatus>([&]() -> BOOL {
    const DWORD callerError = GetLastError();  // the log's first use may touch it
    LogVersionBanner();
    SetHostFlags(ClassifyHost(CurrentHostPath()));
    moduleLog().print(kLogDetail, "I_CertDllOpenLumaPassVStoreProvW '%s' 0x%08lx %p",
                      storeProvider != nullptr ? storeProvider : "", flags,
                      static_cast<void*>(storeProvInfo));
    moduleLog().stackTrace();
    if ((flags & CERT_STORE_DELETE_FLAG) != 0) {
      SetLastError(callerError);  // nothing to delete, and no reason to give: the store lives in lumaPassV
      return FALSE;
    }
    if (storeProvInfo == nullptr) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }

    luma::CCertStoreHandle memoryStore(
        CertOpenStore(CERT_STORE_PROV_MEMORY, X509_ASN_ENCODING, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr));
    if (!memoryStore) {
      moduleLog().print(kLogDetail, "Unable to create temporary store");
      return FailOpen();
    }
    std::unique_ptr<CStoreProviderRecord> record;
    try {
      // No name (memory ran out while it was made) would have the store talk to "" for its life.
      const std::wstring pipeName = CurrentPipeName();
      if (pipeName.empty()) throw std::bad_alloc();
      auto pipeClient =
          std::make_unique<CUnconnectedNamedPipeClient>(pipeName, kCertStorePipeTimeoutMilliseconds);
      // A transport that could not keep the pipe's name would leave the store empty for good.
      if (!pipeClient->isUsable()) throw std::bad_alloc();
      record = std::make_unique<CStoreProviderRecord>(std::move(memoryStore), std::move(pipeClient), flags);
    } catch (const std::bad_alloc&) {
      return FailOpen();
    }

    // A platform that unloads a provider right after its open, while the store still calls the
    // table, gets a pinned module; elsewhere DllCanUnloadNow keeps it while a record lives.
    PinModuleWhereNeeded();
    storeProvInfo->dwStoreProvFlags |= CERT_STORE_PROV_EXTERNAL_FLAG | CERT_STORE_PROV_NO_PERSIST_FLAG;
    storeProvInfo->cStoreProvFunc = kStoreProviderFunctionCount;
    storeProvInfo->rgpvStoreProvFunc = callbackTable;
    storeProvInfo->hStoreProv = record.release();  // the close callback takes it back
    return TRUE;
  });
}

void WINAPI LumaPassCertStoreProvClose(HCERTSTOREPROV storeProv, DWORD) {
  luma::diagnostics::RunAtBoundary<CallbackStatus>([&]() -> BOOL {
    moduleLog().print(kLogDetail, "LumaPassCertStoreProvClose %p", storeProv);
    std::unique_ptr<CStoreProviderRecord> record(RecordOf(storeProv));
    return TRUE;
  });
}

PCCERT_CONTEXT FindCorrespondingCertificate(HCERTSTORE store, PCCERT_CONTEXT certificate) noexcept {
  moduleLog().print(kLogDetail, "FindCorrespondingCertificate %p %p", store,
                    static_cast<const void*>(certificate));
  if (store == nullptr || certificate == nullptr) return nullptr;
  return FindBySha1Hash(store, GetSha1Hash(certificate)).release();
}

BOOL WINAPI LumaPassCertStoreProvReadCert(HCERTSTOREPROV storeProv, PCCERT_CONTEXT storeCertContext,
                                          DWORD flags, PCCERT_CONTEXT* provCertContext) {
  return luma::diagnostics::RunAtBoundary<CallbackStatus>([&]() -> BOOL {
    moduleLog().print(kLogDetail, "LumaPassCertStoreProvReadCert %p %p 0x%08lx", storeProv,
                      static_cast<const void*>(storeCertContext), flags);
    CStoreProviderRecord* record = RecordOf(storeProv);
    if (record == nullptr || provCertContext == nullptr) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    *provCertContext = FindCorrespondingCertificate(record->memoryStore(), storeCertContext);
    if (*provCertContext == nullptr) {
      SetLastError(static_cast<DWORD>(CRYPT_E_NOT_FOUND));
      return FALSE;
    }
    return TRUE;
  });
}

BOOL WINAPI LumaPassCertStoreProvFindCert(HCERTSTOREPROV storeProv, PCCERT_STORE_PROV_FIND_INFO findInfo,
                                          PCCERT_CONTEXT prevCertContext, DWORD, void** storeProvFindInfo,
                                          PCCERT_CONTEXT* provCertContext) {
  return luma::diagnostics::RunAtBoundary<CallbackStatus>([&]() -> BOOL {
    moduleLog().print(kLogDetail, "LumaPassCertStoreProvFindCert %p", storeProv);
    CStoreProviderRecord* record = RecordOf(storeProv);
    if (record == nullptr || findInfo == nullptr || storeProvFindInfo == nullptr ||
        provCertContext == nullptr) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    *provCertContext = nullptr;
    record->SyncBeforeFind(prevCertContext == nullptr, CurrentHostFlags(), PropertyAccess());

    // The caller's cursor gives up the context found last; the search below frees it.
    std::unique_ptr<FindCertRecord> cursor(static_cast<FindCertRecord*>(*storeProvFindInfo));
    *storeProvFindInfo = nullptr;
    PCCERT_CONTEXT previous = cursor ? cursor->context.release() : nullptr;
    luma::CCertContextHandle found(CertFindCertificateInStore(
        record->memoryStore(), findInfo->dwMsgAndCertEncodingType, findInfo->dwFindFlags,
        findInfo->dwFindType, findInfo->pvFindPara, previous));
    if (!found) {
      const DWORD reason = GetLastError();  // the search's reason outlives the cursor's release
      cursor.reset();
      SetLastError(reason);
      return FALSE;
    }
    if (!cursor) {
      try {
        cursor = std::make_unique<FindCertRecord>();
      } catch (const std::bad_alloc&) {
        SetLastError(static_cast<DWORD>(E_OUTOFMEMORY));
        return FALSE;  // the found context goes with its owner: nothing is reported
      }
    }
    cursor->context.reset(CertDuplicateCertificateContext(found.get()));
    *provCertContext = found.release();
    *storeProvFindInfo = cursor.release();
    return TRUE;
  });
}

BOOL WINAPI LumaPassCertStoreProvFreeFindCert(HCERTSTOREPROV storeProv, PCCERT_CONTEXT certContext,
                                              void* storeProvFindInfo, DWORD flags) {
  return luma::diagnostics::RunAtBoundary<CallbackStatus>([&]() -> BOOL {
    moduleLog().print(kLogDetail, "LumaPassCertStoreProvFreeFindCert %p %p %p 0x%08lx", storeProv,
                      static_cast<const void*>(certContext), storeProvFindInfo, flags);
    std::unique_ptr<FindCertRecord> cursor(static_cast<FindCertRecord*>(storeProvFindInfo));
    return TRUE;
  });
}

BOOL WINAPI LumaPassCertStoreProvControl(HCERTSTOREPROV storeProv, DWORD flags, DWORD ctrlType,
                                         void const* ctrlPara) {
  return luma::diagnostics::RunAtBoundary<CallbackStatus>([&]() -> BOOL {
    moduleLog().print(kLogDetail, "LumaPassCertStoreProvControl %p 0x%08lx 0x%08lx %p", storeProv, flags,
                      ctrlType, ctrlPara);
    CStoreProviderRecord* record = RecordOf(storeProv);
    if (ctrlType == CERT_STORE_CTRL_AUTO_RESYNC) {
      moduleLog().print(kLogDetail, "   CERT_STORE_CTRL_AUTO_RESYNC requested");
      if (record != nullptr) record->autoResync = true;
      return TRUE;
    }
    if (record == nullptr || record->memoryStore() == nullptr) {
      SetLastError(ERROR_NOT_SUPPORTED);
      return FALSE;
    }
    moduleLog().print(kLogDetail, "   Passing call to memory store");
    return CertControlStore(record->memoryStore(), flags, ctrlType, ctrlPara);
  });
}

}  // namespace luma::certstore
