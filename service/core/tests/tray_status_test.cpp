#include "service/core/tray_status.h"

#include <gtest/gtest.h>

#include <map>

namespace luma {
namespace tray {
namespace {

class EnglishTexts : public TrayTexts {
 public:
  WString Text(unsigned id) const override { return kTexts.at(id); }
  WString Numbered(unsigned id, int number) const override {
    WString text = kTexts.at(id);
    const std::string digits = std::to_string(number);
    text.replace(text.find(WSTR("%d")), 2, WString(digits.begin(), digits.end()));
    return text;
  }

 private:
  const std::map<unsigned, WString> kTexts = {
      {kTextNoAccounts, WSTR("No accounts configured")},
      {kTextAvailableCertificates, WSTR("Available certificates:")},
      {kTextNoCertificatesAvailable, WSTR("No certificates available")},
      {kTextCertificatesAvailable, WSTR("%d certificates available")},
      {kTextNone, WSTR("None")},
      {kTextRefreshRequired, WSTR("Account refresh required")},
      {kTextPasswordChangeRequired, WSTR("Password change required")},
      {kTextRefreshWithinDays, WSTR("Account refresh required within %d days")},
      {kTextPasswordChangeWithinDays, WSTR("Password must be changed within %d days")},
      {kTextRefreshWithinOneDay, WSTR("Account refresh required within one day")},
      {kTextPasswordChangeWithinOneDay, WSTR("Password must be changed within one day")},
      {kTextRefreshToday, WSTR("Account refresh required today")},
      {kTextPasswordChangeToday, WSTR("Password must be changed today")},
  };
};

CertificateFacts Cert(const WString& name, int daysToPinChange = 400, bool enabled = true, bool due = false) {
  CertificateFacts facts;
  facts.friendlyName = name;
  facts.daysUntilPinChange = daysToPinChange;
  facts.enabled = enabled;
  facts.pinChangeDue = due;
  return facts;
}

AccountFacts Account(int daysToRefresh, std::vector<CertificateFacts> certificates) {
  AccountFacts facts;
  facts.outdated = daysToRefresh < 0;
  facts.daysUntilNextUpdate = daysToRefresh;
  facts.certificates = std::move(certificates);
  return facts;
}

WString Name(std::size_t length, char16_t letter = u'n') {
  return WString(length, static_cast<WString::value_type>(letter));
}

const WString kSquare = WSTR("\n\u25AA ");
const WString kWarning = WSTR("\n\u26A0 ");

struct Case {
  const char* name;
  std::vector<AccountFacts> accounts;
  ReminderSettings settings;
  bool notify;
  WString tooltip;
  TrayImage image;
  BalloonKind balloon;
  WString balloonText;
};

std::vector<Case> Cases() {
  const ReminderSettings off{0, 0};
  const ReminderSettings week{7, 7};
  const WString twoNames = WSTR("Available certificates:") + kSquare + WSTR("A") + kSquare + WSTR("B");
  // Three names of 40 characters make the list 23 + 3 * 43 = 152 characters long.
  const std::vector<CertificateFacts> longNames = {Cert(Name(40, u'a')), Cert(Name(40, u'b')),
                                                   Cert(Name(40, u'c'))};
  return {
      {"no account",
       {},
       week,
       true,
       WSTR("No accounts configured"),
       TrayImage::kAttention,
       BalloonKind::kNone,
       {}},
      {"two certificates",
       {Account(30, {Cert(WSTR("A")), Cert(WSTR("B"))})},
       off,
       true,
       twoNames,
       TrayImage::kNormal,
       BalloonKind::kNone,
       {}},
      {"disabled certificate not listed",
       {Account(30, {Cert(WSTR("A")), Cert(WSTR("X"), 400, false)})},
       off,
       false,
       WSTR("Available certificates:") + kSquare + WSTR("A"),
       TrayImage::kNormal,
       BalloonKind::kNone,
       {}},
      {"no certificate",
       {Account(30, {})},
       off,
       false,
       WSTR("Available certificates:") + kSquare + WSTR("None"),
       TrayImage::kNormal,
       BalloonKind::kNone,
       {}},
      {"long list gives the count",
       {Account(30, longNames)},
       off,
       false,
       WSTR("3 certificates available"),
       TrayImage::kNormal,
       BalloonKind::kNone,
       {}},
      // 23 + 3 + 101 = 127 characters still fit; one more does not.
      {"list of 127 characters fits",
       {Account(30, {Cert(Name(101))})},
       off,
       false,
       WSTR("Available certificates:") + kSquare + Name(101),
       TrayImage::kNormal,
       BalloonKind::kNone,
       {}},
      {"list of 128 characters gives the count",
       {Account(30, {Cert(Name(102))})},
       off,
       false,
       WSTR("1 certificates available"),
       TrayImage::kNormal,
       BalloonKind::kNone,
       {}},
      {"refresh in 3 days",
       {Account(3, {Cert(WSTR("A"))})},
       week,
       true,
       WSTR("Available certificates:") + kSquare + WSTR("A"),
       TrayImage::kNormal,
       BalloonKind::kInformation,
       WSTR("Account refresh required within 3 days")},
      {"refresh in 1 day",
       {Account(1, {Cert(WSTR("A"))})},
       week,
       true,
       WSTR("Available certificates:") + kSquare + WSTR("A"),
       TrayImage::kNormal,
       BalloonKind::kInformation,
       WSTR("Account refresh required within one day")},
      {"refresh today",
       {Account(0, {Cert(WSTR("A"))})},
       week,
       true,
       WSTR("Available certificates:") + kSquare + WSTR("A"),
       TrayImage::kNormal,
       BalloonKind::kInformation,
       WSTR("Account refresh required today")},
      {"refresh reminder off",
       {Account(3, {Cert(WSTR("A"))})},
       off,
       true,
       WSTR("Available certificates:") + kSquare + WSTR("A"),
       TrayImage::kNormal,
       BalloonKind::kNone,
       {}},
      {"refresh reminder not yet",
       {Account(7, {Cert(WSTR("A"))})},
       week,
       true,
       WSTR("Available certificates:") + kSquare + WSTR("A"),
       TrayImage::kNormal,
       BalloonKind::kNone,
       {}},
      {"no balloon without notify",
       {Account(3, {Cert(WSTR("A"))})},
       week,
       false,
       WSTR("Available certificates:") + kSquare + WSTR("A"),
       TrayImage::kNormal,
       BalloonKind::kNone,
       {}},
      {"password change in 5 days",
       {Account(30, {Cert(WSTR("A"), 5)})},
       week,
       true,
       WSTR("Available certificates:") + kSquare + WSTR("A"),
       TrayImage::kNormal,
       BalloonKind::kInformation,
       WSTR("Password must be changed within 5 days")},
      {"password change in 1 day",
       {Account(30, {Cert(WSTR("A"), 1)})},
       week,
       true,
       WSTR("Available certificates:") + kSquare + WSTR("A"),
       TrayImage::kNormal,
       BalloonKind::kInformation,
       WSTR("Password must be changed within one day")},
      {"password change today",
       {Account(30, {Cert(WSTR("A"), 0)})},
       week,
       true,
       WSTR("Available certificates:") + kSquare + WSTR("A"),
       TrayImage::kNormal,
       BalloonKind::kInformation,
       WSTR("Password must be changed today")},
      {"refresh reminder wins over password",
       {Account(2, {Cert(WSTR("A"), 1)})},
       week,
       true,
       WSTR("Available certificates:") + kSquare + WSTR("A"),
       TrayImage::kNormal,
       BalloonKind::kInformation,
       WSTR("Account refresh required within 2 days")},
      {"outdated account",
       {Account(-1, {Cert(WSTR("A"))})},
       week,
       true,
       WSTR("Available certificates:") + kSquare + WSTR("None") + kWarning + WSTR("Account refresh required"),
       TrayImage::kAttention,
       BalloonKind::kWarning,
       WSTR("Account refresh required")},
      {"outdated account without reminder",
       {Account(-1, {Cert(WSTR("A"))}), Account(30, {Cert(WSTR("B"))})},
       off,
       true,
       WSTR("Available certificates:") + kSquare + WSTR("B") + kWarning + WSTR("Account refresh required"),
       TrayImage::kAttention,
       BalloonKind::kNone,
       {}},
      {"password change due",
       {Account(30, {Cert(WSTR("A"), -2, true, true), Cert(WSTR("B"))})},
       week,
       true,
       WSTR("Available certificates:") + kSquare + WSTR("B") + kWarning + WSTR("Password change required"),
       TrayImage::kAttention,
       BalloonKind::kWarning,
       WSTR("Password change required")},
      {"both due",
       {Account(-1, {}), Account(30, {Cert(WSTR("A"), -2, true, true)})},
       {0, 7},
       true,
       WSTR("Available certificates:") + kSquare + WSTR("None") + kWarning +
           WSTR("Account refresh required") + kWarning + WSTR("Password change required"),
       TrayImage::kAttention,
       BalloonKind::kWarning,
       WSTR("Password change required")},
      {"warnings push the list to the count",
       {Account(-1, {}), Account(30, {Cert(Name(90))})},
       off,
       false,
       WSTR("1 certificates available") + kWarning + WSTR("Account refresh required"),
       TrayImage::kAttention,
       BalloonKind::kNone,
       {}},
  };
}

TEST(TrayStatusTest, Table) {
  const EnglishTexts texts;
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    const TrayStatus status = ComputeTrayStatus(c.accounts, c.settings, c.notify, texts);
    EXPECT_TRUE(status.tooltip == c.tooltip);
    EXPECT_LE(status.tooltip.size(), kMaxTipLength);
    EXPECT_EQ(status.image, c.image);
    EXPECT_EQ(status.balloon, c.balloon);
    EXPECT_TRUE(status.balloonText == c.balloonText);
  }
}

// A tip one character too long is cut at 126 so that "…" and the terminator still fit the field.
TEST(TrayStatusTest, FitTipCutsAt126AndAddsEllipsis) {
  EXPECT_TRUE(FitTip(Name(127)) == Name(127));
  const WString cut = FitTip(Name(200));
  ASSERT_EQ(cut.size(), kMaxTipLength);
  EXPECT_TRUE(cut == Name(126) + WSTR("\u2026"));
}

TEST(TrayStatusTest, FitTipNeverSplitsASurrogatePair) {
  WString text = Name(125);
  if (sizeof(text[0]) != 2) GTEST_SKIP() << "wide characters are not UTF-16 here";
  text += WSTR("\U0001F512");  // two units at 125 and 126
  text += Name(10);
  const WString cut = FitTip(text);
  EXPECT_TRUE(cut == Name(125) + WSTR("\u2026"));
}

// A warning tooltip still too long after falling back to the count is cut with the ellipsis.
TEST(TrayStatusTest, LongWarningTipIsCut) {
  class LongTexts : public EnglishTexts {
   public:
    WString Text(unsigned id) const override {
      return id == kTextRefreshRequired ? Name(200, u'w') : EnglishTexts::Text(id);
    }
  } texts;
  const TrayStatus status = ComputeTrayStatus({Account(-1, {})}, {}, false, texts);
  ASSERT_EQ(status.tooltip.size(), kMaxTipLength);
  EXPECT_EQ(status.tooltip.back(), static_cast<WString::value_type>(0x2026));
  EXPECT_TRUE(status.tooltip.compare(0, 25, WSTR("No certificates available")) == 0);
}

}  // namespace
}  // namespace tray
}  // namespace luma
