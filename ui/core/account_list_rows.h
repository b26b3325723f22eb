// What the account list shows, without its window: one group per account (accounts of a provider
// together, providers by name), one row per certificate with its picture and status text from the
// account's and the certificate's dates, the row keys the window uses as item data, the order the
// sorted list shows the rows in, and which buttons a selection enables. The window turns accounts
// into the facts below and the rows back into list items.
#ifndef LUMA_UI_CORE_ACCOUNT_LIST_ROWS_H_
#define LUMA_UI_CORE_ACCOUNT_LIST_ROWS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace luma::ui::accounts {

// String table entries of the status column and the row of an account without certificates.
enum AccountTextId : unsigned {
  kTextOk = 10012,
  kTextPinChangeRequired = 10013,
  kTextRefreshRequired = 10062,
  kTextNoCertificates = 10071,
  kTextRefreshWithinDays = 10091,    // %d
  kTextPinChangeWithinDays = 10092,  // %d
  kTextRefreshWithinOneDay = 10093,
  kTextPinChangeWithinOneDay = 10094,
  kTextRefreshToday = 10095,
  kTextPinChangeToday = 10096,
};

// Pictures of the image list, in its order.
enum class RowImage : int { kGood = 0, kAttention = 1, kActionRequired = 2 };

// 0 switches a reminder off.
struct ReminderDays {
  std::uint32_t refresh = 0;
  std::uint32_t pinChange = 0;
};

struct CertificateFacts {
  std::wstring friendlyName;
  // A certificate without a password never shows a password notice, whatever the settings.
  bool hasPin = true;
  bool pinChangeDue = false;
  int daysUntilPinChange = 0;
};

struct AccountFacts {
  std::wstring issuerId;
  std::wstring userFriendlyName;
  std::wstring userId;
  bool outdated = false;
  int daysUntilNextUpdate = 0;
  std::vector<CertificateFacts> certificates;
};

struct ProviderFacts {
  std::wstring displayName;
  std::wstring keyName;
  std::vector<AccountFacts> accounts;
};

// A status text: its string and the number its %d takes.
struct StatusText {
  unsigned id = kTextOk;
  int number = 0;
  bool operator==(const StatusText& other) const { return id == other.id && number == other.number; }
};

struct RowState {
  RowImage image = RowImage::kGood;
  StatusText status;
};

// The picture and status of one certificate of an account, by the reminder rules: a due refresh or
// password change first, then a reminder whose day count is below its setting (a negative count
// never is), else "Ok".
RowState EvaluateCertificate(const AccountFacts& account, const CertificateFacts& certificate,
                             const ReminderDays& reminders);

// The first key of a refresh; keys count up in insertion order.
constexpr int kFirstRowKey = 1000;

struct AccountGroup {
  int id = 0;  // from 1
  std::wstring header;
  std::wstring subtitle;
  std::size_t provider = 0;  // indexes of the input
  std::size_t account = 0;
};

struct AccountRow {
  int key = 0;
  int groupId = 0;
  std::size_t provider = 0;
  std::size_t account = 0;
  // Index into the account's certificates; -1 for the one row of an account without certificates.
  std::ptrdiff_t certificate = -1;
  RowState state;
  // Column 0 (the certificate's name, or empty for an account without certificates).
  std::wstring name;
};

struct AccountListRows {
  std::vector<AccountGroup> groups;
  std::vector<AccountRow> rows;  // insertion order
};

// Providers by display name, then key name; their accounts by issuer, then friendly name (each
// compared by code unit, ascending); a group per account; its certificates' rows in policy order.
AccountListRows BuildAccountListRows(const std::vector<ProviderFacts>& providers,
                                     const ReminderDays& reminders);

// The order a list sorted by the first column shows the rows in, as indexes into rows: group by
// group in insertion order, within a group by name (ties in insertion order).
std::vector<std::size_t> DisplayOrder(const AccountListRows& list);

// What is known of the selected row for its buttons.
struct SelectedRowFacts {
  bool known = false;             // the key names a row of the last refresh
  bool hasAlias = false;          // a certificate row (not an account without certificates)
  bool hasPin = false;            // the certificate has a password
  bool hasManagementUrl = false;  // its provider is known and has an account management page
};

struct ButtonStates {
  bool details = false;
  bool changePin = false;
  bool remove = false;
  bool refresh = false;
  bool manage = false;
  bool operator==(const ButtonStates& other) const {
    return details == other.details && changePin == other.changePin && remove == other.remove &&
           refresh == other.refresh && manage == other.manage;
  }
};

// Details, Change PIN, Remove and Refresh with a selection; Manage only with a management page;
// Details and Change PIN not for an account row without certificates (or a row that is no longer
// known), Change PIN not for a certificate without password.
ButtonStates ComputeButtonStates(bool selected, const SelectedRowFacts& row);

// A list item's change as LVN_ITEMCHANGED reports its states.
enum class CheckChange { kNone, kChecked, kUnchecked };
struct ItemChange {
  CheckChange check = CheckChange::kNone;
  bool selectionChanged = false;
  bool selected = false;
};
// Check boxes count only when the old and the new state both carry a check-box image (2 checked,
// 1 unchecked); the selection when its bit changed.
ItemChange DecodeItemChange(std::uint32_t oldState, std::uint32_t newState);

}  // namespace luma::ui::accounts

#endif  // LUMA_UI_CORE_ACCOUNT_LIST_ROWS_H_
