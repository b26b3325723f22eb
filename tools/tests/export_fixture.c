/* The DLL of the export-check tests: two stdcall functions (decorated "Name@N" on 32-bit) and a
   cdecl one. Built with a module definition file, or with EXPORT_MARKED: exported by attribute. */
#include <windows.h>

#ifdef EXPORT_MARKED
#define FIXTURE_EXPORT __declspec(dllexport)
#else
#define FIXTURE_EXPORT
#endif

FIXTURE_EXPORT int WINAPI Alpha(int value) { return value + 1; }
FIXTURE_EXPORT int WINAPI Beta(int left, int right) { return left + right; }
FIXTURE_EXPORT int __cdecl Gamma(void) { return 3; }
