#include "foundation/core/cap_notice.h"

#include <atomic>

namespace luma {
namespace {
std::atomic<CapNoticeSink> g_sink{nullptr};
}  // namespace

void SetCapNoticeSink(CapNoticeSink sink) noexcept { g_sink.store(sink); }

bool CCapNotice::Hit(Clock::time_point now) noexcept {
  bool startsBurst = false;
  {
    std::lock_guard<std::mutex> guard(lock);
    startsBurst = hits == 0 || now - lastHit >= kQuietTime;
    ++hits;
    lastHit = now;
  }
  if (!startsBurst) return false;
  if (const CapNoticeSink sink = g_sink.load()) sink(name, cap);
  return true;
}

std::uint64_t CCapNotice::Hits() const noexcept {
  std::lock_guard<std::mutex> guard(lock);
  return hits;
}

}  // namespace luma
