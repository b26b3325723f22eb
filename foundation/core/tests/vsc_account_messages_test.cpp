#include "foundation/core/vsc_account_messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <typeinfo>

#include "foundation/core/message_classes.h"
#include "foundation/core/tests/test_bytes.h"
#include "foundation/core/vsc_pin_messages.h"

namespace VirtualSmartCardProtocol {
namespace {

CSecureBuffer SessionId() {
  CSecureBuffer id(kSessionIdSize);
  for (DWORD i = 0; i < id.size; ++i) id.data[i] = static_cast<BYTE>(0x30 + i);
  return id;
}

WString Name(const char* prefix, int i) {
  WString text;
  for (const char* p = prefix; *p != 0; ++p) text.push_back(static_cast<WString::value_type>(*p));
  text.push_back(static_cast<WString::value_type>('0' + i));
  return text;
}

std::vector<WString> Names(int count) {
  std::vector<WString> names;
  for (int i = 0; i < count; ++i) names.push_back(Name("item", i));
  return names;
}

std::vector<CAuthenticationValue> Values(int count) {
  std::vector<CAuthenticationValue> values;
  for (int i = 0; i < count; ++i) values.emplace_back(100 + i, Bytes({'p', 'w', i}));
  return values;
}

void AddFields(CAuthenticationFieldResponse& response, int count) {
  for (int i = 0; i < count; ++i)
    response.SetField(CAuthenticationField(10 + i, AuthenticationFieldSecretInput, 24, Name("label", i),
                                           Name("tip", i), Bytes({i, 0})));
}

template <typename T>
std::unique_ptr<T> Scoped(const char* scope) {
  auto m = std::make_unique<T>();
  m->SetSessionId(SessionId());
  m->SetScope(Name(scope, 1));
  return m;
}

template <typename T>
std::unique_ptr<T> ErrorResponse() {
  auto m = std::make_unique<T>();
  m->SetStatus(0x8010006A);
  m->SetErrorMessage(WSTR("refused"));
  return m;
}

template <typename T>
std::unique_ptr<T> List(int n) {
  auto m = std::make_unique<T>();
  m->SetStatus(0);
  m->SetItems(Names(n));
  return m;
}

template <typename T>
std::unique_ptr<T> Fields(int n) {
  auto m = std::make_unique<T>();
  m->SetStatus(0);
  m->SetInteraction(2);
  m->SetMethod(3);
  AddFields(*m, n);
  return m;
}

// Each case fills every field, with n items in its list where it has one, and names a fresh
// object of its class to read the bytes back.
struct MessageCase {
  const char* name;
  std::function<std::unique_ptr<CSerializableMessage>(int n)> filled;
  std::function<std::unique_ptr<CSerializableMessage>()> fresh;
};

template <typename T>
std::function<std::unique_ptr<CSerializableMessage>()> Fresh() {
  return [] { return std::make_unique<T>(); };
}

std::vector<MessageCase> Cases() {
  return {
      {"AuthenticationField",
       [](int) {
         return std::make_unique<CAuthenticationField>(7, AuthenticationFieldText, 4, WSTR("l"), WSTR("t"),
                                                       Bytes({'h', 0, 'i', 0}));
       },
       Fresh<CAuthenticationField>()},
      {"AuthenticationValue",
       [](int) {
         return std::make_unique<CAuthenticationValue>(7, Bytes({1, 2}));
       },
       Fresh<CAuthenticationValue>()},
      {"GetProvidersRequest",
       [](int) {
         auto m = std::make_unique<CGetProvidersRequest>();
         m->SetSessionId(SessionId());
         return m;
       },
       Fresh<CGetProvidersRequest>()},
      {"GetProvidersResponse", [](int n) { return List<CGetProvidersResponse>(n); },
       Fresh<CGetProvidersResponse>()},
      {"GetProviderInfoRequest", [](int) { return Scoped<CGetProviderInfoRequest>("provider"); },
       Fresh<CGetProviderInfoRequest>()},
      {"GetProviderInfoResponse", [](int n) { return Fields<CGetProviderInfoResponse>(n); },
       Fresh<CGetProviderInfoResponse>()},
      {"AddAccountRequest",
       [](int n) {
         auto m = Scoped<CAddAccountRequest>("provider");
         m->SetPersist(1);
         m->SetValues(Values(n));
         return m;
       },
       Fresh<CAddAccountRequest>()},
      {"AddAccountResponse",
       [](int) {
         auto m = ErrorResponse<CAddAccountResponse>();
         m->SetAccountKey(WSTR("corp/alice"));
         return m;
       },
       Fresh<CAddAccountResponse>()},
      {"RefreshAccountRequest", [](int) { return Scoped<CRefreshAccountRequest>("corp/alice"); },
       Fresh<CRefreshAccountRequest>()},
      {"RefreshAccountResponse",
       [](int) {
         auto m = ErrorResponse<CRefreshAccountResponse>();
         m->SetPolicyChanged(0);
         return m;
       },
       Fresh<CRefreshAccountResponse>()},
      {"DeleteAccountRequest", [](int) { return Scoped<CDeleteAccountRequest>("corp/alice"); },
       Fresh<CDeleteAccountRequest>()},
      {"DeleteAccountResponse", [](int) { return ErrorResponse<CDeleteAccountResponse>(); },
       Fresh<CDeleteAccountResponse>()},
      {"GetAccountsRequest", [](int) { return Scoped<CGetAccountsRequest>("corp"); },
       Fresh<CGetAccountsRequest>()},
      {"GetAccountsResponse", [](int n) { return List<CGetAccountsResponse>(n); },
       Fresh<CGetAccountsResponse>()},
      {"GetAccountInfoRequest", [](int) { return Scoped<CGetAccountInfoRequest>("corp/alice"); },
       Fresh<CGetAccountInfoRequest>()},
      {"GetAccountInfoResponse", [](int n) { return Fields<CGetAccountInfoResponse>(n); },
       Fresh<CGetAccountInfoResponse>()},
      {"GetAccountAuthStateRequest", [](int) { return Scoped<CGetAccountAuthStateRequest>("corp/alice"); },
       Fresh<CGetAccountAuthStateRequest>()},
      {"GetAccountAuthStateResponse", [](int) { return ErrorResponse<CGetAccountAuthStateResponse>(); },
       Fresh<CGetAccountAuthStateResponse>()},
      {"DeauthenticateAccountRequest",
       [](int) { return Scoped<CDeauthenticateAccountRequest>("corp/alice"); },
       Fresh<CDeauthenticateAccountRequest>()},
      {"DeauthenticateAccountResponse", [](int) { return ErrorResponse<CDeauthenticateAccountResponse>(); },
       Fresh<CDeauthenticateAccountResponse>()},
      {"GetCertificatesRequest", [](int) { return Scoped<CGetCertificatesRequest>("corp/alice"); },
       Fresh<CGetCertificatesRequest>()},
      {"GetCertificatesResponse", [](int n) { return List<CGetCertificatesResponse>(n); },
       Fresh<CGetCertificatesResponse>()},
      {"GetCertificateInfoRequest", [](int) { return Scoped<CGetCertificateInfoRequest>("{container}"); },
       Fresh<CGetCertificateInfoRequest>()},
      {"GetCertificateInfoResponse",
       [](int n) {
         auto m = std::make_unique<CGetCertificateInfoResponse>();
         m->SetStatus(0);
         m->SetAlias(WSTR("sign"));
         m->SetAccountKey(WSTR("corp/alice"));
         m->SetFriendlyName(WSTR("Alice"));
         m->SetPolicyNotification(WSTR("note"));
         m->SetCertificateType(5);
         m->SetCertificate(Bytes({0x30, 0x82, 1, 0}));
         m->SetNextPinChange(1700000000);
         m->SetMinLength(6);
         m->SetMaxLength(12);
         m->SetMinNumericCharacters(1);
         m->SetMinSymbolCharacters(2);
         m->SetMinUpperCaseCharacters(3);
         m->SetMinLowerCaseCharacters(4);
         m->SetMaxPinCacheTime(300);
         m->SetMaxPinCacheReuse(9);
         m->SetProcesses(Names(n));
         return m;
       },
       Fresh<CGetCertificateInfoResponse>()},
      {"ValidatePINRequest",
       [](int) {
         auto m = Scoped<CValidatePINRequest>("sign");
         m->SetPin(Bytes({'1', '2', '3', '4'}));
         m->SetReserved(3);
         return m;
       },
       Fresh<CValidatePINRequest>()},
      {"ValidatePINResponse", [](int) { return ErrorResponse<CValidatePINResponse>(); },
       Fresh<CValidatePINResponse>()},
      {"ChangePINRequest",
       [](int) {
         auto m = Scoped<CChangePINRequest>("sign");
         m->SetOldPin(Bytes({'1', '2'}));
         m->SetNewPin(Bytes({'3', '4', '5'}));
         m->SetReserved(1);
         return m;
       },
       Fresh<CChangePINRequest>()},
      {"ChangePINResponse", [](int) { return ErrorResponse<CChangePINResponse>(); },
       Fresh<CChangePINResponse>()},
      {"GetAuthenticationStateRequest",
       [](int) {
         auto m = std::make_unique<CGetAuthenticationStateRequest>();
         m->SetSessionId(SessionId());
         m->SetName(WSTR("state"));
         m->SetValue(4);
         return m;
       },
       Fresh<CGetAuthenticationStateRequest>()},
      {"GetAuthenticationStateResponse",
       [](int) {
         auto m = std::make_unique<CGetAuthenticationStateResponse>();
         m->SetStatus(0);
         m->SetFirst(1);
         m->SetSecond(2);
         return m;
       },
       Fresh<CGetAuthenticationStateResponse>()},
      {"AuthenticatePINRequest",
       [](int) {
         auto m = std::make_unique<CAuthenticatePINRequest>();
         m->SetSessionId(SessionId());
         m->SetPinId(9);
         m->SetSecret(Bytes({'9', '9'}));
         return m;
       },
       Fresh<CAuthenticatePINRequest>()},
      {"AuthenticatePINResponse",
       [](int) {
         auto m = std::make_unique<CAuthenticatePINResponse>();
         m->SetStatus(0);
         m->SetPinResult(0x8010006B);
         return m;
       },
       Fresh<CAuthenticatePINResponse>()},
      {"AuthenticateSessionPINRequest",
       [](int) {
         auto m = std::make_unique<CAuthenticateSessionPINRequest>();
         m->SetSessionId(SessionId());
         m->SetPinId(9);
         m->SetSecret(CSecureBuffer(16));
         return m;
       },
       Fresh<CAuthenticateSessionPINRequest>()},
      {"AuthenticateSessionPINResponse",
       [](int) {
         auto m = std::make_unique<CAuthenticateSessionPINResponse>();
         m->SetStatus(0);
         m->SetPinResult(0x8010006B);
         m->SetRemaining(1);
         return m;
       },
       Fresh<CAuthenticateSessionPINResponse>()},
      {"GetExternalValidatedPINRequest",
       [](int) {
         auto m = std::make_unique<CGetExternalValidatedPINRequest>();
         m->SetSessionId(SessionId());
         m->SetPinId(9);
         return m;
       },
       Fresh<CGetExternalValidatedPINRequest>()},
      {"GetExternalValidatedPINResponse",
       [](int) {
         auto m = std::make_unique<CGetExternalValidatedPINResponse>();
         m->SetStatus(0);
         m->SetPinResult(0);
         m->SetToken(SessionId());
         return m;
       },
       Fresh<CGetExternalValidatedPINResponse>()},
      {"AuthenticateAccountRequest",
       [](int n) {
         auto m = Scoped<CAuthenticateAccountRequest>("corp/alice");
         m->SetValues(Values(n));
         return m;
       },
       Fresh<CAuthenticateAccountRequest>()},
      {"AuthenticateAccountResponse", [](int) { return ErrorResponse<CAuthenticateAccountResponse>(); },
       Fresh<CAuthenticateAccountResponse>()},
      {"DeauthenticatePINRequest",
       [](int) {
         auto m = std::make_unique<CDeauthenticatePINRequest>();
         m->SetSessionId(SessionId());
         m->SetPinId(9);
         return m;
       },
       Fresh<CDeauthenticatePINRequest>()},
      {"DeauthenticatePINResponse",
       [](int) {
         auto m = std::make_unique<CDeauthenticatePINResponse>();
         m->SetStatus(ERROR_INVALID_HANDLE);
         return m;
       },
       Fresh<CDeauthenticatePINResponse>()},
  };
}

// The message's wire bytes with its last element cut off and the length header adjusted.
CSecureBuffer WithoutLastElement(const CSerializableMessage& message) {
  CMessageSerialization s;
  EXPECT_TRUE(message.Serialize(s));
  const DWORD lastSize = 8 + s.Elements().back().value.size;
  const CSecureBuffer whole = ToWire(message);
  CSecureBuffer shorter(whole.size - lastSize, whole.data);
  const DWORD total = whole.size - 4 - lastSize;
  for (int i = 0; i < 4; ++i) shorter.data[i] = static_cast<BYTE>(total >> (8 * i));
  return shorter;
}

TEST(AccountMessagesTest, EveryClassRoundTripsWithListsOfZeroOneAndThreeItems) {
  for (const auto& c : Cases()) {
    for (int n : {0, 1, 3}) {
      SCOPED_TRACE(std::string(c.name) + " with " + std::to_string(n) + " items");
      const auto filled = c.filled(n);
      const CSecureBuffer wire = ToWire(*filled);
      ASSERT_FALSE(wire.empty());
      auto read = c.fresh();
      ASSERT_TRUE(FromWire(wire, *read));
      EXPECT_EQ(ToWire(*read), wire);
      EXPECT_NE(ToWire(*c.fresh()), wire) << "the case must differ from the defaults";

      // Every field is required: one element short (for a list, a count larger than the items
      // present) fails to read.
      auto shortRead = c.fresh();
      EXPECT_FALSE(FromWire(WithoutLastElement(*filled), *shortRead));
    }
  }
}

TEST(AccountMessagesTest, EveryClassIsCoveredByTheFuzzTarget) {
  const auto every = CreateEveryMessageClass();
  for (const auto& c : Cases()) {
    const auto fresh = c.fresh();
    const CSerializableMessage& expected = *fresh;
    const std::type_info& type = typeid(expected);
    const bool listed = std::any_of(every.begin(), every.end(), [&](const auto& m) {
      const CSerializableMessage& message = *m;
      return typeid(message) == type;
    });
    EXPECT_TRUE(listed) << c.name;
  }
}

TEST(AccountMessagesTest, ConstructorDefaults) {
  CRefreshAccountResponse refresh;
  EXPECT_EQ(refresh.GetStatus(), static_cast<DWORD>(ERROR_INVALID_DATA));
  EXPECT_EQ(refresh.GetPolicyChanged(), 1u);
  EXPECT_FALSE(refresh.IsPadded());

  EXPECT_EQ(CAuthenticatePINResponse().GetPinResult(), 0xFFFFFFFFu);
  EXPECT_EQ(CAuthenticatePINResponse().GetRemaining(), 0xFFFFFFFFu);
  EXPECT_EQ(CGetExternalValidatedPINResponse().GetPinResult(), 87u);
  EXPECT_EQ(CAuthenticateSessionPINResponse().GetPinResult(), 0xFFFFFFFFu);
  EXPECT_EQ(CAuthenticateSessionPINResponse().GetRemaining(), 0xFFFFFFFFu);
  EXPECT_EQ(CAddAccountRequest().GetSessionId(), CSecureBuffer(16));

  // A GetCertificateInfo response left as constructed: header, four empty strings, then zeros,
  // an empty certificate and an empty process list.
  CMessageSerialization s;
  ASSERT_TRUE(CGetCertificateInfoResponse().Serialize(s));
  ASSERT_EQ(s.ElementCount(), 20u);
  for (DWORD i = 4; i < 20; ++i) {
    if (i == 9) continue;  // the certificate blob
    EXPECT_TRUE(s.Elements()[i].type == ElementTypeString ? s.Elements()[i].value.empty()
                                                          : s.Elements()[i].value == Bytes({0, 0, 0, 0}))
        << i;
  }
  EXPECT_TRUE(s.Elements()[9].value.empty());
}

TEST(AccountMessagesTest, CopiesOfAuthenticationRequestsCarryTheValues) {
  CAuthenticateAccountRequest request;
  request.SetScope(WSTR("corp/alice"));
  request.SetValues(Values(2));
  CAuthenticateAccountRequest copy;
  copy = request;
  EXPECT_EQ(ToWire(copy), ToWire(request));
  ASSERT_EQ(copy.GetValues().size(), 2u);
  EXPECT_EQ(copy.GetValues()[1].GetValue(), Bytes({'p', 'w', 1}));
}

}  // namespace
}  // namespace VirtualSmartCardProtocol
