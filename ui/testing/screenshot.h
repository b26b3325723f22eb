// Pictures of windows for a person to look at, kept as test artefacts: each shows one whole window,
// frame and caption included, drawn by the window itself into a picture of its own size, so that no
// other window on the screen can get over it.
#ifndef LUMA_UI_TESTING_SCREENSHOT_H_
#define LUMA_UI_TESTING_SCREENSHOT_H_

#include <windows.h>

#include <string>

namespace ui_test {

// Whether windows are drawn on a real display; Wine's null display driver (no DISPLAY) draws nothing.
bool HasDisplay();
// LUMA_ARTIFACT_DIR, else the build tree's artifacts folder beside bin; with its "ui" folder.
std::wstring ArtifactDirectory();
// The window, framed, at its real size, saved as a PNG in the artefact folder; false on failure.
bool SaveWindowPicture(HWND window, const std::wstring& fileName);
// A screen area as it is shown (for windows that cannot draw themselves into a picture).
bool SaveScreenArea(const RECT& area, const std::wstring& fileName);

}  // namespace ui_test

#endif  // LUMA_UI_TESTING_SCREENSHOT_H_
