/* The small DLL that the file-signer tests sign with a throw-away certificate; its export is
   listed in luma_signing_sample.def. */
#include <windows.h>

int WINAPI SigningSampleAnswer(int value) { return value * 2 + 1; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return TRUE;
}
