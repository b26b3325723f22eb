#include "policy/account/auth_token_cache.h"

#include <gtest/gtest.h>

namespace {

CSecureBuffer Token(const char* text) { return CSecureBuffer(static_cast<DWORD>(strlen(text)), text); }

TEST(AuthTokenCache, StoresReadsAndRemovesTokensPerAccount) {
  CAuthTokenCache cache;
  EXPECT_FALSE(cache.StoreToken(L"acme/alice", CSecureBuffer()));
  EXPECT_FALSE(cache.HasToken(L"acme/alice"));
  CSecureBuffer token = Token("stale");
  EXPECT_FALSE(cache.GetToken(L"acme/alice", token));
  EXPECT_TRUE(token.empty());

  ASSERT_TRUE(cache.StoreToken(L"acme/alice", Token("cookie=1")));
  EXPECT_TRUE(cache.HasToken(L"acme/alice"));
  EXPECT_FALSE(cache.HasToken(L"acme/bob"));
  ASSERT_TRUE(cache.GetToken(L"acme/alice", token));
  EXPECT_EQ(token, Token("cookie=1"));
  ASSERT_TRUE(cache.GetToken(L"acme/alice", token)) << "tokens do not expire by reads";

  cache.RemoveToken(L"acme/alice");
  EXPECT_FALSE(cache.HasToken(L"acme/alice"));
}

TEST(AuthTokenCache, FingerprintsLiveBesideTheTokens) {
  CAuthTokenCache cache;
  std::wstring fingerprint = L"old";
  EXPECT_FALSE(cache.GetCertFingerprint(L"acme/alice", fingerprint));
  EXPECT_TRUE(fingerprint.empty());
  cache.StoreCertFingerprint(L"acme/alice", L"ab12");
  ASSERT_TRUE(cache.StoreToken(L"acme/alice", Token("t")));
  cache.RemoveToken(L"acme/alice");
  ASSERT_TRUE(cache.GetCertFingerprint(L"acme/alice", fingerprint));
  EXPECT_EQ(fingerprint, L"ab12");
  EXPECT_FALSE(cache.HasToken(L"acme/alice/CertFingerprint")) << "the two kinds have separate maps";
  cache.RemoveCertFingerprint(L"acme/alice");
  EXPECT_FALSE(cache.GetCertFingerprint(L"acme/alice", fingerprint));
}

}  // namespace
