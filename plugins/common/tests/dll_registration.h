// Registering a plug-in DLL of the build as an installer does, for the tests that load it through
// the platform.
#ifndef LUMA_PLUGINS_COMMON_TESTS_DLL_REGISTRATION_H_
#define LUMA_PLUGINS_COMMON_TESTS_DLL_REGISTRATION_H_

#include <windows.h>

#include <string>

namespace luma::plugin {

// The folder of the test program, where the build puts the DLLs; ends with "\".
std::wstring ProgramFolder();

// Runs "regsvr32 /s" on the file and returns its exit code.
DWORD RunRegsvr32(const std::wstring& path);

}  // namespace luma::plugin

#endif  // LUMA_PLUGINS_COMMON_TESTS_DLL_REGISTRATION_H_
