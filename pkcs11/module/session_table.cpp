#include "pkcs11/module/session_table.h"

#include <new>
#include <utility>
#include <vector>

#include "pkcs11/module/module_log.h"

namespace {
CModuleDebugLog& log() { return luma::pkcs11::moduleLog(); }
}  // namespace

CSessionTable::CSessionTable() {
  if (mutex.getHandle() == nullptr) throw std::bad_alloc();  // out of kernel resources
}

CK_SESSION_HANDLE CSessionTable::open(const std::shared_ptr<CSlot>& slot) {
  CWinMutexLock held = mutex.lock();
  auto session = std::make_shared<CSession>(slot);
  const CK_SESSION_HANDLE handle = static_cast<CK_SESSION_HANDLE>(++lastSessionHandle);
  session->acquire();  // the table's reference
  sessions[handle] = std::move(session);
  return handle;
}

CK_RV CSessionTable::lookup(CK_SESSION_HANDLE handle, CSessionRef& session) {
  CWinMutexLock held = mutex.lock();
  const auto found = sessions.find(handle);
  if (found == sessions.end()) return CKR_SESSION_HANDLE_INVALID;
  CSessionRef reference(found->second);
  if (!reference->isValid()) return CKR_SESSION_HANDLE_INVALID;
  session = std::move(reference);
  return CKR_OK;
}

CK_RV CSessionTable::describe(CK_SESSION_HANDLE handle, CK_SESSION_INFO& info) {
  CWinMutexLock held = mutex.lock();
  const auto found = sessions.find(handle);
  if (found == sessions.end()) return CKR_SESSION_HANDLE_INVALID;
  CSessionRef reference(found->second);
  if (!reference->isValid()) return CKR_SESSION_HANDLE_INVALID;
  info.slotID = reference->getSlotID();
  info.state = CKS_RO_USER_FUNCTIONS;
  info.flags = CKF_SERIAL_SESSION;
  info.ulDeviceError = 0;
  return CKR_OK;
}

CSessionTable::Map::iterator CSessionTable::remove(Map::iterator entry) {
  entry->second->invalidate();
  entry->second->release();  // the table's reference
  return sessions.erase(entry);
}

CK_RV CSessionTable::close(CK_SESSION_HANDLE handle) {
  std::shared_ptr<CSession> closing;  // destroyed, when it is the last holder, after the table is given up
  CWinMutexLock held = mutex.lock();
  const auto found = sessions.find(handle);
  if (found == sessions.end()) return CKR_SESSION_HANDLE_INVALID;
  closing = found->second;
  CSessionRef reference(closing);
  remove(found);
  return CKR_OK;
}

void CSessionTable::closeAll(CK_SLOT_ID slotID, bool onlyIdle) {
  std::vector<std::shared_ptr<CSession>> closing;
  CWinMutexLock held = mutex.lock();
  for (auto entry = sessions.begin(); entry != sessions.end();) {
    CSessionRef reference(entry->second);
    if (!reference->isValid() || reference->getSlotID() != slotID) {
      ++entry;
      continue;
    }
    if (onlyIdle) {
      log().print(kLogInfo, "closeAllSessionsNotInUse session 0x%p count %d",
                  static_cast<void*>(reference.get()), static_cast<int>(reference->getUsageCount()));
      // The table's reference and the one just taken: no call is inside the session.
      if (reference->getUsageCount() >= 3) {
        ++entry;
        continue;
      }
    }
    closing.push_back(entry->second);
    entry = remove(entry);
  }
}

void CSessionTable::clear() {
  std::vector<std::shared_ptr<CSession>> closing;
  CWinMutexLock held = mutex.lock();
  for (auto entry = sessions.begin(); entry != sessions.end(); ++entry) {
    CSessionRef reference(entry->second);
    if (reference->isValid()) {
      reference->invalidate();
      reference->release();  // the table's reference
    } else {
      log().print(kLogTrace, "Invalid session 0x%p", static_cast<void*>(reference.get()));
    }
    closing.push_back(entry->second);
  }
  sessions.clear();
}

CK_ULONG CSessionTable::count(CK_SLOT_ID slotID) {
  CWinMutexLock held = mutex.lock();
  CK_ULONG valid = 0;
  for (const auto& entry : sessions) {
    if (entry.second->getSlotID() == slotID && entry.second->isValid()) ++valid;
  }
  return valid;
}
