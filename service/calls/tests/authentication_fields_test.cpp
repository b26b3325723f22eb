// The provider and account catalogues of the GetProviderInfo and GetAccountInfo answers, per
// authentication method.
#include "service/calls/authentication_fields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/core/vsc_account_messages.h"
#include "foundation/win/system_utils.h"
#include "service/auth/tests/auth_test_support.h"

namespace luma::service::testing {
namespace {

using VirtualSmartCardProtocol::CAuthenticationField;
using VirtualSmartCardProtocol::CGetAccountInfoResponse;
using VirtualSmartCardProtocol::CGetProviderInfoResponse;

std::wstring Text(const CAuthenticationField& field) {
  const CSecureBuffer& value = field.GetValue();
  return std::wstring(reinterpret_cast<const wchar_t*>(value.data), value.size / sizeof(wchar_t));
}

std::vector<DWORD> Ids(const std::vector<CAuthenticationField>& fields) {
  std::vector<DWORD> ids;
  for (const auto& field : fields) ids.push_back(field.GetId());
  return ids;
}

const CAuthenticationField* Find(const std::vector<CAuthenticationField>& fields, DWORD id) {
  for (const auto& field : fields) {
    if (field.GetId() == id) return &field;
  }
  return nullptr;
}

// Every text setting of the methods names itself, so a label shows where it came from.
std::shared_ptr<CAuthConfig> NamedMethod(int type, bool interactive) {
  std::shared_ptr<CAuthConfig> method = MethodOf(type, interactive);
  if (auto* password = dynamic_cast<CPasswordConfig*>(method.get())) {
    password->HintUserID = L"HintUserID";
    password->ToolTipUserID = L"ToolTipUserID";
    password->HintPassword = L"HintPassword";
    password->ToolTipPassword = L"ToolTipPassword";
  } else if (auto* otp = dynamic_cast<COTPConfig*>(method.get())) {
    otp->HintUserID = L"HintUserID";
    otp->ToolTipUserID = L"ToolTipUserID";
    otp->HintPassword = L"HintPassword";
    otp->ToolTipPassword = L"ToolTipPassword";
    otp->HintOTP = L"HintOTP";
    otp->ToolTipOTP = L"ToolTipOTP";
  } else if (auto* sms = dynamic_cast<CSMSConfig*>(method.get())) {
    sms->HintUserID = L"HintUserID";
    sms->ToolTipUserID = L"ToolTipUserID";
    sms->HintPassword = L"HintPassword";
    sms->ToolTipPassword = L"ToolTipPassword";
    sms->HintSMS = L"HintSMS";
    sms->ToolTipSMS = L"ToolTipSMS";
  } else if (auto* certificate = dynamic_cast<CCertificateConfig*>(method.get())) {
    certificate->CertStoreName = L"My Store";
    certificate->CertStoreType = 0x20000;
    certificate->AuthenticationCertificateFilter = L"(KeyLength>=2048)";
  }
  return method;
}

struct ProviderCase {
  const char* name;
  int type;
  bool interactive;
  const wchar_t* managementUrl;
  std::vector<DWORD> ids;
  DWORD interaction;
  DWORD method;
};

class ProviderFieldsTest : public ::testing::TestWithParam<ProviderCase> {};

TEST_P(ProviderFieldsTest, CatalogueFollowsTheMethod) {
  const ProviderCase& c = GetParam();
  CProviderConfig config;
  config.name = L"ACME";
  config.Name = L"Acme Trust";
  config.Description = L"Signing keys of Acme";
  config.AccountManagementURL = c.managementUrl;
  config.authConfig = NamedMethod(c.type, c.interactive);
  auto provider = std::make_shared<CProviderContext>(config);

  CGetProviderInfoResponse response;
  luma::calls::FillProviderFields(provider, response);
  const auto& fields = response.GetFields();
  EXPECT_EQ(c.ids, Ids(fields));
  EXPECT_EQ(c.interaction, response.GetInteraction());
  EXPECT_EQ(c.method, response.GetMethod());

  for (const auto& field : fields) {
    const DWORD id = field.GetId();
    SCOPED_TRACE(id);
    if (id >= 1001 && id <= 1004) {
      // Input fields: empty value, the method's hint and tool tip.
      EXPECT_EQ(24u, field.GetFlags());
      EXPECT_EQ(id == 1002 ? 5u : 4u, field.GetKind());
      EXPECT_TRUE(field.GetValue().empty());
      const wchar_t* suffix = id == 1001   ? L"UserID"
                              : id == 1002 ? L"Password"
                              : id == 1003 ? L"OTP"
                                           : L"SMS";
      EXPECT_EQ(std::wstring(L"Hint") + suffix, field.GetLabel());
      EXPECT_EQ(std::wstring(L"ToolTip") + suffix, field.GetToolTip());
    } else {
      EXPECT_TRUE(field.GetLabel().empty());
      EXPECT_TRUE(field.GetToolTip().empty());
      EXPECT_EQ(id == 102 || id == 103 ? 4u : 5u, field.GetFlags());
      EXPECT_EQ(id == 305 ? 6u : 3u, field.GetKind());
    }
  }
  EXPECT_EQ(L"ACME", Text(*Find(fields, 101)));
  EXPECT_EQ(L"Acme Trust", Text(*Find(fields, 102)));
  EXPECT_EQ(L"Signing keys of Acme", Text(*Find(fields, 103)));
  if (const auto* url = Find(fields, 2001)) {
    EXPECT_EQ(c.managementUrl, Text(*url));
  }
  if (const auto* store = Find(fields, 304)) {
    EXPECT_EQ(L"My Store", Text(*store));
    EXPECT_EQ(CSecureBuffer(4, "\x00\x00\x02\x00"), Find(fields, 305)->GetValue());
    EXPECT_EQ(L"(KeyLength>=2048)", Text(*Find(fields, 306)));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Methods, ProviderFieldsTest,
    ::testing::Values(
        ProviderCase{"Password", AUTH_TYPE_PASSWORD, true, L"", {101, 102, 103, 1001, 1002}, 2, 2},
        ProviderCase{
            "OtpWithoutManagementUrl", AUTH_TYPE_OTP, true, L"", {101, 102, 103, 1001, 1002, 1003}, 2, 2},
        ProviderCase{"Sms",
                     AUTH_TYPE_SMS,
                     true,
                     L"https://acme.example/account",
                     {101, 102, 103, 2001, 1001, 1002, 1004},
                     2,
                     3},
        ProviderCase{
            "SilentCertificate", AUTH_TYPE_CERTIFICATE, false, L"", {101, 102, 103, 304, 305, 306}, 1, 4},
        ProviderCase{"CertificateWithLoginUrl",
                     AUTH_TYPE_CERTIFICATE,
                     true,
                     L"",
                     {101, 102, 103, 304, 305, 306},
                     2,
                     4},
        ProviderCase{"Kerberos", AUTH_TYPE_KERBEROS, false, L"", {101, 102, 103}, 1, 5},
        ProviderCase{"KerberosWithManagementUrl",
                     AUTH_TYPE_KERBEROS,
                     false,
                     L"https://acme.example/account",
                     {101, 102, 103, 2001},
                     1,
                     5},
        ProviderCase{"Negotiate", AUTH_TYPE_NEGOTIATE, false, L"", {101, 102, 103}, 1, 6},
        ProviderCase{"Browser", AUTH_TYPE_BROWSER, true, L"", {101, 102, 103}, 2, 0},
        ProviderCase{"NoMethod", AUTH_TYPE_NONE, true, L"", {101, 102, 103}, 2, 0}),
    [](const ::testing::TestParamInfo<ProviderCase>& info) { return std::string(info.param.name); });

FILETIME FileTimeOf(WORD year, WORD month, WORD day) {
  SYSTEMTIME system{};
  system.wYear = year;
  system.wMonth = month;
  system.wDay = day;
  FILETIME file{};
  SystemTimeToFileTime(&system, &file);
  return file;
}

CSecureBuffer LittleEndian(std::uint32_t n) {
  const BYTE bytes[4] = {BYTE(n), BYTE(n >> 8), BYTE(n >> 16), BYTE(n >> 24)};
  return CSecureBuffer(4, bytes);
}

TEST(AccountFieldsTest, CatalogueFollowsTheProviderFieldsAndReplacesEqualIds) {
  auto policy = MakeAccount(L"ACME/anna");
  policy->userId = L"anna";
  policy->userFriendlyName = L"Anna Example";
  policy->issuerId = L"test-vault";
  policy->issuerIcon = CSecureBuffer(3, "\x89PN");
  policy->thisUpdate = FileTimeOf(2026, 12, 1);
  policy->nextUpdate = FileTimeOf(2110, 1, 1);  // beyond 2^32 seconds: the low 32 bits travel

  CGetAccountInfoResponse response;
  response.SetField(luma::calls::TextField(201, L"stale", 4));
  luma::calls::FillAccountFields(policy, response);
  const auto& fields = response.GetFields();
  EXPECT_EQ((std::vector<DWORD>{201, 1, 202, 203, 204, 205, 206}), Ids(fields)) << "201 replaced in place";

  EXPECT_EQ(L"ACME/anna", Text(*Find(fields, 1)));
  EXPECT_EQ(5u, Find(fields, 1)->GetFlags());
  EXPECT_EQ(L"anna", Text(*Find(fields, 201)));
  EXPECT_EQ(L"Anna Example", Text(*Find(fields, 202)));
  EXPECT_EQ(L"test-vault", Text(*Find(fields, 203)));
  EXPECT_EQ(2u, Find(fields, 204)->GetKind());
  EXPECT_EQ(CSecureBuffer(3, "\x89PN"), Find(fields, 204)->GetValue());
  EXPECT_EQ(6u, Find(fields, 205)->GetKind());
  EXPECT_EQ(LittleEndian(1796083200u), Find(fields, 205)->GetValue());
  EXPECT_EQ(LittleEndian(static_cast<std::uint32_t>(4417977600ll)), Find(fields, 206)->GetValue());
}

TEST(AuthenticationValueTest, TextReadsWholeUnitsOnly) {
  VirtualSmartCardProtocol::CAuthenticationValue value(1001, CSecureBuffer(5, "a\0n\0n"));
  EXPECT_EQ(L"an", luma::calls::GetValue(value));
  VirtualSmartCardProtocol::CAuthenticationField field = luma::calls::TextField(7, L"x", 4);
  luma::calls::SetValue(field, 0x01020304u);
  EXPECT_EQ(CSecureBuffer(4, "\x04\x03\x02\x01"), field.GetValue());
  EXPECT_EQ(3u, field.GetKind()) << "only the value changes";
}

}  // namespace
}  // namespace luma::service::testing
