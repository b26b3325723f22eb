// The PINs of a provider's certificates, kept protected with the data-protection API for as long as
// each certificate's PIN policy allows, and the certificates whose PIN the remote service reported
// as blocked. Lives in memory only, for the life of its provider context.
#ifndef LUMA_POLICY_ACCOUNT_PIN_CACHE_H_
#define LUMA_POLICY_ACCOUNT_PIN_CACHE_H_

#include <list>
#include <string>

#include "foundation/core/mutex_obj.h"
#include "foundation/core/secure_buffer.h"
#include "foundation/win/data_protection.h"
#include "policy/core/pin_cache_rule.h"
#include "policy/core/timed_cache.h"
#include "policy/signed/certificate_policy.h"

namespace luma::policy {

CPinCacheLimits PinCacheLimitsOf(const CPinPolicy& pinPolicy);

}  // namespace luma::policy

class CPinCache {
 public:
  explicit CPinCache(luma::CacheClock clock = luma::CurrentCacheTime);
  CPinCache(const CPinCache&) = delete;
  CPinCache& operator=(const CPinCache&) = delete;

  // The certificate policy's alias is the key (compared exactly) and its PIN policy sets the limits.
  bool StorePin(const CCertificatePolicy& certificate, const CSecureBuffer& pin);
  bool IsPinCached(const CCertificatePolicy& certificate);
  bool GetPin(const CCertificatePolicy& certificate, CSecureBuffer& pin);
  void RemovePin(const CCertificatePolicy& certificate) { RemovePin(certificate.alias); }
  bool MarkBlocked(const CCertificatePolicy& certificate) { return MarkBlocked(certificate.alias); }

  // The same by alias, limits and rules given as plain values.
  // An empty PIN is stored only where the certificate allows one (emptyPinAllowed: its PIN
  // constraints have minLength 0 and a maxLength that is not 0). False when nothing was stored.
  bool StorePin(const std::wstring& alias, const CSecureBuffer& pin, bool emptyPinAllowed);
  // Whether a stored PIN is still valid without counting a read; an invalid one is removed.
  bool IsPinCached(const std::wstring& alias, const CPinCacheLimits& limits);
  // Counts the read and hands the PIN out while that read keeps it valid; an invalid one is removed.
  // pin is left as it was when the result is false, unless unprotection failed.
  bool GetPin(const std::wstring& alias, const CPinCacheLimits& limits, CSecureBuffer& pin);
  void RemovePin(const std::wstring& alias);

  // Marks are a list: marking twice needs two clears.
  bool MarkBlocked(const std::wstring& alias);
  bool IsMarkedBlocked(const std::wstring& alias);
  // Removes the first mark of the alias, as when a new PIN is stored for the certificate.
  void ClearBlockedMark(const std::wstring& alias);

 private:
  bool LookupValidPin(const std::wstring& alias, const CPinCacheLimits& limits, bool countUse,
                      CTimedCacheEntry<CSecureBuffer>& entry);

  CDataProtection protector;
  CTimedCache<CSecureBuffer> pins;  // protected PINs
  std::list<std::wstring> blockedAliases;
  CMutexObj blockedLock;
};

#endif  // LUMA_POLICY_ACCOUNT_PIN_CACHE_H_
