// What the CSP tests share: the scripted lumaPassV's view of the sessions it was asked to open, and
// the registration of the built DLL and of its copy that is the second provider.
#ifndef LUMA_PLUGINS_CSP_TESTS_CSP_TEST_SUPPORT_H_
#define LUMA_PLUGINS_CSP_TESTS_CSP_TEST_SUPPORT_H_

#include <windows.h>

#include <string>
#include <vector>

#include "plugins/common/tests/dll_registration.h"
#include "plugins/common/tests/scripted_pipe_server.h"

namespace luma::csp {

constexpr wchar_t kPlainProvider[] = L"nuvak lumaPass V Cryptographic Service Provider";
constexpr wchar_t kRsaAesProvider[] = L"nuvak lumaPass V RSA and AES Cryptographic Service Provider";

// The reader names of the OpenSession requests the server received, in order.
std::vector<std::wstring> ReaderNames(const CScriptedPipeServer& server);

using luma::plugin::ProgramFolder;
using luma::plugin::RunRegsvr32;

// lumaPassCSP.dll and its copy lumaPassRSACSP.dll registered as the two providers.
void RegisterBothProviders();

}  // namespace luma::csp

#endif  // LUMA_PLUGINS_CSP_TESTS_CSP_TEST_SUPPORT_H_
