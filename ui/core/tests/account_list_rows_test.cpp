#include "ui/core/account_list_rows.h"

#include <gtest/gtest.h>

#include <climits>

namespace luma::ui::accounts {
namespace {

constexpr RowImage kGood = RowImage::kGood;
constexpr RowImage kAttention = RowImage::kAttention;
constexpr RowImage kAction = RowImage::kActionRequired;

// Every rule of the picture and the status text, with the reminders off (the defaults) and on.
TEST(AccountRowStateTest, DueDatesAndRemindersChooseImageAndText) {
  struct Case {
    const char* name;
    bool outdated;
    int daysToRefresh;
    bool pinDue;
    int daysToPin;
    ReminderDays reminders;
    RowImage image;
    StatusText status;
  } cases[] = {
      {"nothing due, reminders off", false, 1, false, 0, {0, 0}, kGood, {kTextOk, 0}},
      {"refresh due", true, -2, false, 300, {0, 0}, kAction, {kTextRefreshRequired, 0}},
      {"password due", false, 30, true, -1, {0, 0}, kAction, {kTextPinChangeRequired, 0}},
      {"both due: refresh named first", true, -1, true, -1, {7, 7}, kAction, {kTextRefreshRequired, 0}},
      {"refresh in one day", false, 1, false, 300, {7, 0}, kAttention, {kTextRefreshWithinOneDay, 0}},
      {"refresh today", false, 0, false, 300, {7, 0}, kAttention, {kTextRefreshToday, 0}},
      {"refresh in five days", false, 5, false, 300, {7, 0}, kAttention, {kTextRefreshWithinDays, 5}},
      {"refresh at the reminder's edge", false, 7, false, 300, {7, 0}, kGood, {kTextOk, 0}},
      {"negative days never remind", false, -3, false, -3, {7, 7}, kGood, {kTextOk, 0}},
      {"password in two days", false, 300, false, 2, {7, 7}, kAttention, {kTextPinChangeWithinDays, 2}},
      {"password in one day", false, 300, false, 1, {0, 7}, kAttention, {kTextPinChangeWithinOneDay, 0}},
      {"password today", false, 300, false, 0, {0, 7}, kAttention, {kTextPinChangeToday, 0}},
      {"no password never reminds", false, 300, false, INT_MAX, {0, UINT32_MAX}, kGood, {kTextOk, 0}},
      {"both soon: refresh named first", false, 3, false, 2, {7, 7}, kAttention, {kTextRefreshWithinDays, 3}},
      {"refresh due, password soon", true, -1, false, 2, {0, 7}, kAction, {kTextRefreshRequired, 0}},
      {"password due, refresh soon", false, 2, true, -1, {7, 0}, kAction, {kTextPinChangeRequired, 0}},
  };
  for (const Case& c : cases) {
    AccountFacts account;
    account.outdated = c.outdated;
    account.daysUntilNextUpdate = c.daysToRefresh;
    CertificateFacts certificate;
    certificate.hasPin = c.daysToPin != INT_MAX;  // as the policy counts a certificate without password
    certificate.pinChangeDue = c.pinDue;
    certificate.daysUntilPinChange = c.daysToPin;
    const RowState state = EvaluateCertificate(account, certificate, c.reminders);
    EXPECT_EQ(state.image, c.image) << c.name;
    EXPECT_EQ(state.status, c.status) << c.name;
  }
}

AccountFacts Account(const wchar_t* issuer, const wchar_t* friendly, std::vector<const wchar_t*> names) {
  AccountFacts account;
  account.issuerId = issuer;
  account.userFriendlyName = friendly;
  account.userId = std::wstring(friendly) + L"@id";
  account.daysUntilNextUpdate = 100;
  for (const wchar_t* name : names) {
    CertificateFacts certificate;
    certificate.friendlyName = name;
    certificate.daysUntilPinChange = 100;
    account.certificates.push_back(certificate);
  }
  return account;
}

// Providers by display name then key name, accounts by issuer then friendly name, groups numbered
// from 1 and keys from 1000 in insertion order, certificates in policy order, and an account without
// certificates as one attention row.
TEST(AccountListRowsTest, GroupsAndRowsFollowTheSortRules) {
  ProviderFacts zeta{L"Zeta", L"A", {Account(L"iss", L"Zed", {L"z1"})}};
  ProviderFacts acmeB{L"Acme", L"B", {Account(L"iss", L"Bea", {L"b1"})}};
  ProviderFacts acmeA{L"Acme",
                      L"A",
                      {Account(L"iss2", L"Al", {L"second", L"first"}), Account(L"iss1", L"Zoe", {}),
                       Account(L"iss1", L"Ann", {L"a1"})}};
  const AccountListRows list = BuildAccountListRows({zeta, acmeB, acmeA}, {});

  struct Group {
    const wchar_t* header;
    const wchar_t* subtitle;
    std::size_t provider, account;
  } groups[] = {
      {L"Ann / Acme", L"Ann@id", 2, 2}, {L"Zoe / Acme", L"Zoe@id", 2, 1}, {L"Al / Acme", L"Al@id", 2, 0},
      {L"Bea / Acme", L"Bea@id", 1, 0}, {L"Zed / Zeta", L"Zed@id", 0, 0},
  };
  ASSERT_EQ(list.groups.size(), std::size(groups));
  for (std::size_t i = 0; i < list.groups.size(); ++i) {
    EXPECT_EQ(list.groups[i].id, static_cast<int>(i) + 1);
    EXPECT_EQ(list.groups[i].header, groups[i].header);
    EXPECT_EQ(list.groups[i].subtitle, groups[i].subtitle);
    EXPECT_EQ(list.groups[i].provider, groups[i].provider) << i;
    EXPECT_EQ(list.groups[i].account, groups[i].account) << i;
  }

  struct Row {
    int groupId;
    std::ptrdiff_t certificate;
    const wchar_t* name;
    RowImage image;
    unsigned text;
  } rows[] = {
      {1, 0, L"a1", kGood, kTextOk},     {2, -1, L"", kAttention, kTextNoCertificates},
      {3, 0, L"second", kGood, kTextOk}, {3, 1, L"first", kGood, kTextOk},
      {4, 0, L"b1", kGood, kTextOk},     {5, 0, L"z1", kGood, kTextOk},
  };
  ASSERT_EQ(list.rows.size(), std::size(rows));
  for (std::size_t i = 0; i < list.rows.size(); ++i) {
    const AccountRow& row = list.rows[i];
    EXPECT_EQ(row.key, kFirstRowKey + static_cast<int>(i));
    EXPECT_EQ(row.groupId, rows[i].groupId) << i;
    EXPECT_EQ(row.certificate, rows[i].certificate) << i;
    EXPECT_EQ(row.name, rows[i].name) << i;
    EXPECT_EQ(row.state.image, rows[i].image) << i;
    EXPECT_EQ(row.state.status.id, rows[i].text) << i;
    EXPECT_EQ(list.groups[row.groupId - 1].provider, row.provider);
    EXPECT_EQ(list.groups[row.groupId - 1].account, row.account);
  }

  // The sorted list shows a group's rows by name.
  EXPECT_EQ(DisplayOrder(list), (std::vector<std::size_t>{0, 1, 3, 2, 4, 5}));
  EXPECT_TRUE(BuildAccountListRows({}, {}).rows.empty());
}

TEST(AccountListButtonsTest, SelectionAndRowDecideTheButtons) {
  struct Case {
    const char* name;
    bool selected;
    SelectedRowFacts row;
    ButtonStates expected;
  } cases[] = {
      {"nothing selected", false, {true, true, true, true}, {false, false, false, false, false}},
      {"certificate with password", true, {true, true, true, false}, {true, true, true, true, false}},
      {"with management page", true, {true, true, true, true}, {true, true, true, true, true}},
      {"certificate without password", true, {true, true, false, true}, {true, false, true, true, true}},
      {"account without certificates", true, {true, false, false, false}, {false, false, true, true, false}},
      {"row no longer known", true, {false, true, true, true}, {false, false, true, true, false}},
  };
  for (const Case& c : cases) EXPECT_EQ(ComputeButtonStates(c.selected, c.row), c.expected) << c.name;
}

TEST(AccountListItemChangeTest, CheckBoxesCountOnlyBetweenTwoCheckImages) {
  struct Case {
    std::uint32_t oldState, newState;
    CheckChange check;
    bool selectionChanged, selected;
  } cases[] = {
      {0x1000, 0x2000, CheckChange::kChecked, false, false},
      {0x2002, 0x1002, CheckChange::kUnchecked, false, true},
      {0x0000, 0x2000, CheckChange::kNone, false, false},  // the check box being set up
      {0x2000, 0x0000, CheckChange::kNone, false, false},
      {0x2000, 0x2002, CheckChange::kNone, true, true},
      {0x1003, 0x1001, CheckChange::kNone, true, false},
      {0x0002, 0x0000, CheckChange::kNone, true, false},
  };
  for (const Case& c : cases) {
    const ItemChange change = DecodeItemChange(c.oldState, c.newState);
    EXPECT_EQ(change.check, c.check) << std::hex << c.oldState << " -> " << c.newState;
    EXPECT_EQ(change.selectionChanged, c.selectionChanged) << std::hex << c.oldState << " -> " << c.newState;
    EXPECT_EQ(change.selected, c.selected) << std::hex << c.oldState << " -> " << c.newState;
  }
}

}  // namespace
}  // namespace luma::ui::accounts
