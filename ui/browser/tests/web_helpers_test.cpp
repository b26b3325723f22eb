// The web helpers against the platform: URL parsing, escaping of template values and the cookie
// store, including a cookie too long for the first buffer.
#include "ui/browser/web_helpers.h"

#include <gtest/gtest.h>

// windows.h first.
// clang-format off
#include <windows.h>
#include <wininet.h>
// clang-format on

#include <string>

#include "ui/controls/cracked_url.h"

namespace luma::ui {
namespace {

TEST(CrackedUrlTest, SplitsHttpsAddressAndKeepsWhatItCannotSplit) {
  const CCrackedUrl full(L"https://login.example.test:8443/portal?user=anna#top");
  EXPECT_EQ(INTERNET_SCHEME_HTTPS, full.scheme);
  EXPECT_EQ(8443, full.port);
  EXPECT_EQ(L"https", full.schemeName);
  EXPECT_EQ(L"login.example.test", full.hostName);
  EXPECT_EQ(L"/portal", full.urlPath);
  EXPECT_EQ(L"?user=anna#top", full.extraInfo);
  EXPECT_EQ(L"https://login.example.test:8443/portal?user=anna#top", full.url);

  const CCrackedUrl plain(L"login.example.test/portal");
  EXPECT_EQ(-1, plain.scheme);
  EXPECT_EQ(0, plain.port);
  EXPECT_EQ(L"login.example.test/portal", plain.url);
  EXPECT_TRUE(plain.hostName.empty() && plain.urlPath.empty() && plain.extraInfo.empty());

  EXPECT_TRUE(full.SameOrigin(CCrackedUrl(L"https://login.example.test:8443/other")));
  EXPECT_FALSE(full.SameOrigin(CCrackedUrl(L"https://Login.example.test:8443/portal")));
  EXPECT_FALSE(full.SameOrigin(CCrackedUrl(L"http://login.example.test:8443/portal")));
}

TEST(EscapeUrlValueTest, EscapesBlanksAndLeavesPlainValues) {
  EXPECT_EQ(L"anna%20berg", EscapeUrlValue(L"anna berg"));
  EXPECT_EQ(L"anna", EscapeUrlValue(L"anna"));
  EXPECT_EQ(L"", EscapeUrlValue(L""));
  const std::wstring tooLong(3000, L'a');  // longer than any URL: unchanged
  EXPECT_EQ(tooLong, EscapeUrlValue(tooLong));
}

TEST(CookieByNameTest, ReadsShortAndLongCookiesAndExpiresThem) {
  const std::wstring url = L"https://cookies.example.test/login";
  CNavigationContext context(nullptr, nullptr, url, L"");
  ASSERT_TRUE(InternetSetCookieW(url.c_str(), L"AL_SESS-S", L"short-1"));
  EXPECT_EQ(L"AL_SESS-S=short-1", GetCookieByName(context, L"AL_SESS-S"));

  const std::wstring longValue(4200, L'x');  // more than the first buffer holds
  ASSERT_TRUE(InternetSetCookieW(url.c_str(), L"AL_LONG", longValue.c_str()));
  EXPECT_EQ(L"AL_LONG=" + longValue, GetCookieByName(context, L"AL_LONG"));

  EXPECT_TRUE(ExpireCookie(url, L"AL_SESS-S"));
  EXPECT_TRUE(GetCookieByName(context, L"AL_SESS-S").empty());
  EXPECT_TRUE(GetCookieByName(context, L"missing").empty());
  CNavigationContext nowhere;
  EXPECT_TRUE(GetCookieByName(nowhere, L"AL_SESS-S").empty());
  ExpireCookie(url, L"AL_LONG");
}

TEST(SslSessionCacheTest, ClearingRunsWhereverTheEntriesExist) {
  ClearSslSessionCache();  // each half is skipped when its library or entry is missing
  SUCCEED();
}

}  // namespace
}  // namespace luma::ui
