/* The code part of the trust-DLL fixtures. Its entry point leaves a mark in the environment, so
   that the tests can tell that reading a trust DLL never ran it. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) SetEnvironmentVariableW(L"LUMA_TRUST_DLL_RAN", L"1");
  return TRUE;
}
