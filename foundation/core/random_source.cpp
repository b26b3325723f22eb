#include "foundation/core/random_source.h"

#include <atomic>

#ifdef _WIN32
#include <wincrypt.h>
// RtlGenRandom is exported by advapi32 as SystemFunction036.
#include <ntsecapi.h>

#include "foundation/core/mutex_obj.h"
#include "foundation/win/unique_handle.h"
#else
#include <errno.h>
#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>
#endif

namespace luma {
namespace {

#ifdef _WIN32
// One verification context for the whole process: acquiring it costs tens of milliseconds, far
// more than the draws it serves. A failed acquisition is tried again on the next draw.
class CVerificationContext {
 public:
  // The context, or 0 when none could be acquired. Once acquired it stays valid until the
  // process ends, so callers use it without holding the lock.
  HCRYPTPROV Get() {
    CMutexObjLock guard(lock);
    if (!provider &&
        !CryptAcquireContextW(provider.put(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
      provider.reset();
      return 0;
    }
    return provider.get();
  }

 private:
  CMutexObj lock;
  CCryptProviderHandle provider;
};

bool SystemPrimary(BYTE* data, DWORD size) {
  static CVerificationContext context;
  const HCRYPTPROV provider = context.Get();
  return provider != 0 && CryptGenRandom(provider, size, data) != FALSE;
}

bool SystemFallback(BYTE* data, DWORD size) { return RtlGenRandom(data, size) != FALSE; }

#else

bool SystemPrimary(BYTE* data, DWORD size) {
  DWORD filled = 0;
  while (filled < size) {
    const ssize_t got = getrandom(data + filled, size - filled, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    filled += static_cast<DWORD>(got);
  }
  return true;
}

bool SystemFallback(BYTE* data, DWORD size) {
  const int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  DWORD filled = 0;
  while (filled < size) {
    const ssize_t got = read(fd, data + filled, size - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    filled += static_cast<DWORD>(got);
  }
  close(fd);
  return filled == size;
}
#endif

std::atomic<testing::RandomGenerator> g_primary{SystemPrimary};
std::atomic<testing::RandomGenerator> g_fallback{SystemFallback};

}  // namespace

bool GenerateRandomBytes(BYTE* data, DWORD size) {
  if (size == 0) return true;
  if (data == nullptr) return false;
  for (const auto* generator : {&g_primary, &g_fallback}) {
    // A failed generator may have written part of the block: start each one from zeros.
    SecureWipe(data, size);
    if (generator->load()(data, size)) return true;
  }
  SecureWipe(data, size);
  return false;
}

namespace testing {
bool SystemPrimaryRandom(BYTE* data, DWORD size) { return SystemPrimary(data, size); }
bool SystemFallbackRandom(BYTE* data, DWORD size) { return SystemFallback(data, size); }

ScopedRandomGenerators::ScopedRandomGenerators(RandomGenerator primary, RandomGenerator fallback)
    : savedPrimary(g_primary.exchange(primary)), savedFallback(g_fallback.exchange(fallback)) {}

ScopedRandomGenerators::~ScopedRandomGenerators() {
  g_primary.store(savedPrimary);
  g_fallback.store(savedFallback);
}
}  // namespace testing

}  // namespace luma
