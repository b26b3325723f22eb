#include "policy/core/auth_type.h"

#include <gtest/gtest.h>

namespace {

TEST(AuthTypeTest, NamesCompareWithoutRegardToAsciiCase) {
  struct Case {
    const WCHAR* name;
    AuthType type;
  } const cases[] = {
      {WSTR("PASSWORD"), AUTH_TYPE_PASSWORD}, {WSTR("otp"), AUTH_TYPE_OTP},
      {WSTR("Sms"), AUTH_TYPE_SMS},           {WSTR("certificate"), AUTH_TYPE_CERTIFICATE},
      {WSTR("kerberos"), AUTH_TYPE_KERBEROS}, {WSTR("NeGoTiAtE"), AUTH_TYPE_NEGOTIATE},
      {WSTR("BROWSER"), AUTH_TYPE_BROWSER},   {WSTR(""), AUTH_TYPE_NONE},
      {WSTR(" OTP"), AUTH_TYPE_NONE},         {WSTR("OTPX"), AUTH_TYPE_NONE},
      {WSTR("\u00d3TP"), AUTH_TYPE_NONE},  // only A to Z fold
  };
  for (const auto& c : cases) EXPECT_EQ(luma::policy::AuthTypeFromName(c.name), c.type);
}

TEST(AuthTypeTest, OnlyKerberosAndNegotiateAreIntegrated) {
  for (int type = AUTH_TYPE_NONE; type <= AUTH_TYPE_BROWSER; ++type) {
    EXPECT_EQ(luma::policy::IsIntegratedAuthType(type),
              type == AUTH_TYPE_KERBEROS || type == AUTH_TYPE_NEGOTIATE)
        << type;
  }
}

}  // namespace
