// What the notification-area icon shows: the tooltip lines, which of the two images, and the
// reminder balloon, decided from the accounts' dates, the reminder settings and whether the user may
// be notified now. The texts come from the caller's string tables through TrayTexts.
#ifndef LUMA_SERVICE_CORE_TRAY_STATUS_H_
#define LUMA_SERVICE_CORE_TRAY_STATUS_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/core/platform.h"

namespace luma {
namespace tray {

// String table entries the tooltip and balloons are made of.
enum TrayTextId : unsigned {
  kTextNoAccounts = 10079,
  kTextAvailableCertificates = 10080,
  kTextNoCertificatesAvailable = 10081,
  kTextCertificatesAvailable = 10082,  // %d
  kTextNone = 10083,
  kTextRefreshRequired = 10084,
  kTextPasswordChangeRequired = 10085,
  kTextRefreshWithinDays = 10091,         // %d
  kTextPasswordChangeWithinDays = 10092,  // %d
  kTextRefreshWithinOneDay = 10093,
  kTextPasswordChangeWithinOneDay = 10094,
  kTextRefreshToday = 10095,
  kTextPasswordChangeToday = 10096,
};
constexpr TrayTextId kTrayTextIds[] = {
    kTextNoAccounts,
    kTextAvailableCertificates,
    kTextNoCertificatesAvailable,
    kTextCertificatesAvailable,
    kTextNone,
    kTextRefreshRequired,
    kTextPasswordChangeRequired,
    kTextRefreshWithinDays,
    kTextPasswordChangeWithinDays,
    kTextRefreshWithinOneDay,
    kTextPasswordChangeWithinOneDay,
    kTextRefreshToday,
    kTextPasswordChangeToday,
};

// The tip field holds 128 characters with its terminator.
constexpr std::size_t kMaxTipLength = 127;

// What one certificate of an account contributes, as seen now.
struct CertificateFacts {
  bool pinChangeDue = false;
  int daysUntilPinChange = 0;
  bool enabled = true;
  WString friendlyName;
};

// What one account contributes, as seen now.
struct AccountFacts {
  bool outdated = false;
  int daysUntilNextUpdate = 0;
  std::vector<CertificateFacts> certificates;
};

// 0 switches a reminder off.
struct ReminderSettings {
  std::uint32_t notifyRefreshDaysBefore = 0;
  std::uint32_t notifyPinChangeDaysBefore = 0;
};

enum class TrayImage { kNormal, kAttention };
enum class BalloonKind { kNone, kInformation, kWarning };

struct TrayStatus {
  WString tooltip;
  TrayImage image = TrayImage::kNormal;
  BalloonKind balloon = BalloonKind::kNone;
  WString balloonText;
};

class TrayTexts {
 public:
  virtual WString Text(unsigned id) const = 0;
  // A text whose one %d takes number.
  virtual WString Numbered(unsigned id, int number) const = 0;

 protected:
  ~TrayTexts() = default;
};

// notify: a balloon may be shown (the user accepts notifications and the caller asks for one).
TrayStatus ComputeTrayStatus(const std::vector<AccountFacts>& accounts, const ReminderSettings& settings,
                             bool notify, const TrayTexts& texts);

// The text cut to fit the tip: at most kMaxTipLength characters, the last of them "…" when it was
// cut; a surrogate pair is never split.
WString FitTip(const WString& text);

}  // namespace tray
}  // namespace luma

#endif  // LUMA_SERVICE_CORE_TRAY_STATUS_H_
