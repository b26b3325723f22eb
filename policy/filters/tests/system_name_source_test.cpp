#include "policy/filters/system_name_source.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "policy/core/process_filter_objects.h"
#include "policy/filters/expression_filter_objects.h"

namespace {

// Answers of the replaced system calls, and the buffer sizes each call was given.
struct ScriptedNames {
  std::map<int, std::wstring> computer;
  std::map<int, std::wstring> user;
  std::vector<unsigned long> sizes;
};
ScriptedNames* g_script = nullptr;

BOOL Answer(const std::map<int, std::wstring>& answers, int key, WCHAR* buffer, unsigned long* size) {
  g_script->sizes.push_back(*size);
  const auto found = answers.find(key);
  if (found == answers.end()) {
    SetLastError(ERROR_NONE_MAPPED);
    return FALSE;
  }
  if (found->second.size() >= *size) {
    // Too long: the system reports the size it needs and fails; write a full buffer anyway.
    std::wmemset(buffer, L'x', *size);
    *size = static_cast<unsigned long>(found->second.size() + 1);
    SetLastError(ERROR_MORE_DATA);
    return FALSE;
  }
  std::wmemcpy(buffer, found->second.c_str(), found->second.size() + 1);
  *size = static_cast<unsigned long>(found->second.size());
  return TRUE;
}
BOOL ScriptedComputerName(ComputerNameKind kind, WCHAR* buffer, DWORD* size) {
  unsigned long n = *size;
  const BOOL ok = Answer(g_script->computer, static_cast<int>(kind), buffer, &n);
  *size = n;
  return ok;
}
BOOL ScriptedUserName(UserNameFormat format, WCHAR* buffer, ULONG* size) {
  unsigned long n = *size;
  const BOOL ok = Answer(g_script->user, static_cast<int>(format), buffer, &n);
  *size = n;
  return ok;
}

class SystemNameSourceTest : public ::testing::Test {
 protected:
  void SetUp() override { g_script = &script_; }
  void TearDown() override { g_script = nullptr; }
  ScriptedNames script_;
  CWindowsSystemNameSource source_{ScriptedComputerName, ScriptedUserName};
};

TEST_F(SystemNameSourceTest, DomainMemberGetsEveryVariableTrimmed) {
  script_.computer = {{0, L"PC7 "}, {1, L"pc7"}, {2, L" corp.example.test"}, {3, L"pc7.corp.example.test"}};
  script_.user = {{8, L"alice@CORP.EXAMPLE.TEST"}, {2, L"CORP\\alice"}};
  std::map<std::wstring, std::wstring> variables;
  luma::policy::GetBuiltInVariables(source_, variables);
  const std::map<std::wstring, std::wstring> expected = {{L"COMPUTER_NETBIOS_HOSTNAME", L"PC7"},
                                                         {L"COMPUTER_DNS_HOSTNAME", L"pc7"},
                                                         {L"COMPUTER_DNS_DOMAIN", L"corp.example.test"},
                                                         {L"COMPUTER_DNS_FQDN", L"pc7.corp.example.test"},
                                                         {L"USER_UPN", L"alice@CORP.EXAMPLE.TEST"},
                                                         {L"USER_UPN_NAME", L"alice"},
                                                         {L"USER_UPN_DOMAIN", L"CORP.EXAMPLE.TEST"},
                                                         {L"USER_LOGIN_NAME", L"alice"},
                                                         {L"USER_LOGIN_DOMAIN", L"CORP"}};
  EXPECT_EQ(variables, expected);
  // Every call is given the whole buffer again.
  for (const unsigned long size : script_.sizes) EXPECT_EQ(size, CWindowsSystemNameSource::kNameBufferChars);
}

TEST_F(SystemNameSourceTest, FailedAndOverlongAnswersDefineNothing) {
  script_.computer = {{0, std::wstring(CWindowsSystemNameSource::kNameBufferChars, L'n')},
                      {1, std::wstring(CWindowsSystemNameSource::kNameBufferChars - 1, L'h')}};
  std::wstring name = L"unchanged";
  EXPECT_FALSE(source_.QueryComputerName(ComputerNameKind::NetBIOS, name));
  EXPECT_EQ(name, L"unchanged");
  EXPECT_FALSE(source_.QueryComputerName(ComputerNameKind::DnsDomain, name));
  EXPECT_FALSE(source_.QueryUserName(UserNameFormat::UserPrincipal, name));
  ASSERT_TRUE(source_.QueryComputerName(ComputerNameKind::DnsHostname, name));  // 259 characters fit
  EXPECT_EQ(name.size(), CWindowsSystemNameSource::kNameBufferChars - 1);
}

TEST(SystemNamesTest, TheSystemAnswersTheLoginNameAndAPrincipalNameFallback) {
  const CWindowsSystemNameSource system;
  std::wstring netbios;
  ASSERT_TRUE(system.QueryComputerName(ComputerNameKind::NetBIOS, netbios));
  WCHAR plain[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  ASSERT_TRUE(GetComputerNameW(plain, &size));
  EXPECT_EQ(netbios, plain);

  std::map<std::wstring, std::wstring> variables;
  luma::policy::GetBuiltInVariables(system, variables);
  ASSERT_EQ(variables.count(L"USER_LOGIN_NAME"), 1u);
  ASSERT_EQ(variables.count(L"USER_UPN"), 1u);  // the principal name, else one made of the account name
  EXPECT_FALSE(variables[L"USER_LOGIN_NAME"].empty());
  if (variables.count(L"USER_UPN_NAME") != 0) {
    EXPECT_EQ(variables[L"USER_UPN"], variables[L"USER_UPN_NAME"] + L"@" + variables[L"USER_UPN_DOMAIN"]);
  }
}

TEST(SystemNamesTest, ProcessProviderIgnoresCaseAndReadsUndefinedNamesAsUndef) {
  const auto provider = luma::policy::GetCertFilterObjects().variableProvider;
  ASSERT_TRUE(provider);
  EXPECT_EQ(provider->GetValue(L"user_login_name"), provider->GetValue(L"USER_LOGIN_NAME"));
  EXPECT_NE(provider->GetValue(L"USER_LOGIN_NAME"), L"<undef>");
  EXPECT_EQ(provider->GetValue(L"NOT_A_VARIABLE"), L"<undef>");
  EXPECT_EQ(provider->GetValue(L""), luma::policy::kUndefinedVariableValue);
}

}  // namespace
