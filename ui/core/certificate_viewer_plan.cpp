#include "ui/core/certificate_viewer_plan.h"

namespace luma::ui {
namespace {

// The system dialog's flags (the certificate dialog's documented values).
constexpr std::uint32_t kDisableEditProperties = 0x00000004;
constexpr std::uint32_t kDisableAddToStore = 0x00000010;
constexpr std::uint32_t kEnableRevocationChecking = 0x00000800;
constexpr std::uint32_t kDisableHtmlHelp = 0x00010000;
constexpr std::uint32_t kCacheOnlyUrlRetrieval = 0x00040000;

constexpr unsigned kNoPassword = 10112;  // "No password is required for private key operations"

}  // namespace

std::vector<ViewerPage> ViewerPages(bool showAccountTab, bool showRestrictionsTab, std::size_t processNames) {
  std::vector<ViewerPage> pages = {ViewerPage::kPassword};
  if (showAccountTab) pages.push_back(ViewerPage::kAccount);
  if (showRestrictionsTab && processNames > 0) pages.push_back(ViewerPage::kRestrictions);
  return pages;
}

std::uint32_t ViewerFlags(bool allowOnlineLookups) {
  const std::uint32_t always = kDisableEditProperties | kDisableAddToStore | kDisableHtmlHelp;
  return always | (allowOnlineLookups ? kEnableRevocationChecking : kCacheOnlyUrlRetrieval);
}

unsigned PasswordChangeTextId(bool changeDue, bool noPassword, bool changeDueBeforeExpiry) {
  if (changeDue) return 10104;  // "Change of password required"
  if (noPassword) return kNoPassword;
  if (changeDueBeforeExpiry) return 10105;  // "Password change required before %s"
  return 10103;                             // "No change of password required"
}

ViewerText PasswordCacheText(bool noPassword, std::int64_t maxCacheSeconds, std::int64_t maxCacheUses) {
  if (noPassword) return {kNoPassword};
  if (maxCacheSeconds == 0 && maxCacheUses == 0) return {10107};  // "Password is never cached"
  if (maxCacheUses == 0) return {10108, maxCacheSeconds};         // "... for %d seconds"
  if (maxCacheSeconds == 0) return {10109, maxCacheUses};         // "... for %d private key operations"
  return {10110, maxCacheSeconds, maxCacheUses};                  // "... at most %d seconds or %d ..."
}

}  // namespace luma::ui
