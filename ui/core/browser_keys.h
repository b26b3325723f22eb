// Which key strokes the embedded login browser never sees: everything that would open a new window,
// print, search or save, and the browser navigation keys, while editing and AltGr keys pass.
#ifndef LUMA_UI_CORE_BROWSER_KEYS_H_
#define LUMA_UI_CORE_BROWSER_KEYS_H_

namespace luma::ui {

struct CBrowserKeyState {
  bool control = false;       // VK_CONTROL
  bool alt = false;           // VK_MENU
  bool leftControl = false;   // VK_LCONTROL
  bool rightControl = false;  // VK_RCONTROL
};

// Whether a WM_KEYDOWN of `virtualKey` is swallowed before it reaches the browser.
bool IsBrowserKeySwallowed(unsigned virtualKey, const CBrowserKeyState& keys);

}  // namespace luma::ui

#endif  // LUMA_UI_CORE_BROWSER_KEYS_H_
