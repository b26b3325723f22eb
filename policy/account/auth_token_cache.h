// The session tokens that the remote service issued to a provider's accounts, kept protected with
// the data-protection API, and the fingerprint of the client certificate each account chose for
// certificate login. Lives in memory only, for the life of its provider context.
#ifndef LUMA_POLICY_ACCOUNT_AUTH_TOKEN_CACHE_H_
#define LUMA_POLICY_ACCOUNT_AUTH_TOKEN_CACHE_H_

#include <string>

#include "foundation/core/secure_buffer.h"
#include "foundation/win/data_protection.h"
#include "policy/core/timed_cache.h"
#include "policy/signed/policy.h"

class CAuthTokenCache {
 public:
  explicit CAuthTokenCache(luma::CacheClock clock = luma::CurrentCacheTime);
  CAuthTokenCache(const CAuthTokenCache&) = delete;
  CAuthTokenCache& operator=(const CAuthTokenCache&) = delete;

  // Keyed by the policy's account key.
  bool HasToken(const CPolicy& policy) { return HasToken(policy.accountKey); }
  bool StoreToken(const CPolicy& policy, const CSecureBuffer& token) {
    return StoreToken(policy.accountKey, token);
  }
  bool GetToken(const CPolicy& policy, CSecureBuffer& token) { return GetToken(policy.accountKey, token); }
  void RemoveToken(const CPolicy& policy) { RemoveToken(policy.accountKey); }
  void StoreCertFingerprint(const CPolicy& policy, const std::wstring& fingerprint) {
    StoreCertFingerprint(policy.accountKey, fingerprint);
  }
  bool GetCertFingerprint(const CPolicy& policy, std::wstring& fingerprint) {
    return GetCertFingerprint(policy.accountKey, fingerprint);
  }
  void RemoveCertFingerprint(const CPolicy& policy) { RemoveCertFingerprint(policy.accountKey); }

  // The same by account key.
  bool HasToken(const std::wstring& accountKey);
  // False, storing nothing, for an empty token or when it cannot be protected.
  bool StoreToken(const std::wstring& accountKey, const CSecureBuffer& token);
  // False with an empty token when the account has none.
  bool GetToken(const std::wstring& accountKey, CSecureBuffer& token);
  void RemoveToken(const std::wstring& accountKey);

  void StoreCertFingerprint(const std::wstring& accountKey, const std::wstring& fingerprint);
  // False with an empty fingerprint when the account has none.
  bool GetCertFingerprint(const std::wstring& accountKey, std::wstring& fingerprint);
  void RemoveCertFingerprint(const std::wstring& accountKey);

 private:
  static std::wstring FingerprintKey(const std::wstring& accountKey);

  CDataProtection protector;
  CTimedCache<CSecureBuffer> tokens;       // protected tokens
  CTimedCache<std::wstring> fingerprints;  // in clear: not a secret
};

#endif  // LUMA_POLICY_ACCOUNT_AUTH_TOKEN_CACHE_H_
