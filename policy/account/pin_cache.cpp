#include "policy/account/pin_cache.h"

#include <algorithm>

namespace luma::policy {

CPinCacheLimits PinCacheLimitsOf(const CPinPolicy& pinPolicy) {
  return CPinCacheLimits{pinPolicy.maxPinCacheTime, pinPolicy.maxPinCacheReuse};
}

}  // namespace luma::policy

CPinCache::CPinCache(luma::CacheClock clock) : pins(std::move(clock)) {}

bool CPinCache::StorePin(const CCertificatePolicy& certificate, const CSecureBuffer& pin) {
  const CPinConstraints& rules = certificate.pinPolicy.pinConstraints;
  return StorePin(certificate.alias, pin, rules.minLength == 0 && rules.maxLength != 0);
}

bool CPinCache::IsPinCached(const CCertificatePolicy& certificate) {
  return IsPinCached(certificate.alias, luma::policy::PinCacheLimitsOf(certificate.pinPolicy));
}

bool CPinCache::GetPin(const CCertificatePolicy& certificate, CSecureBuffer& pin) {
  return GetPin(certificate.alias, luma::policy::PinCacheLimitsOf(certificate.pinPolicy), pin);
}

bool CPinCache::StorePin(const std::wstring& alias, const CSecureBuffer& pin, bool emptyPinAllowed) {
  if (pin.empty() && !emptyPinAllowed) return false;
  CSecureBuffer protectedPin;
  if (!protector.Protect(pin, protectedPin)) return false;
  pins.Put(alias, protectedPin);
  return true;
}

// The test and the removal of an invalid PIN are one locked step of the cache, so a PIN that
// another thread stores in between is never removed with the old one.
bool CPinCache::LookupValidPin(const std::wstring& alias, const CPinCacheLimits& limits, bool countUse,
                               CTimedCacheEntry<CSecureBuffer>& entry) {
  return pins.LookupValid(alias, entry, countUse,
                          [&limits](const CTimedCacheEntry<CSecureBuffer>& e, luma::CacheTime now) {
                            return luma::policy::IsCachedPinValid(limits, e.created, now, e.uses);
                          });
}

bool CPinCache::IsPinCached(const std::wstring& alias, const CPinCacheLimits& limits) {
  CTimedCacheEntry<CSecureBuffer> entry;
  return LookupValidPin(alias, limits, false, entry);
}

bool CPinCache::GetPin(const std::wstring& alias, const CPinCacheLimits& limits, CSecureBuffer& pin) {
  CTimedCacheEntry<CSecureBuffer> entry;
  if (!LookupValidPin(alias, limits, true, entry)) return false;
  return protector.Unprotect(entry.value, pin);
}

void CPinCache::RemovePin(const std::wstring& alias) { pins.Remove(alias); }

bool CPinCache::MarkBlocked(const std::wstring& alias) {
  CMutexObjLock lock(blockedLock);
  blockedAliases.push_back(alias);
  return true;
}

bool CPinCache::IsMarkedBlocked(const std::wstring& alias) {
  CMutexObjLock lock(blockedLock);
  return std::find(blockedAliases.begin(), blockedAliases.end(), alias) != blockedAliases.end();
}

void CPinCache::ClearBlockedMark(const std::wstring& alias) {
  CMutexObjLock lock(blockedLock);
  auto found = std::find(blockedAliases.begin(), blockedAliases.end(), alias);
  if (found != blockedAliases.end()) blockedAliases.erase(found);
}
