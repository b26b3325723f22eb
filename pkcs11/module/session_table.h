// The module's sessions under their handles. The table holds one usage reference on each session in
// it; handles count up from 1 in opening order and are never reused while the module stays loaded.
#ifndef LUMA_PKCS11_MODULE_SESSION_TABLE_H_
#define LUMA_PKCS11_MODULE_SESSION_TABLE_H_

#include <cstdint>
#include <map>
#include <memory>

#include "pkcs11/core/cryptoki.h"
#include "pkcs11/module/session.h"
#include "plugins/diagnostics/win_mutex.h"

class CSessionTable {
 public:
  // Throws std::bad_alloc when its mutex cannot be made: every lock of it then holds the mutex.
  CSessionTable();
  CSessionTable(const CSessionTable&) = delete;
  CSessionTable& operator=(const CSessionTable&) = delete;

  // A new session on the slot under the next handle.
  CK_SESSION_HANDLE open(const std::shared_ptr<CSlot>& slot);
  // A usage reference on the valid session under the handle; CKR_SESSION_HANDLE_INVALID otherwise.
  CK_RV lookup(CK_SESSION_HANDLE handle, CSessionRef& session);
  // C_GetSessionInfo's lookup: the answer is filled before the table is given up.
  CK_RV describe(CK_SESSION_HANDLE handle, CK_SESSION_INFO& info);
  // Invalidates the session and removes it; a call still inside it keeps it until it returns.
  CK_RV close(CK_SESSION_HANDLE handle);
  // Closes every session of the slot; with `onlyIdle`, only those no call is inside.
  void closeAll(CK_SLOT_ID slotID, bool onlyIdle);
  // Invalidates and removes every session.
  void clear();
  // The valid sessions of the slot.
  CK_ULONG count(CK_SLOT_ID slotID);

 private:
  using Map = std::map<CK_SESSION_HANDLE, std::shared_ptr<CSession>>;
  // Invalidates the session of the entry, drops the table's reference and removes the entry.
  Map::iterator remove(Map::iterator entry);

  Map sessions;
  std::int32_t lastSessionHandle = 0;
  CWinMutex mutex;
};

#endif  // LUMA_PKCS11_MODULE_SESSION_TABLE_H_
