#include "service/core/session_cookie.h"

#include <gtest/gtest.h>

namespace luma::service {
namespace {

TEST(SessionCookieTest, KeepsNameAndValueAsABrowserDoes) {
  struct Case {
    const WString::value_type* header;
    const WString::value_type* cookie;
  } const cases[] = {
      {WSTR("SESSION=anna; Path=/; Secure; HttpOnly"), WSTR("SESSION=anna")},
      {WSTR("SESSION=anna"), WSTR("SESSION=anna")},
      {WSTR(" SESSION = a=b==\t; Expires=Wed, 21 Oct 2026 07:28:00 GMT"), WSTR("SESSION=a=b==")},
      {WSTR("SESSION=; Max-Age=0"), WSTR("SESSION=")},
      {WSTR("=anna; Path=/"), WSTR("")},       // no name
      {WSTR("SESSION; Path=/x=y"), WSTR("")},  // no "=" before the attributes
      {WSTR(""), WSTR("")},
  };
  for (const Case& c : cases) EXPECT_EQ(WString(c.cookie), SessionCookieFromSetCookie(c.header));
}

}  // namespace
}  // namespace luma::service
