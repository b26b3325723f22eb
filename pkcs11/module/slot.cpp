#include "pkcs11/module/slot.h"

#include <new>
#include <utility>

#include "pkcs11/core/certificate_values.h"
#include "pkcs11/module/rsa_keys.h"
#include "pkcs11/module/x509_certificate.h"

namespace {

constexpr DWORD kStoreNameCharacters = 260;
constexpr DWORD kStoreOpenFlags = CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_READONLY_FLAG |
                                  CERT_STORE_OPEN_EXISTING_FLAG | CERT_STORE_ENUM_ARCHIVED_FLAG;
static_assert(kStoreOpenFlags == 0x1C200,
              "the store is opened read-only, existing, with archived certificates");

CModuleDebugLog& log() { return luma::pkcs11::moduleLog(); }

// The store name in the ANSI code page, cut to the length of a path.
std::wstring widen(const std::string& text) {
  wchar_t wide[kStoreNameCharacters] = {};
  if (MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, kStoreNameCharacters) == 0) {
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(kStoreNameCharacters - 1), wide,
                        kStoreNameCharacters - 1);
  }
  return wide;
}

}  // namespace

CSlot::CSlot(CK_SLOT_ID slotID, const std::string& label, const std::string& storeName, HANDLE stopEvent,
             CSlotEnvironment environment)
    : slotID(slotID),
      label(label),
      storeName(widen(storeName)),
      stopEvent(stopEvent),
      isMarked(std::move(environment.isMarked)),
      resyncReopensStore(environment.resyncReopensStore) {
  if (mutex.getHandle() == nullptr) throw std::bad_alloc();  // out of kernel resources
  readSettings(environment.settingsKey);
  if (!openStore()) return;
  changeEvent.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  armChangeNotification();
  reload();
}

bool CSlot::openStore() {
  store.reset(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, kStoreOpenFlags, storeName.c_str()));
  return static_cast<bool>(store);
}

void CSlot::armChangeNotification() {
  HANDLE event = changeEvent.get();
  if (!CertControlStore(store.get(), 0, CERT_STORE_CTRL_NOTIFY_CHANGE, &event)) {
    log().print(kLogWarning, "      Unable to set the change notification event for the store");
  }
}

CSlot::~CSlot() {
  objects.clear();
  if (changeEvent) {
    HANDLE event = changeEvent.get();
    CertControlStore(store.get(), 0, CERT_STORE_CTRL_CANCEL_NOTIFY, &event);
    SetEvent(event);  // wakes a thread still waiting on it
    changeEvent.reset();
  }
  store.reset();
}

void CSlot::readSettings(const std::wstring& settingsKey) {
  luma::CRegistryKeyHandle key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, settingsKey.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put()) !=
      ERROR_SUCCESS) {
    return;
  }
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (RegQueryValueExW(key.get(), L"ShowSmartCardCerts", nullptr, &type, reinterpret_cast<BYTE*>(&value),
                       &size) == ERROR_SUCCESS &&
      type == REG_DWORD && size == sizeof(value)) {
    onlyProductCertificates = value == 0;
  }
}

void CSlot::resync() {
  CWinMutexLock lock = mutex.lock();
  ++reloadCounter;
  if (!changeEvent) return;  // no store was ever opened
  HANDLE event = changeEvent.get();
  ResetEvent(event);
  if (!resyncReopensStore) {
    const BOOL resynced = store ? CertControlStore(store.get(), 0, CERT_STORE_CTRL_RESYNC, &event) : FALSE;
    reload();
    if (log().isOn(kLogTrace)) log().print(kLogTrace, "CERT_STORE_CTRL_RESYNC called: %d", resynced);
    return;
  }
  // Where the store's own resynchronisation never returns, a fresh open reads its contents.
  if (store) CertControlStore(store.get(), 0, CERT_STORE_CTRL_CANCEL_NOTIFY, &event);
  const bool reopened = openStore();
  if (reopened) armChangeNotification();
  try {
    reload();
  } catch (...) {
    SetEvent(event);  // the objects stay as they were; the next look reloads again
    throw;
  }
  if (log().isOn(kLogTrace)) log().print(kLogTrace, "Store reopened to resynchronise: %d", reopened ? 1 : 0);
}

bool CSlot::waitForStoreChange() {
  if (!changeEvent) return false;
  const HANDLE events[2] = {changeEvent.get(), stopEvent};
  const DWORD result = WaitForMultipleObjects(stopEvent != nullptr ? 2 : 1, events, FALSE, 0);
  switch (result) {
    case WAIT_OBJECT_0:
      log().print(kLogTrace, "waitForStoreChange WAIT_OBJECT_0 => Store changed");
      resync();
      return true;
    case WAIT_OBJECT_0 + 1:
      log().print(kLogTrace, "waitForStoreChange WAIT_OBJECT_0+1 => Stop");
      return false;
    case WAIT_ABANDONED_0:
      log().print(kLogTrace, "waitForStoreChange WAIT_ABANDONED");
      return false;
    case WAIT_ABANDONED_0 + 1:
      log().print(kLogTrace, "waitForStoreChange WAIT_ABANDONED+1");
      return false;
    case WAIT_TIMEOUT:
      return false;
    default:
      log().print(kLogTrace, "waitForStoreChange Other");
      return false;
  }
}

std::int32_t CSlot::getReloadCounter() {
  CWinMutexLock lock = mutex.lock();
  waitForStoreChange();  // re-enters the mutex when it resynchronises
  return reloadCounter;
}

void CSlot::copyObjects(CObjectMap& target) {
  CWinMutexLock lock = mutex.lock();
  for (const auto& entry : objects) target[entry.first] = entry.second->clone();
}

void CSlot::rememberObject(const CByteBuffer& certificateHash) {
  CWinMutexLock lock = mutex.lock();
  rememberedObjects.insert(certificateHash);
}

void CSlot::forgetObject(const CByteBuffer& certificateHash) {
  CWinMutexLock lock = mutex.lock();
  rememberedObjects.erase(certificateHash);
}

bool CSlot::isAccepted(PCCERT_CONTEXT certificate) const {
  const bool marked = isMarked && isMarked(certificate);
  if (onlyProductCertificates) {
    if (!marked) log().print(kLogTrace, "      Skipping non-luma-Pass V certificate");
    return marked;
  }
  if (marked || luma::pkcs11::isSmartCardCertificate(certificate)) return true;
  log().print(kLogTrace, "      Skipping non-luma-Pass V, non-Smart Card certificate");
  return false;
}

void CSlot::addObjects(PCCERT_CONTEXT certificate, const std::string& objectLabel, CObjectMap& into) {
  into[nextObjectHandle] = std::make_unique<CPKCS11X509Certificate>(certificate, objectLabel);
  into[nextObjectHandle + 1] = std::make_unique<CPKCS11RSAPrivateKey>(certificate, objectLabel);
  into[nextObjectHandle + 2] = std::make_unique<CPKCS11RSAPublicKey>(certificate, objectLabel);
  nextObjectHandle += 3;
}

void CSlot::reload() {
  log().print(kLogTrace, "CSlot::reload");
  if (!store) return;
  // The new set is built aside and swapped in at the end: running out of memory half-way leaves the
  // objects as they were.
  CObjectMap loaded;
  std::set<std::string> usedLabels;
  // A remembered certificate's kept objects stand for it. A remembered hash without kept objects
  // (its certificate was briefly absent from the store) must not hide the certificate for good.
  std::set<CByteBuffer> kept;
  for (auto& entry : objects) {
    CByteBuffer hash = entry.second->getCertificateHash();
    if (rememberedObjects.count(hash) == 0) continue;
    log().print(kLogTrace, "keeping remembered object");
    usedLabels.insert(entry.second->getLabel());
    loaded[entry.first] = entry.second->clone();
    kept.insert(std::move(hash));
  }

  luma::CCertContextHandle cursor;  // frees the enumeration's context on every way out
  for (;;) {
    cursor.reset(CertEnumCertificatesInStore(store.get(), cursor.release()));
    if (!cursor) break;
    const PCCERT_CONTEXT certificate = cursor.get();
    if (kept.count(luma::pkcs11::certificateHash(certificate)) != 0) {
      log().print(kLogTrace, "      skipping remembered object");  // its kept objects stand for it
      continue;
    }
    if (!isAccepted(certificate)) continue;
    const std::string objectLabel =
        luma::pkcs11::claimUniqueLabel(usedLabels, luma::pkcs11::friendlyDisplayName(certificate));
    DWORD size = 0;
    if (!CertGetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size)) continue;
    const luma::CCertContextHandle copy = luma::pkcs11::detachedCopy(certificate);
    if (copy) addObjects(copy.get(), objectLabel, loaded);
  }
  objects.swap(loaded);
}
