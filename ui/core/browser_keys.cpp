#include "ui/core/browser_keys.h"

namespace luma::ui {
namespace {

// Virtual-key codes (winuser.h), kept here so that the rule builds without Windows headers.
constexpr unsigned kBack = 0x08;
constexpr unsigned kEnd = 0x23;
constexpr unsigned kHome = 0x24;
constexpr unsigned kLeft = 0x25;
constexpr unsigned kRight = 0x27;
constexpr unsigned kDown = 0x28;
constexpr unsigned kInsert = 0x2D;
constexpr unsigned kDelete = 0x2E;
constexpr unsigned kHelp = 0x2F;
constexpr unsigned kBrowserBack = 0xA6;
constexpr unsigned kBrowserRefresh = 0xA8;
constexpr unsigned kBrowserHome = 0xAC;

bool IsEditingKeyWithControl(unsigned key) {
  if (key == kBack || key == kEnd || key == kHome || key == kInsert || key == kDelete || key == kHelp)
    return true;
  if (key >= kLeft && key <= kDown) return true;
  return key == 'A' || key == 'C' || key == 'V' || key == 'X' || key == 'Y' || key == 'Z';
}

}  // namespace

bool IsBrowserKeySwallowed(unsigned key, const CBrowserKeyState& keys) {
  if (keys.control) {
    if (keys.alt) return false;  // AltGr
    return !IsEditingKeyWithControl(key);
  }
  if (keys.leftControl || keys.rightControl) return key == kHome || key == kLeft || key == kRight;
  return key >= kBrowserBack && key <= kBrowserHome && key != kBrowserRefresh;
}

}  // namespace luma::ui
