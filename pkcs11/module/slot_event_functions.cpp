// C_WaitForSlotEvent: a change of a slot's certificate store is its slot event. The wait ends with
// the module's stop event, which C_Finalize sets before it takes any lock.
#include <windows.h>

#include <vector>

#include "pkcs11/module/entry_frame.h"

namespace {

using luma::pkcs11::CArgumentTrace;
using luma::pkcs11::moduleLog;
using luma::pkcs11::moduleState;
using luma::pkcs11::runInitialisedEntry;

// Several store changes in a row end in one event.
constexpr DWORD kChangeBurstMilliseconds = 1000;

// The slot's sessions that no call is inside are closed: their objects are out of date.
void closeAllSessionsNotInUse(CK_SLOT_ID slotID) { moduleState().getSessions().closeAll(slotID, true); }

CK_RV pollSlots(CK_SLOT_ID_PTR pSlot) {
  for (const auto& slot : moduleState().getSlots()) {
    if (!slot->waitForStoreChange()) continue;
    closeAllSessionsNotInUse(slot->getSlotID());
    *pSlot = slot->getSlotID();
    moduleLog().print(kLogInfo, "C_WaitForSlotEvent CKF_DONT_BLOCK returns with CKR_OK and slot id %lu",
                      *pSlot);
    return CKR_OK;
  }
  moduleLog().print(kLogInfo, "C_WaitForSlotEvent CKF_DONT_BLOCK returns with CKR_NO_EVENT");
  return CKR_NO_EVENT;
}

CK_RV waitForSlots(CK_SLOT_ID_PTR pSlot) {
  // The wait holds its own references: a C_Finalize meanwhile neither destroys the slots nor closes
  // the events waited on.
  const luma::pkcs11::SlotList slots = moduleState().getSlots();
  if (slots.empty()) {
    moduleLog().print(kLogInfo,
                      "C_WaitForSlotEvent has not found any valid slots, returning with CKR_FUNCTION_FAILED");
    return CKR_FUNCTION_FAILED;
  }
  if (slots.size() >= MAXIMUM_WAIT_OBJECTS) return CKR_FUNCTION_FAILED;
  std::vector<HANDLE> events;
  for (const auto& slot : slots) events.push_back(slot->getChangeEvent());
  events.push_back(moduleState().getStopEvent());
  const DWORD count = static_cast<DWORD>(events.size());
  const DWORD stopIndex = count - 1;

  const DWORD result = WaitForMultipleObjects(count, events.data(), FALSE, INFINITE);
  if (result == WAIT_OBJECT_0 + stopIndex) {
    moduleLog().print(kLogInfo, "C_WaitForSlotEvent stop request detected (WAIT_OBJECT)");
    return CKR_CRYPTOKI_NOT_INITIALIZED;
  }
  if (result < WAIT_OBJECT_0 + stopIndex) {
    CSlot& slot = *slots[result - WAIT_OBJECT_0];
    *pSlot = slot.getSlotID();
    moduleLog().print(kLogInfo, "C_WaitForSlotEvent event detected for slot %lu", *pSlot);
    slot.resync();
    while (WaitForSingleObject(slot.getChangeEvent(), kChangeBurstMilliseconds) == WAIT_OBJECT_0)
      slot.resync();
    closeAllSessionsNotInUse(slot.getSlotID());
    return CKR_OK;
  }
  if (result == WAIT_ABANDONED_0 + stopIndex) {
    moduleLog().print(kLogInfo, "C_WaitForSlotEvent stop request detected (WAIT_ABANDONED)");
    return CKR_CRYPTOKI_NOT_INITIALIZED;
  }
  if (result >= WAIT_ABANDONED_0 && result < WAIT_ABANDONED_0 + stopIndex) {
    moduleLog().print(kLogInfo, "C_WaitForSlotEvent abandoned handle detected for slot %lu",
                      slots[result - WAIT_ABANDONED_0]->getSlotID());
    return CKR_FUNCTION_FAILED;
  }
  moduleLog().print(kLogInfo, "C_WaitForSlotEvent WaitForMultipleObjects failed 0x%08x error 0x%08x",
                    static_cast<unsigned>(result), static_cast<unsigned>(GetLastError()));
  return CKR_FUNCTION_FAILED;
}

}  // namespace

extern "C" {

CK_RV LUMA_CK_CALL C_WaitForSlotEvent(CK_FLAGS flags, CK_SLOT_ID_PTR pSlot, CK_VOID_PTR pReserved) {
  return runInitialisedEntry(
      "C_WaitForSlotEvent",
      [&](CArgumentTrace& a) {
        a.flags("flags", flags).pointer("pSlot", pSlot).pointer("pReserved", pReserved);
      },
      [&] {
        if (pSlot == nullptr) {
          moduleLog().print(kLogInfo, "C_WaitForSlotEvent returns with CKR_ARGUMENTS_BAD");
          return CKR_ARGUMENTS_BAD;
        }
        return (flags & CKF_DONT_BLOCK) != 0 ? pollSlots(pSlot) : waitForSlots(pSlot);
      });
}

}  // extern "C"
