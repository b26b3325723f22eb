#include "ui/core/account_list_rows.h"

#include <algorithm>
#include <numeric>

namespace luma::ui::accounts {
namespace {

// A reminder is due when the day count, taken unsigned, is below the setting: a negative count (a
// date that has passed, handled by the due flags) never is.
bool Below(int days, std::uint32_t setting) { return static_cast<std::uint32_t>(days) < setting; }

StatusText DayText(int days, unsigned today, unsigned oneDay, unsigned withinDays) {
  if (days == 0) return {today, 0};
  if (days == 1) return {oneDay, 0};
  return {withinDays, days};
}

}  // namespace

RowState EvaluateCertificate(const AccountFacts& account, const CertificateFacts& certificate,
                             const ReminderDays& reminders) {
  const bool refreshDue = account.outdated;
  const bool pinDue = certificate.hasPin && certificate.pinChangeDue;
  const bool refreshSoon = Below(account.daysUntilNextUpdate, reminders.refresh);
  const bool pinSoon = certificate.hasPin && Below(certificate.daysUntilPinChange, reminders.pinChange);

  RowState state;
  if (refreshDue || pinDue) {
    state.image = RowImage::kActionRequired;
  } else if (pinSoon || refreshSoon) {
    state.image = RowImage::kAttention;
  }
  if (refreshDue) {
    state.status = {kTextRefreshRequired, 0};
  } else if (pinDue) {
    state.status = {kTextPinChangeRequired, 0};
  } else if (refreshSoon) {
    state.status = DayText(account.daysUntilNextUpdate, kTextRefreshToday, kTextRefreshWithinOneDay,
                           kTextRefreshWithinDays);
  } else if (pinSoon) {
    state.status = DayText(certificate.daysUntilPinChange, kTextPinChangeToday, kTextPinChangeWithinOneDay,
                           kTextPinChangeWithinDays);
  }
  return state;
}

AccountListRows BuildAccountListRows(const std::vector<ProviderFacts>& providers,
                                     const ReminderDays& reminders) {
  std::vector<std::size_t> providerOrder(providers.size());
  std::iota(providerOrder.begin(), providerOrder.end(), std::size_t{0});
  std::stable_sort(providerOrder.begin(), providerOrder.end(), [&](std::size_t a, std::size_t b) {
    const ProviderFacts& left = providers[a];
    const ProviderFacts& right = providers[b];
    if (left.displayName != right.displayName) return left.displayName < right.displayName;
    return left.keyName < right.keyName;
  });

  AccountListRows list;
  int key = kFirstRowKey;
  for (std::size_t p : providerOrder) {
    const ProviderFacts& provider = providers[p];
    std::vector<std::size_t> accountOrder(provider.accounts.size());
    std::iota(accountOrder.begin(), accountOrder.end(), std::size_t{0});
    std::stable_sort(accountOrder.begin(), accountOrder.end(), [&](std::size_t a, std::size_t b) {
      const AccountFacts& left = provider.accounts[a];
      const AccountFacts& right = provider.accounts[b];
      if (left.issuerId != right.issuerId) return left.issuerId < right.issuerId;
      return left.userFriendlyName < right.userFriendlyName;
    });
    for (std::size_t a : accountOrder) {
      const AccountFacts& account = provider.accounts[a];
      AccountGroup group;
      group.id = static_cast<int>(list.groups.size()) + 1;
      group.header = account.userFriendlyName + L" / " + provider.displayName;
      group.subtitle = account.userId;
      group.provider = p;
      group.account = a;
      list.groups.push_back(group);

      if (account.certificates.empty()) {
        AccountRow row;
        row.key = key++;
        row.groupId = group.id;
        row.provider = p;
        row.account = a;
        row.state = {RowImage::kAttention, {kTextNoCertificates, 0}};
        list.rows.push_back(row);
        continue;
      }
      for (std::size_t c = 0; c < account.certificates.size(); ++c) {
        AccountRow row;
        row.key = key++;
        row.groupId = group.id;
        row.provider = p;
        row.account = a;
        row.certificate = static_cast<std::ptrdiff_t>(c);
        row.state = EvaluateCertificate(account, account.certificates[c], reminders);
        row.name = account.certificates[c].friendlyName;
        list.rows.push_back(row);
      }
    }
  }
  return list;
}

std::vector<std::size_t> DisplayOrder(const AccountListRows& list) {
  std::vector<std::size_t> order(list.rows.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const AccountRow& left = list.rows[a];
    const AccountRow& right = list.rows[b];
    if (left.groupId != right.groupId) return left.groupId < right.groupId;
    return left.name < right.name;
  });
  return order;
}

ButtonStates ComputeButtonStates(bool selected, const SelectedRowFacts& row) {
  ButtonStates states;
  if (!selected) return states;
  states.details = states.changePin = states.remove = states.refresh = true;
  states.manage = row.known && row.hasManagementUrl;
  if (!row.known || !row.hasAlias) {
    states.details = false;
    states.changePin = false;
  } else if (!row.hasPin) {
    states.changePin = false;
  }
  return states;
}

ItemChange DecodeItemChange(std::uint32_t oldState, std::uint32_t newState) {
  constexpr std::uint32_t kStateImageMask = 0xF000;  // LVIS_STATEIMAGEMASK
  constexpr std::uint32_t kSelected = 0x0002;        // LVIS_SELECTED
  ItemChange change;
  const std::uint32_t oldImage = (oldState & kStateImageMask) >> 12;
  const std::uint32_t newImage = (newState & kStateImageMask) >> 12;
  if (oldImage != 0 && newImage != 0 && oldImage != newImage) {
    if (newImage == 2) change.check = CheckChange::kChecked;
    if (newImage == 1) change.check = CheckChange::kUnchecked;
  }
  change.selectionChanged = ((oldState ^ newState) & kSelected) != 0;
  change.selected = (newState & kSelected) != 0;
  return change;
}

}  // namespace luma::ui::accounts
