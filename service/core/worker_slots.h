// The cap on lumaPassV's concurrent request workers. Each worker may show dialogs and so reserves
// a large stack; a client that sends requests faster than they finish would otherwise make the
// process reserve address space without bound. A slot is taken before the worker starts and given
// back when its last reference goes, on whichever thread that is.
#ifndef LUMA_SERVICE_CORE_WORKER_SLOTS_H_
#define LUMA_SERVICE_CORE_WORKER_SLOTS_H_

#include <cstddef>
#include <mutex>

#include "foundation/core/cap_notice.h"

namespace luma {
namespace service {

class CWorkerSlots;

// One taken slot; empty when none was free. Gives it back when destroyed.
class CWorkerSlot {
 public:
  CWorkerSlot() = default;
  CWorkerSlot(CWorkerSlot&& other) noexcept : owner(other.owner) { other.owner = nullptr; }
  CWorkerSlot& operator=(CWorkerSlot&& other) noexcept;
  CWorkerSlot(const CWorkerSlot&) = delete;
  CWorkerSlot& operator=(const CWorkerSlot&) = delete;
  ~CWorkerSlot();

  explicit operator bool() const noexcept { return owner != nullptr; }

 private:
  friend class CWorkerSlots;
  explicit CWorkerSlot(CWorkerSlots* owner) : owner(owner) {}
  CWorkerSlots* owner = nullptr;
};

class CWorkerSlots {
 public:
  CWorkerSlots(const wchar_t* name, std::size_t cap) : cap(cap), notice(name, cap) {}
  CWorkerSlots(const CWorkerSlots&) = delete;
  CWorkerSlots& operator=(const CWorkerSlots&) = delete;

  // A slot, or an empty one (counted as a hit of the cap) when all are taken. Never throws.
  CWorkerSlot TryTake() noexcept;
  std::size_t InUse() const noexcept;
  const CCapNotice& Notice() const noexcept { return notice; }

 private:
  friend class CWorkerSlot;
  void Give() noexcept;

  const std::size_t cap;
  mutable std::mutex lock;
  std::size_t inUse = 0;
  CCapNotice notice;
};

}  // namespace service
}  // namespace luma

#endif  // LUMA_SERVICE_CORE_WORKER_SLOTS_H_
