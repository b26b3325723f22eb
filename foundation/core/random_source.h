// The system's cryptographic random generator, behind a seam that tests can make fail or repeat.
#ifndef LUMA_FOUNDATION_CORE_RANDOM_SOURCE_H_
#define LUMA_FOUNDATION_CORE_RANDOM_SOURCE_H_

#include "foundation/core/platform.h"

namespace luma {

// Fills size bytes with random bytes: on Windows from CryptGenRandom in a verification context,
// else from RtlGenRandom; elsewhere from getrandom, else from /dev/urandom. False when neither
// generator answered; the bytes are then all zero.
bool GenerateRandomBytes(BYTE* data, DWORD size);

namespace testing {
using RandomGenerator = bool (*)(BYTE* data, DWORD size);

// The two system generators on their own, so tests can check each of them.
bool SystemPrimaryRandom(BYTE* data, DWORD size);
bool SystemFallbackRandom(BYTE* data, DWORD size);

// Replaces the two system generators for the lifetime of the object. Install it before any
// thread that draws random bytes starts, and let it go after they ended.
class ScopedRandomGenerators {
 public:
  ScopedRandomGenerators(RandomGenerator primary, RandomGenerator fallback);
  ~ScopedRandomGenerators();
  ScopedRandomGenerators(const ScopedRandomGenerators&) = delete;
  ScopedRandomGenerators& operator=(const ScopedRandomGenerators&) = delete;

 private:
  RandomGenerator savedPrimary;
  RandomGenerator savedFallback;
};
}  // namespace testing

}  // namespace luma

#endif  // LUMA_FOUNDATION_CORE_RANDOM_SOURCE_H_
