// The cache operations of an authentication's context, on real provider caches with a clock the
// test moves.
#include "service/auth/auth_context.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "service/auth/auth_result.h"
#include "service/auth/tests/auth_test_support.h"

namespace luma::service::testing {
namespace {

struct TokenCase {
  const char* name;
  int authType;
  bool interactive;
  bool tokenCached;
  bool tokenExpired;
  bool canSilently;
  bool getToken;
  bool tokenOut;
};

class AuthContextTokenTest : public ::testing::TestWithParam<TokenCase> {};

TEST_P(AuthContextTokenTest, SilentLoginFollowsMethodAndCachedToken) {
  const TokenCase& c = GetParam();
  CTestClock clock;
  auto provider = MakeProvider(MethodOf(c.authType, c.interactive), clock);
  auto policy = MakeAccount(L"acme/anna");
  CAuthContext context(provider, policy, MakeCertificate(L"alice", 4, 8));
  const CSecureBuffer token = Utf16(L"SESSION=anna");
  if (c.tokenCached) {
    ASSERT_TRUE(provider->tokenCache.StoreToken(*policy, token));
  }
  // An entry from before a clock change back counts as expired; it is still in the cache.
  if (c.tokenExpired) clock.now -= kCacheTicksPerSecond;

  EXPECT_EQ(c.canSilently, context.CanAuthenticateSilently());
  CSecureBuffer out = Utf16(L"stale");
  EXPECT_EQ(c.getToken, context.GetToken(out));
  EXPECT_EQ(c.tokenOut ? token : CSecureBuffer(), out);
}

INSTANTIATE_TEST_SUITE_P(
    Methods, AuthContextTokenTest,
    ::testing::Values(
        // name, type, interactive, cached, expired, silently, GetToken, token out
        TokenCase{"KerberosWithoutToken", AUTH_TYPE_KERBEROS, false, false, false, true, true, false},
        TokenCase{"NegotiateWithToken", AUTH_TYPE_NEGOTIATE, false, true, false, true, true, true},
        TokenCase{"CertificateWithoutUrl", AUTH_TYPE_CERTIFICATE, false, false, false, true, true, false},
        TokenCase{"OtpWithoutToken", AUTH_TYPE_OTP, true, false, false, false, false, false},
        TokenCase{"OtpWithToken", AUTH_TYPE_OTP, true, true, false, true, true, true},
        TokenCase{"OtpWithExpiredToken", AUTH_TYPE_OTP, true, true, true, true, false, false},
        TokenCase{"PasswordWithToken", AUTH_TYPE_PASSWORD, true, true, false, true, true, true}),
    [](const ::testing::TestParamInfo<TokenCase>& info) { return std::string(info.param.name); });

TEST(AuthContextTest, ExpiredTokenIsRemovedByTheReadNotByTheSilentTest) {
  CTestClock clock;
  auto provider = MakeProvider(MethodOf(AUTH_TYPE_OTP, true), clock);
  auto policy = MakeAccount(L"acme/anna");
  CAuthContext context(provider, policy, MakeCertificate(L"alice", 4, 8));
  ASSERT_TRUE(provider->tokenCache.StoreToken(*policy, Utf16(L"SESSION=anna")));
  clock.now -= kCacheTicksPerSecond;
  EXPECT_TRUE(context.CanAuthenticateSilently());
  EXPECT_TRUE(context.CanAuthenticateSilently());
  CSecureBuffer out;
  EXPECT_FALSE(context.GetToken(out));
  EXPECT_FALSE(context.CanAuthenticateSilently());
  context.RemoveToken();  // nothing left to remove
  EXPECT_FALSE(context.CanAuthenticateSilently());
}

struct PinCase {
  const char* name;
  DWORD minLength, maxLength;
  const wchar_t* pin;  // stored after two blocked marks; null: nothing stored
  bool stored;
  bool cachedAfter;
  bool blockedAfter;
};

class AuthContextPinTest : public ::testing::TestWithParam<PinCase> {};

TEST_P(AuthContextPinTest, StoringClearsOneBlockedMarkAndCachesWhereAllowed) {
  const PinCase& c = GetParam();
  CTestClock clock;
  auto provider = MakeProvider(MethodOf(AUTH_TYPE_OTP, true), clock);
  CAuthContext context(provider, MakeAccount(L"acme/anna"),
                       MakeCertificate(L"alice", c.minLength, c.maxLength));
  EXPECT_TRUE(context.MarkBlocked());
  EXPECT_TRUE(context.MarkBlocked());
  if (c.pin != nullptr) {
    EXPECT_EQ(c.stored, context.StorePin(Utf16(c.pin)));
  }
  EXPECT_EQ(c.cachedAfter, context.IsPinCached());
  EXPECT_EQ(c.blockedAfter, context.IsBlocked());
}

INSTANTIATE_TEST_SUITE_P(
    Certificates, AuthContextPinTest,
    ::testing::Values(
        // two marks and no store: still blocked; a certificate without PIN is always "cached"
        PinCase{"NoPinCertificate", 0, 0, nullptr, false, true, true},
        PinCase{"NothingStored", 4, 8, nullptr, false, false, true},
        PinCase{"PinStored", 4, 8, L"1234", true, true, true},
        PinCase{"EmptyPinWhereAllowed", 0, 8, L"", true, true, true},
        PinCase{"EmptyPinWhereRequired", 4, 8, L"", false, false, true}),
    [](const ::testing::TestParamInfo<PinCase>& info) { return std::string(info.param.name); });

TEST(AuthContextTest, BlockedMarksAreAListAndStoringClearsOne) {
  auto provider = MakeProvider(MethodOf(AUTH_TYPE_OTP, true), CTestClock());
  CAuthContext context(provider, MakeAccount(L"acme/anna"), MakeCertificate(L"alice", 0, 8));
  CAuthContext other(provider, MakeAccount(L"acme/anna"), MakeCertificate(L"Alice", 0, 8));
  EXPECT_FALSE(context.IsBlocked());
  context.MarkBlocked();
  context.MarkBlocked();
  EXPECT_FALSE(other.IsBlocked()) << "aliases compare exactly";
  EXPECT_TRUE(context.ClearBlocked());
  EXPECT_TRUE(context.IsBlocked());
  EXPECT_TRUE(context.StorePin(CSecureBuffer()));  // empty PIN allowed: stored, one mark cleared
  EXPECT_FALSE(context.IsBlocked());
  EXPECT_TRUE(context.IsPinCached());
  context.RemovePin();
  EXPECT_FALSE(context.IsPinCached());
  EXPECT_TRUE(context.ClearBlocked()) << "clearing without a mark still succeeds";
}

TEST(AuthContextTest, DefaultAndCopiesShareNeverNullObjects) {
  CAuthContext empty;
  ASSERT_NE(nullptr, empty.providerContext);
  ASSERT_NE(nullptr, empty.policy);
  ASSERT_NE(nullptr, empty.certificatePolicy);
  CAuthContext copy(empty);
  EXPECT_EQ(empty.GetProviderContext(), copy.GetProviderContext());
  EXPECT_EQ(empty.GetPolicy(), copy.GetPolicy());
  EXPECT_EQ(empty.certificatePolicy, copy.certificatePolicy);
  EXPECT_FALSE(empty.CanAuthenticateSilently()) << "a provider without method needs the user";
}

TEST(AuthResultTest, CopiesDeeplyAndClearEmptiesBoth) {
  CAuthResult result;
  EXPECT_FALSE(result.tokenFlag);
  EXPECT_FALSE(result.pinFlag);
  result.token = Utf16(L"SESSION=anna");
  result.pin = Utf16(L"1234");
  result.tokenFlag = result.pinFlag = true;
  CAuthResult copy;
  copy = result;
  EXPECT_TRUE(copy.tokenFlag && copy.pinFlag);
  EXPECT_NE(result.token.data, copy.token.data);
  std::wstring text;
  copy.GetToken(text);
  EXPECT_EQ(L"SESSION=anna", text);
  result.Clear();
  EXPECT_TRUE(result.token.empty());
  EXPECT_TRUE(result.pin.empty());
  EXPECT_TRUE(result.tokenFlag && result.pinFlag) << "Clear leaves the flags";
  EXPECT_EQ(Utf16(L"1234"), copy.pin);
  result.GetToken(text);
  EXPECT_EQ(L"", text);
}

TEST(AuthResultTest, OddTokenLengthReadsWholeUnitsOnly) {
  CAuthResult result;
  result.token = CSecureBuffer(5, "a\0b\0c");
  std::wstring text;
  result.GetToken(text);
  EXPECT_EQ(L"ab", text);
}

}  // namespace
}  // namespace luma::service::testing
