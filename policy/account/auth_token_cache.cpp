#include "policy/account/auth_token_cache.h"

CAuthTokenCache::CAuthTokenCache(luma::CacheClock clock) : tokens(clock), fingerprints(clock) {}

std::wstring CAuthTokenCache::FingerprintKey(const std::wstring& accountKey) {
  static const std::wstring suffix = L"/" + std::wstring(L"CertFingerprint");
  return accountKey + suffix;
}

bool CAuthTokenCache::HasToken(const std::wstring& accountKey) { return tokens.Contains(accountKey); }

bool CAuthTokenCache::StoreToken(const std::wstring& accountKey, const CSecureBuffer& token) {
  if (token.empty()) return false;
  CSecureBuffer protectedToken;
  if (!protector.Protect(token, protectedToken)) return false;
  tokens.Put(accountKey, protectedToken);
  return true;
}

bool CAuthTokenCache::GetToken(const std::wstring& accountKey, CSecureBuffer& token) {
  CSecureBuffer protectedToken;
  if (!tokens.Get(accountKey, protectedToken)) {
    token.Clear();
    return false;
  }
  return protector.Unprotect(protectedToken, token);
}

void CAuthTokenCache::RemoveToken(const std::wstring& accountKey) { tokens.Remove(accountKey); }

void CAuthTokenCache::StoreCertFingerprint(const std::wstring& accountKey, const std::wstring& fingerprint) {
  fingerprints.Put(FingerprintKey(accountKey), fingerprint);
}

bool CAuthTokenCache::GetCertFingerprint(const std::wstring& accountKey, std::wstring& fingerprint) {
  return fingerprints.Get(FingerprintKey(accountKey), fingerprint);
}

void CAuthTokenCache::RemoveCertFingerprint(const std::wstring& accountKey) {
  fingerprints.Remove(FingerprintKey(accountKey));
}
