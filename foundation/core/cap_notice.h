// The note that one of the named limits on what clients can make a process hold was reached. A
// flood hits a limit thousands of times; the log gets one line per burst, and a burst ends when
// the limit has not been hit for kQuietTime.
#ifndef LUMA_FOUNDATION_CORE_CAP_NOTICE_H_
#define LUMA_FOUNDATION_CORE_CAP_NOTICE_H_

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace luma {

// Receives the first hit of each burst: the limit's name and value. Set once by the program that
// has a log; without one, hits are only counted.
using CapNoticeSink = void (*)(const wchar_t* name, std::size_t cap);
void SetCapNoticeSink(CapNoticeSink sink) noexcept;

class CCapNotice {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::seconds kQuietTime{60};

  // `name` must outlive the notice (a literal).
  CCapNotice(const wchar_t* name, std::size_t cap) noexcept : name(name), cap(cap) {}
  CCapNotice(const CCapNotice&) = delete;
  CCapNotice& operator=(const CCapNotice&) = delete;

  // Counts one hit and tells the sink when it starts a burst; true when it did. Never throws.
  bool Hit() noexcept { return Hit(Clock::now()); }
  bool Hit(Clock::time_point now) noexcept;

  std::uint64_t Hits() const noexcept;
  std::size_t Cap() const noexcept { return cap; }
  const wchar_t* Name() const noexcept { return name; }

 private:
  const wchar_t* const name;
  const std::size_t cap;
  mutable std::mutex lock;  // guards the fields below; the sink is called outside it
  std::uint64_t hits = 0;
  Clock::time_point lastHit{};
};

}  // namespace luma

#endif  // LUMA_FOUNDATION_CORE_CAP_NOTICE_H_
