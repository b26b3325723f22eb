// What the certificate viewer adds to the system's certificate dialog, decided without windows: its
// own pages, the dialog's flags, and the texts of the password page's change and cache groups.
#ifndef LUMA_UI_CORE_CERTIFICATE_VIEWER_PLAN_H_
#define LUMA_UI_CORE_CERTIFICATE_VIEWER_PLAN_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace luma::ui {

enum class ViewerPage { kPassword, kAccount, kRestrictions };

// The Password page always; Account when the setting asks for it; Restrictions when asked for and
// the certificate names any program that may use it.
std::vector<ViewerPage> ViewerPages(bool showAccountTab, bool showRestrictionsTab, std::size_t processNames);

// The system dialog's flags: no editing, no adding to a store, no help; revocation checked online
// only when online lookups are allowed, else only what the caches hold.
std::uint32_t ViewerFlags(bool allowOnlineLookups);

// A string id of the program's table with up to two numbers.
struct ViewerText {
  unsigned textId = 0;
  std::int64_t first = 0;
  std::int64_t second = 0;
};

// The change group: a change due, no password at all, a change due before the certificate expires,
// or none (first that applies).
unsigned PasswordChangeTextId(bool changeDue, bool noPassword, bool changeDueBeforeExpiry);
// The cache group by the longest caching time (seconds) and the most uses.
ViewerText PasswordCacheText(bool noPassword, std::int64_t maxCacheSeconds, std::int64_t maxCacheUses);

}  // namespace luma::ui

#endif  // LUMA_UI_CORE_CERTIFICATE_VIEWER_PLAN_H_
