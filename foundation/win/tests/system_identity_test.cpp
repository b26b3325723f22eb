// What the machine and the user look like to the program. Under Wine the machine is in a workgroup,
// principal names are unknown (1332), there is no smart-card service and every session is the console;
// the parsing behind these calls is tested with tables in the portable core.
#define SECURITY_WIN32
#include <gtest/gtest.h>
// clang-format off
#include <windows.h>
#include <secext.h>
#include <winscard.h>
// clang-format on

#include "foundation/win/system_utils.h"

namespace {

TEST(SystemIdentityTest, ComputerAndUserSid) {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  ASSERT_TRUE(GetComputerNameW(name, &size));
  EXPECT_EQ(name, luma::GetLocalComputerName());

  const std::wstring sid = luma::GetCurrentUserSidString();
  EXPECT_EQ(0u, sid.rfind(L"S-1-", 0)) << sid.c_str();
  EXPECT_EQ(sid, luma::GetCurrentUserSidString());
}

TEST(SystemIdentityTest, LogonAndPrincipalNamesAgree) {
  std::wstring user, domain;
  luma::GetCurrentUserLogonName(user, domain);
  ASSERT_FALSE(user.empty());
  ASSERT_FALSE(domain.empty());

  std::wstring upn, upnUser, upnDomain;
  luma::GetCurrentUserUPN(upn, upnUser, upnDomain);
  ASSERT_FALSE(upn.empty());
  EXPECT_EQ(upnUser + L"@" + upnDomain, upn);
  wchar_t principal[260];
  ULONG length = 260;
  if (!GetUserNameExW(NameUserPrincipal, principal, &length) &&
      !GetUserNameExW(NameDnsDomain, principal, &length)) {
    // Only the SAM-compatible name is known (as under Wine): the principal name is made from it.
    EXPECT_EQ(user + L"@" + domain, upn);
  }
}

TEST(SystemIdentityTest, DomainMembershipMatchesTheJoinState) {
  const std::wstring domain = luma::GetJoinedDomainName();
  wchar_t dns[256];
  DWORD size = 256;
  if (!GetComputerNameExW(ComputerNameDnsDomain, dns, &size) || size == 0) {
    EXPECT_EQ(L"", domain) << "a workgroup machine has no joined domain";
  }
}

TEST(SystemIdentityTest, GroupMembership) {
  bool member = true;
  EXPECT_NE(0u, luma::IsCurrentUserInGroup(L"no such group 7f3a", member));
  EXPECT_FALSE(member);
  // Everyone holds every token.
  DWORD result = luma::IsCurrentUserInGroup(L"Everyone", member);
  if (result == ERROR_NONE_MAPPED) GTEST_SKIP() << "the system cannot look up well-known group names";
  ASSERT_EQ(0u, result);
  EXPECT_TRUE(member);
}

TEST(SystemIdentityTest, ActiveConsoleSessionIsTheConsole) {
  DWORD session = 0;
  ASSERT_TRUE(ProcessIdToSessionId(GetCurrentProcessId(), &session));
  if (session != WTSGetActiveConsoleSessionId()) GTEST_SKIP() << "running in a remote session";
  EXPECT_TRUE(luma::IsConsoleSession());
}

TEST(SystemIdentityTest, NoSmartCardServiceMeansNoVirtualReader) {
  SCARDCONTEXT context = 0;
  if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context) == SCARD_S_SUCCESS) {
    SCardReleaseContext(context);
    GTEST_SKIP() << "a smart card service runs; its readers decide";
  }
  EXPECT_FALSE(luma::IsVirtualReaderPresent());
}

TEST(SystemIdentityTest, DisplaySignatureOfTheDesktop) {
  const std::wstring signature = luma::GetDisplaySignature(GetDesktopWindow());
  if (signature.empty()) GTEST_SKIP() << "no monitor (headless)";
  EXPECT_NE(std::wstring::npos, signature.find(L'x'));
  EXPECT_NE(std::wstring::npos, signature.find(L'@'));
}

}  // namespace
