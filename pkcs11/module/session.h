// One session of a PKCS#11 application: its own copies of the slot's objects, the operations
// started on it, the PIN of its login kept as a DPAPI blob, and the usage count that lets the module
// close a session while another thread is inside a call on it.
//
// The session map and each call working on a session hold it by shared pointer, and every such
// holder counts one usage: the session is destroyed when the last of them lets go. The session keeps
// its slot alive as long as it lives.
#ifndef LUMA_PKCS11_MODULE_SESSION_H_
#define LUMA_PKCS11_MODULE_SESSION_H_

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "foundation/win/data_protection.h"
#include "pkcs11/core/byte_buffer.h"
#include "pkcs11/core/pkcs11_object.h"
#include "pkcs11/module/operation.h"
#include "pkcs11/module/slot.h"
#include "plugins/diagnostics/win_mutex.h"

class CSession {
 public:
  // Copies the slot's objects (applying a pending store change first).
  explicit CSession(std::shared_ptr<CSlot> slot);
  ~CSession();
  CSession(const CSession&) = delete;
  CSession& operator=(const CSession&) = delete;

  void acquire();
  // One usage less (never below 0).
  void release();
  // The session is never valid again.
  void invalidate();
  bool isValid();
  std::int32_t getUsageCount();

  CSlot& getSlot() const { return *slot; }
  CK_SLOT_ID getSlotID() const { return slot->getSlotID(); }

  // Held by a call for as long as it works on the session's objects or operations; re-entrant.
  CWinMutexLock lock() { return mutex.lock(); }

  // Copies the slot's objects again.
  void reload();
  // Reloads when the slot's counter moved on since the last copy; true when it did.
  bool reloadIfChanged();
  // Appends, in handle order, the handle of every object that matches each template entry.
  void findObjects(const CK_ATTRIBUTE* attributes, CK_ULONG count, std::vector<CK_OBJECT_HANDLE>& handles);
  // The object under the handle, or null. The caller holds lock() while it uses the object.
  CPKCS11Object* getObject(CK_OBJECT_HANDLE handle);

  std::shared_ptr<Operation> getOperation(std::int32_t kind);
  // Replaces the active operation of the kind.
  void setOperation(std::int32_t kind, std::shared_ptr<Operation> operation);
  void removeOperation(std::int32_t kind);

  // An empty PIN forgets the stored one; a PIN that cannot be protected leaves none.
  void setPin(const CByteBuffer& pin);
  // Empty when none is stored or it cannot be unprotected.
  CByteBuffer getPin();

 private:
  // Replaces the session's objects with copies of the slot's; the caller holds the mutex.
  void copyObjectsFromSlot();

  std::shared_ptr<CSlot> slot;
  CObjectMap objects;
  std::map<std::int32_t, std::shared_ptr<Operation>> operations;
  CWinMutex mutex;
  CSecureBuffer pin;  // the DPAPI blob; guarded by the mutex like the rest
  CDataProtection protection;
  std::int32_t slotCounter = 0;
  std::int32_t usageCount = 0;
  bool valid = true;
};

// One usage reference a call holds on a session; released on every way out of the call.
class CSessionRef {
 public:
  CSessionRef() = default;
  // Takes a usage reference on the session.
  explicit CSessionRef(std::shared_ptr<CSession> session);
  ~CSessionRef() { reset(); }
  CSessionRef(CSessionRef&& other) noexcept = default;
  CSessionRef& operator=(CSessionRef&& other) noexcept;
  CSessionRef(const CSessionRef&) = delete;
  CSessionRef& operator=(const CSessionRef&) = delete;

  void reset() noexcept;
  CSession* get() const { return session.get(); }
  CSession* operator->() const { return session.get(); }
  explicit operator bool() const { return static_cast<bool>(session); }

 private:
  std::shared_ptr<CSession> session;
};

#endif  // LUMA_PKCS11_MODULE_SESSION_H_
