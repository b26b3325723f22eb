#include "service/core/tray_status.h"

#include <algorithm>

namespace luma {
namespace tray {
namespace {

constexpr int kNoDate = 1000000;

struct Statistics {
  std::size_t accounts = 0;
  int refreshDue = 0;
  int daysToRefresh = kNoDate;
  int passwordChangeDue = 0;
  int daysToPasswordChange = kNoDate;
  std::vector<WString> availableCertificates;
};

Statistics Collect(const std::vector<AccountFacts>& accounts) {
  Statistics statistics;
  statistics.accounts = accounts.size();
  for (const AccountFacts& account : accounts) {
    if (account.outdated) ++statistics.refreshDue;
    statistics.daysToRefresh = std::min(statistics.daysToRefresh, account.daysUntilNextUpdate);
    if (account.outdated) continue;  // its certificates cannot be used until the refresh
    for (const CertificateFacts& certificate : account.certificates) {
      if (certificate.pinChangeDue) {
        ++statistics.passwordChangeDue;
        continue;
      }
      statistics.daysToPasswordChange =
          std::min(statistics.daysToPasswordChange, certificate.daysUntilPinChange);
      if (certificate.enabled) statistics.availableCertificates.push_back(certificate.friendlyName);
    }
  }
  return statistics;
}

bool Below(int days, std::uint32_t limit) { return static_cast<std::int64_t>(days) < limit; }

// The reminder for a date that is near but not yet passed; empty when none is due.
WString Reminder(int days, unsigned today, unsigned oneDay, unsigned withinDays, const TrayTexts& texts) {
  if (days <= 0) return texts.Text(today);
  if (days == 1) return texts.Text(oneDay);
  return texts.Numbered(withinDays, days);
}

}  // namespace

WString FitTip(const WString& text) {
  if (text.size() <= kMaxTipLength) return text;
  std::size_t keep = kMaxTipLength - 1;  // room for the ellipsis
  const char16_t last = static_cast<char16_t>(text[keep - 1]);
  if (sizeof(text[0]) == 2 && last >= 0xD800 && last <= 0xDBFF) --keep;
  return text.substr(0, keep) + WSTR("\u2026");
}

TrayStatus ComputeTrayStatus(const std::vector<AccountFacts>& accounts, const ReminderSettings& settings,
                             bool notify, const TrayTexts& texts) {
  TrayStatus status;
  const Statistics statistics = Collect(accounts);
  if (statistics.accounts == 0) {
    status.tooltip = texts.Text(kTextNoAccounts);
    status.image = TrayImage::kAttention;
    return status;
  }

  WString full = texts.Text(kTextAvailableCertificates);
  for (const WString& name : statistics.availableCertificates) full += WSTR("\n\u25AA ") + name;
  if (statistics.availableCertificates.empty()) full += WSTR("\n\u25AA ") + texts.Text(kTextNone);
  const WString summary = statistics.availableCertificates.empty()
                              ? texts.Text(kTextNoCertificatesAvailable)
                              : texts.Numbered(kTextCertificatesAvailable,
                                               static_cast<int>(statistics.availableCertificates.size()));

  if (statistics.refreshDue == 0 && statistics.passwordChangeDue == 0) {
    status.tooltip = full.size() > kMaxTipLength ? summary : full;
    status.image = TrayImage::kNormal;
    if (!notify) return status;
    if (settings.notifyRefreshDaysBefore > 0 &&
        Below(statistics.daysToRefresh, settings.notifyRefreshDaysBefore)) {
      status.balloonText = Reminder(statistics.daysToRefresh, kTextRefreshToday, kTextRefreshWithinOneDay,
                                    kTextRefreshWithinDays, texts);
    } else if (settings.notifyPinChangeDaysBefore > 0 &&
               Below(statistics.daysToPasswordChange, settings.notifyPinChangeDaysBefore)) {
      status.balloonText = Reminder(statistics.daysToPasswordChange, kTextPasswordChangeToday,
                                    kTextPasswordChangeWithinOneDay, kTextPasswordChangeWithinDays, texts);
    }
    if (!status.balloonText.empty()) status.balloon = BalloonKind::kInformation;
    return status;
  }

  WString warnings;
  if (statistics.refreshDue != 0) warnings += WSTR("\n\u26A0 ") + texts.Text(kTextRefreshRequired);
  if (statistics.passwordChangeDue != 0)
    warnings += WSTR("\n\u26A0 ") + texts.Text(kTextPasswordChangeRequired);
  status.tooltip = FitTip((full.size() + warnings.size() > kMaxTipLength ? summary : full) + warnings);
  status.image = TrayImage::kAttention;
  if (!notify) return status;
  if (statistics.refreshDue != 0 && settings.notifyRefreshDaysBefore > 0) {
    status.balloon = BalloonKind::kWarning;
    status.balloonText = texts.Text(kTextRefreshRequired);
  } else if (statistics.passwordChangeDue != 0 && settings.notifyPinChangeDaysBefore > 0) {
    status.balloon = BalloonKind::kWarning;
    status.balloonText = texts.Text(kTextPasswordChangeRequired);
  }
  return status;
}

}  // namespace tray
}  // namespace luma
