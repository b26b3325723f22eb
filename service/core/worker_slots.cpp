#include "service/core/worker_slots.h"

namespace luma {
namespace service {

CWorkerSlot& CWorkerSlot::operator=(CWorkerSlot&& other) noexcept {
  if (this != &other) {
    if (owner != nullptr) owner->Give();
    owner = other.owner;
    other.owner = nullptr;
  }
  return *this;
}

CWorkerSlot::~CWorkerSlot() {
  if (owner != nullptr) owner->Give();
}

CWorkerSlot CWorkerSlots::TryTake() noexcept {
  {
    std::lock_guard<std::mutex> guard(lock);
    if (inUse < cap) {
      ++inUse;
      return CWorkerSlot(this);
    }
  }
  notice.Hit();
  return CWorkerSlot();
}

std::size_t CWorkerSlots::InUse() const noexcept {
  std::lock_guard<std::mutex> guard(lock);
  return inUse;
}

void CWorkerSlots::Give() noexcept {
  std::lock_guard<std::mutex> guard(lock);
  if (inUse > 0) --inUse;
}

}  // namespace service
}  // namespace luma
