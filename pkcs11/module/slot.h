// The module's slot: the certificates of one of the user's system stores that the service
// provisioned (and, when "ShowSmartCardCerts" says so, the smart-card certificates), each as a
// certificate, an RSA private key and an RSA public key object under handles from one counter.
// The store's change event makes the slot read the store again; objects that were used for
// signing or decryption keep their handles across those reloads.
#ifndef LUMA_PKCS11_MODULE_SLOT_H_
#define LUMA_PKCS11_MODULE_SLOT_H_

#include <windows.h>
// after windows.h
#include <wincrypt.h>

#include <cstdint>
#include <functional>
#include <set>
#include <string>

#include "foundation/win/policy_id_property.h"
#include "foundation/win/unique_handle.h"
#include "pkcs11/core/byte_buffer.h"
#include "pkcs11/core/pkcs11_object.h"
#include "pkcs11/module/certificate_access.h"
#include "pkcs11/module/module_log.h"
#include "pkcs11/module/store_resync.h"
#include "plugins/diagnostics/win_mutex.h"

// What the slot reads besides the store; tests replace what the platform cannot provide.
struct CSlotEnvironment {
  // Whether a certificate carries the service's mark, whatever its value.
  std::function<bool(PCCERT_CONTEXT)> isMarked = [](PCCERT_CONTEXT certificate) {
    return luma::ReadPolicyIdProperty(certificate, nullptr);
  };
  // How a store change is read: a fresh open of the store where the store's own resynchronisation
  // never returns, else CERT_STORE_CTRL_RESYNC.
  bool resyncReopensStore = luma::pkcs11::resyncOfReadOnlyStoreHangs();
  // The machine key holding "ShowSmartCardCerts".
  std::wstring settingsKey = luma::pkcs11::kModuleKey;
};

class CSlot {
 public:
  // Opens the current user's system store `storeName` read-only and reads it. A store that
  // cannot be opened leaves a slot without objects and without a change event.
  CSlot(CK_SLOT_ID slotID, const std::string& label, const std::string& storeName, HANDLE stopEvent,
        CSlotEnvironment environment = CSlotEnvironment());
  ~CSlot();
  CSlot(const CSlot&) = delete;
  CSlot& operator=(const CSlot&) = delete;

  CK_SLOT_ID getSlotID() const { return slotID; }
  const std::string& getLabel() const { return label; }
  // The event the store signals on a change; null without a store.
  HANDLE getChangeEvent() const { return changeEvent.get(); }
  bool showsSmartCardCertificates() const { return !onlyProductCertificates; }

  // Brings the store up to date (CERT_STORE_CTRL_RESYNC, which also arms the notification again,
  // or a fresh open where that never returns) and reloads; the counter moves on.
  void resync();
  // A signalled change event resynchronises at once (true); the stop event, a time-out or a failed
  // wait give false.
  bool waitForStoreChange();
  // Applies a pending store change first.
  std::int32_t getReloadCounter();
  // Clones of every object under the same handles.
  void copyObjects(CObjectMap& target);
  // Objects whose certificate hash is remembered keep their handles across reloads.
  void rememberObject(const CByteBuffer& certificateHash);
  void forgetObject(const CByteBuffer& certificateHash);

 private:
  void readSettings(const std::wstring& settingsKey);
  // Opens `storeName` into `store` (closing the store held before); false when it cannot be opened.
  bool openStore();
  // Registers `changeEvent` for the store's change notification; a failure is only logged.
  void armChangeNotification();
  // Rebuilds `objects` from the store; the caller holds the mutex (or no other thread sees the slot).
  void reload();
  bool isAccepted(PCCERT_CONTEXT certificate) const;
  void addObjects(PCCERT_CONTEXT certificate, const std::string& objectLabel, CObjectMap& into);

  CK_SLOT_ID slotID;
  std::string label;
  std::wstring storeName;
  luma::CCertStoreHandle store;
  HANDLE stopEvent;  // the module's; not owned
  luma::CKernelHandle changeEvent;
  std::int32_t reloadCounter = 0;
  std::set<CByteBuffer> rememberedObjects;
  CObjectMap objects;
  CK_OBJECT_HANDLE nextObjectHandle = 1;
  bool onlyProductCertificates = true;
  std::function<bool(PCCERT_CONTEXT)> isMarked;
  bool resyncReopensStore;
  CWinMutex mutex;
};

#endif  // LUMA_PKCS11_MODULE_SLOT_H_
