#include "service/pins/session_pin_cache.h"

#include <utility>

#include "foundation/core/random_source.h"

namespace {
// Compares without an early exit, so the time taken tells nothing about where a guess went wrong.
bool SameBytes(const CSecureBuffer& a, const CSecureBuffer& b) {
  if (a.size != b.size) return false;
  BYTE difference = 0;
  for (DWORD i = 0; i < a.size; ++i) difference |= a.data[i] ^ b.data[i];
  return difference == 0;
}
}  // namespace

CSecureBuffer CSessionPINCache::GenerateToken() {
  CSecureBuffer token(kTokenSize);
  if (token.size != kTokenSize || !luma::GenerateRandomBytes(token.data, token.size)) token.Clear();
  return token;
}

DWORD CSessionPINCache::Store(int pinId, const CSecureBuffer& pin, CSecureBuffer& token) {
  token.Clear();
  CSessionPINEntry entry;
  entry.token = GenerateToken();
  // An all-zero token would be one any client can guess: hand out none at all.
  if (entry.token.empty()) return ERROR_INTERNAL_ERROR;
  CSecureBuffer tokenCopy(entry.token);
  if (tokenCopy.size != entry.token.size) return ERROR_INTERNAL_ERROR;
  protector.Protect(pin, entry.protectedPin);  // on failure the entry keeps an empty PIN

  std::map<int, CSessionPINEntry>::node_type evicted;  // wiped and freed after the lock
  {
    CMutexObjLock guard(lock);
    if (entries.size() >= kMaxEntries && entries.count(pinId) == 0) {
      auto oldest = entries.begin();
      for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (it->second.stored < oldest->second.stored) oldest = it;
      }
      evicted = entries.extract(oldest);
    }
    entry.stored = nextStored++;
    entries[pinId] = std::move(entry);
    token = std::move(tokenCopy);
  }
  if (evicted) capNotice.Hit();
  return 0;
}

bool CSessionPINCache::VerifyToken(int pinId, const CSecureBuffer& token) const {
  CMutexObjLock guard(lock);
  const auto found = entries.find(pinId);
  return found != entries.end() && SameBytes(found->second.token, token);
}

std::size_t CSessionPINCache::Count() const {
  CMutexObjLock guard(lock);
  return entries.size();
}

void CSessionPINCache::Remove(int pinId) {
  CMutexObjLock guard(lock);
  entries.erase(pinId);
}
