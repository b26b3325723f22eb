#include "pkcs11/module/module_state.h"

#include <new>
#include <utility>

#include "pkcs11/module/module_log.h"
#include "plugins/diagnostics/unload_only_object.h"

namespace luma {
namespace pkcs11 {

namespace {
CModuleDebugLog& log() { return moduleLog(); }
}  // namespace

CModuleState::CModuleState() : stopEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
  if (initMutex.getHandle() == nullptr) throw std::bad_alloc();  // out of kernel resources
}

void CModuleState::initialize() {
  log().stackTrace();
  CWinMutexLock held = initMutex.lock();
  ResetEvent(stopEvent.get());
  const std::int32_t count = initCount.load() + 1;
  if (count <= 1) {
    // Counted only once the slot stands: a slot that cannot be built leaves the module as it was.
    auto slot =
        std::make_shared<CSlot>(kSlotID, kTokenLabel, slotStoreName, stopEvent.get(), slotEnvironment);
    auto table = std::make_shared<const SlotList>(SlotList{std::move(slot)});
    std::lock_guard<std::mutex> guard(slotsGuard);
    slots = std::move(table);
  }
  initCount.store(count);
}

void CModuleState::finalize() {
  SetEvent(stopEvent.get());  // wakes a blocking slot-event wait before anything else
  CWinMutexLock held = initMutex.lock();
  if (initCount.load() <= 0) {
    log().print(kLogTrace, "C_Finalize initialization count <= 0");
    return;
  }
  if (--initCount > 0) {
    log().print(kLogInfo, "C_Finalize initialization count > 0");
    return;
  }
  sessions.clear();
  std::shared_ptr<const SlotList> released;  // the slots go with the last call that still holds one
  {
    std::lock_guard<std::mutex> guard(slotsGuard);
    released = std::move(slots);
  }
}

std::shared_ptr<const SlotList> CModuleState::slotSnapshot() const {
  std::lock_guard<std::mutex> guard(slotsGuard);
  return slots;
}

std::shared_ptr<CSlot> CModuleState::findSlot(CK_SLOT_ID slotID) const {
  const auto table = slotSnapshot();
  if (!table) return nullptr;
  for (const auto& slot : *table) {
    if (slot->getSlotID() == slotID) return slot;
  }
  return nullptr;
}

SlotList CModuleState::getSlots() const {
  const auto table = slotSnapshot();
  return table ? *table : SlotList();
}

void CModuleState::setSlotSource(const std::string& storeName, CSlotEnvironment environment) {
  CWinMutexLock held = initMutex.lock();
  slotStoreName = storeName;
  slotEnvironment = std::move(environment);
}

namespace {
// Destroyed by the module's unload only: at process exit its sessions and slots would release their
// keys into key providers that may be detached already.
luma::diagnostics::CUnloadOnlyObject<CModuleState> stateHolder;
}  // namespace

CModuleState& moduleState() { return stateHolder.Get(); }

void destroyModuleState() noexcept { stateHolder.Destroy(); }

}  // namespace pkcs11
}  // namespace luma
