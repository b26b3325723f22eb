// The module-wide state of lumaPassP11: the initialisation count, the stop event that ends a
// blocking slot-event wait, the slots and the sessions.
//
// Slots are shared: the table of slots is replaced as a whole by the first C_Initialize and the last
// C_Finalize, and every call, session and slot-event wait that works on a slot holds its own
// reference, so the last C_Finalize never destroys a slot, nor closes its change event, under a
// call that is still inside it.
#ifndef LUMA_PKCS11_MODULE_MODULE_STATE_H_
#define LUMA_PKCS11_MODULE_MODULE_STATE_H_

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/win/unique_handle.h"
#include "pkcs11/core/cryptoki.h"
#include "pkcs11/module/session_table.h"
#include "pkcs11/module/slot.h"
#include "plugins/diagnostics/win_mutex.h"

namespace luma {
namespace pkcs11 {

constexpr CK_SLOT_ID kSlotID = 0;
constexpr char kTokenLabel[] = "LPV";
constexpr char kStoreName[] = "MY";

using SlotList = std::vector<std::shared_ptr<CSlot>>;  // in slot-ID order

class CModuleState {
 public:
  CModuleState();
  CModuleState(const CModuleState&) = delete;
  CModuleState& operator=(const CModuleState&) = delete;

  // Counts the call; the first one builds the slot. Initialisation arguments are not read.
  void initialize();
  // Sets the stop event first; the last one closes every session and lets the slots go.
  void finalize();
  bool isInitialised() const { return initCount.load() > 0; }
  std::int32_t getInitCount() const { return initCount.load(); }

  HANDLE getStopEvent() const { return stopEvent.get(); }
  // The slot under the ID, or null.
  std::shared_ptr<CSlot> findSlot(CK_SLOT_ID slotID) const;
  SlotList getSlots() const;
  CSessionTable& getSessions() { return sessions; }

  // The store new slots show and what they read besides it; tests that link the module replace
  // both.
  void setSlotSource(const std::string& storeName, CSlotEnvironment environment);

 private:
  std::shared_ptr<const SlotList> slotSnapshot() const;

  std::atomic<std::int32_t> initCount{0};
  luma::CKernelHandle stopEvent;
  CWinMutex initMutex;
  mutable std::mutex slotsGuard;  // held only to copy or replace the table's pointer
  std::shared_ptr<const SlotList> slots;
  CSessionTable sessions;
  std::string slotStoreName = kStoreName;
  CSlotEnvironment slotEnvironment;
};

// The one instance, made when the module is loaded. Never destroyed at process exit.
CModuleState& moduleState();
// Only when the module is unloaded while its process goes on, after the last C_Finalize.
void destroyModuleState() noexcept;

}  // namespace pkcs11
}  // namespace luma

#endif  // LUMA_PKCS11_MODULE_MODULE_STATE_H_
