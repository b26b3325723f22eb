#include "foundation/core/lock_order.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace luma {
namespace {

// Ranked locks nest only a few deep; deeper nesting is not checked rather than allocated for.
constexpr int kMaxHeld = 16;

struct HeldRanks {
  LockRank ranks[kMaxHeld];
  int count = 0;  // may exceed kMaxHeld: those records are only counted
};

thread_local HeldRanks held;

void AbortOnViolation(LockRank heldRank, LockRank wanted) {
  std::fprintf(stderr, "lock order violated: rank %d taken while rank %d is held\n", static_cast<int>(wanted),
               static_cast<int>(heldRank));
  std::fflush(stderr);
  std::abort();
}

std::atomic<LockOrderViolationHandler> violationHandler{AbortOnViolation};

}  // namespace

LockOrderViolationHandler SetLockOrderViolationHandler(LockOrderViolationHandler handler) {
  return violationHandler.exchange(handler != nullptr ? handler : AbortOnViolation);
}

void NoteRankedLockTaken(LockRank rank) {
  const int recorded = held.count < kMaxHeld ? held.count : kMaxHeld;
  for (int i = 0; i < recorded; ++i) {
    if (held.ranks[i] > rank) {
      violationHandler.load()(held.ranks[i], rank);
      break;
    }
  }
  if (held.count < kMaxHeld) held.ranks[held.count] = rank;
  ++held.count;
}

void NoteRankedLockReleased(LockRank rank) {
  if (held.count == 0) return;
  if (held.count > kMaxHeld) {
    --held.count;
    return;
  }
  // Scoped locks end in reverse order, so the latest record is normally the last one.
  for (int i = held.count - 1; i >= 0; --i) {
    if (held.ranks[i] == rank) {
      for (int j = i; j + 1 < held.count; ++j) held.ranks[j] = held.ranks[j + 1];
      --held.count;
      return;
    }
  }
}

}  // namespace luma
