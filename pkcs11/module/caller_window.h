// The window the key providers take as the parent of their dialogs: the calling process's first
// visible top-level window.
#ifndef LUMA_PKCS11_MODULE_CALLER_WINDOW_H_
#define LUMA_PKCS11_MODULE_CALLER_WINDOW_H_

#include <windows.h>

namespace luma {
namespace pkcs11 {

// Null when the process shows no window.
HWND findCallerWindow();

}  // namespace pkcs11
}  // namespace luma

#endif  // LUMA_PKCS11_MODULE_CALLER_WINDOW_H_
