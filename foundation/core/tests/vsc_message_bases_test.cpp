#include "foundation/core/vsc_message_bases.h"

#include <gtest/gtest.h>

#include "foundation/core/tests/test_bytes.h"
#include "foundation/core/vsc_account_messages.h"

namespace VirtualSmartCardProtocol {
namespace {

// A GetAccounts response header with the given count and string items.
CSecureBuffer ListWire(DWORD count, std::initializer_list<const WCHAR*> items) {
  CMessageSerialization s;
  for (DWORD v : std::initializer_list<DWORD>{static_cast<DWORD>(MessageTypeGetAccounts), 1u, 0u, 0u, count})
    s.AddDWORD(v);
  for (const WCHAR* item : items) s.AddString(item);
  CSecureBuffer wire;
  s.Serialize(wire);
  return wire;
}

TEST(MessageBasesTest, ListCountsMustMatchTheItemsPresent) {
  CGetAccountsResponse response;
  ASSERT_TRUE(FromWire(ListWire(2, {WSTR("a"), WSTR("b")}), response));
  EXPECT_EQ(response.GetItems(), (std::vector<WString>{WSTR("a"), WSTR("b")}));

  EXPECT_FALSE(FromWire(ListWire(2, {WSTR("a")}), response));
  // A count no message can hold fails at the end of the elements, without reserving for it.
  EXPECT_FALSE(FromWire(ListWire(0xFFFFFFFF, {WSTR("a")}), response));

  // Reading again replaces the list.
  ASSERT_TRUE(FromWire(ListWire(1, {WSTR("z")}), response));
  EXPECT_EQ(response.GetItems(), (std::vector<WString>{WSTR("z")}));
  ASSERT_TRUE(FromWire(ListWire(0, {}), response));
  EXPECT_TRUE(response.GetItems().empty());
}

TEST(MessageBasesTest, HugeRecordCountsFailFast) {
  // Authentication values and fields take several elements each; the count alone must not size
  // anything.
  CMessageSerialization s;
  for (DWORD v : std::initializer_list<DWORD>{static_cast<DWORD>(MessageTypeAuthenticateAccount), 1u})
    s.AddDWORD(v);
  s.AddBlob(CSecureBuffer(16));
  s.AddString(WSTR("corp/alice"));
  s.AddDWORD(0xFFFFFFFF);
  s.AddDWORD(1);
  s.AddBlob(Bytes({1}));
  CSecureBuffer wire;
  ASSERT_TRUE(s.Serialize(wire));
  CAuthenticateAccountRequest request;
  EXPECT_FALSE(FromWire(wire, request));

  CMessageSerialization f;
  for (DWORD v : std::initializer_list<DWORD>{static_cast<DWORD>(MessageTypeGetProviderInfo), 1u, 0u, 0u, 2u,
                                              2u, 0xFFFFFFFFu})
    f.AddDWORD(v);
  ASSERT_TRUE(f.Serialize(wire));
  CGetProviderInfoResponse info;
  EXPECT_FALSE(FromWire(wire, info));
}

TEST(MessageBasesTest, SetFieldReplacesInPlaceOrAppends) {
  CGetProviderInfoResponse response;
  response.SetField(CAuthenticationField(1, AuthenticationFieldInput, 4, WSTR("user"), WSTR(""), {}));
  response.SetField(
      CAuthenticationField(2, AuthenticationFieldSecretInput, 5, WSTR("password"), WSTR(""), {}));
  response.SetField(
      CAuthenticationField(3, AuthenticationFieldText, 24, WSTR(""), WSTR(""), Bytes({'x', 0})));
  response.SetField(CAuthenticationField(2, AuthenticationFieldSecretInput, 5, WSTR("PIN"), WSTR("tip"), {}));
  ASSERT_EQ(response.GetFields().size(), 3u);
  EXPECT_EQ(response.GetFields()[1].GetId(), 2u);
  EXPECT_EQ(response.GetFields()[1].GetLabel(), WSTR("PIN"));
  EXPECT_EQ(response.GetFields()[1].GetToolTip(), WSTR("tip"));
  EXPECT_EQ(response.GetFields()[2].GetId(), 3u);

  // Setting a field from the list itself changes nothing.
  response.SetField(response.GetFields()[0]);
  ASSERT_EQ(response.GetFields().size(), 3u);
  EXPECT_EQ(response.GetFields()[0].GetLabel(), WSTR("user"));
}

TEST(MessageBasesTest, PaddedListCarriesMinusOneBeforeTheCount) {
  CGetAccountsResponse response;
  response.SetStatus(0);
  response.AddItem(WSTR("corp/alice"));
  CMessageSerialization plain;
  ASSERT_TRUE(response.Serialize(plain));
  ASSERT_EQ(plain.ElementCount(), 6u);
  EXPECT_EQ(plain.Elements()[4].value, Bytes({1, 0, 0, 0}));

  response.SetPadded(true);
  CMessageSerialization padded;
  ASSERT_TRUE(response.Serialize(padded));
  ASSERT_EQ(padded.ElementCount(), 7u);
  EXPECT_EQ(padded.Elements()[4].value, Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(padded.Elements()[5].value, Bytes({1, 0, 0, 0}));
  EXPECT_EQ(padded.Elements()[6].type, static_cast<DWORD>(ElementTypeString));
}

}  // namespace
}  // namespace VirtualSmartCardProtocol
