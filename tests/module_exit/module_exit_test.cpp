// A process that ends with one of the product's modules loaded, a key or session open and nothing
// closed: it exits at once and with its own exit code, and lumaPassV hears nothing from it once its
// exit has begun (a call then would run under the loader lock, into providers already detached).
#include <gtest/gtest.h>
#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "foundation/core/vsc_message.h"
#include "foundation/win/unique_handle.h"
#include "plugins/common/tests/container_server.h"
#include "plugins/common/tests/scripted_pipe_server.h"
#include "plugins/common/user_pipe_name.h"

namespace luma::plugin {
namespace {

constexpr DWORD kExitBoundMilliseconds = 10000;

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring file(path, length);
  return file.substr(0, file.find_last_of(L'\\') + 1);
}

struct ModuleCase {
  const char* name;
  const wchar_t* kind;
  const wchar_t* file;
  bool talksToLumaPassV;  // whether opening through it reaches the pipe at all
};

void PrintTo(const ModuleCase& c, std::ostream* os) { *os << c.name; }

class ModuleExitTest : public ::testing::TestWithParam<ModuleCase> {};

TEST_P(ModuleExitTest, EndingWithTheModuleLoadedExitsAtOnceAndCallsNothingMore) {
  const ModuleCase& c = GetParam();
  const std::wstring eventName = L"lumaPassModuleExit-" + std::to_wstring(GetCurrentProcessId());
  const luma::CKernelHandle exitBegins(CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
  ASSERT_TRUE(exitBegins);

  // lumaPassV with one container and its certificate; it notes every request that arrives once the
  // child's exit has begun.
  std::mutex lock;
  std::vector<DWORD> early;
  std::vector<DWORD> late;
  auto answer =
      ContainerScript({{L"Alpha", AT_KEYEXCHANGE, 2048, KspFixture("cert.der")}});
  CScriptedPipeServer server(
      GetUserPipeName(),
      [&](const CSecureBuffer& request) {
        const bool afterExit = WaitForSingleObject(exitBegins.get(), 0) == WAIT_OBJECT_0;
        {
          std::lock_guard<std::mutex> guard(lock);
          (afterExit ? late : early).push_back(MessageTypeOf(request));
        }
        return answer(request);
      },
      4);

  std::wstring command = L"\"" + ProgramFolder() + L"module_exit_child.exe\" " + c.kind + L" \"" +
                         ProgramFolder() + c.file + L"\" " + eventName;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             &started))
      << GetLastError();
  const luma::CKernelHandle process(started.hProcess);
  const luma::CKernelHandle thread(started.hThread);

  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(exitBegins.get(), 30000)) << "the child did not get as far";
  const ULONGLONG exitStart = GetTickCount64();
  const DWORD waited = WaitForSingleObject(process.get(), kExitBoundMilliseconds);
  const ULONGLONG took = GetTickCount64() - exitStart;
  if (waited != WAIT_OBJECT_0) TerminateProcess(process.get(), 99);
  ASSERT_EQ(WAIT_OBJECT_0, waited) << "the process did not end within " << kExitBoundMilliseconds << " ms";
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process.get(), &code);
  EXPECT_EQ(0u, code);
  EXPECT_LT(took, 3000u) << "the exit waited for something";

  std::lock_guard<std::mutex> guard(lock);
  if (c.talksToLumaPassV) {
    EXPECT_FALSE(early.empty()) << "the child never reached lumaPassV";
  }
  EXPECT_TRUE(late.empty()) << "request type " << (late.empty() ? 0 : late.front())
                            << " arrived after the exit began";
}

INSTANTIATE_TEST_SUITE_P(Modules, ModuleExitTest,
                         ::testing::Values(ModuleCase{"KeyStorageProvider", L"ksp", L"lumaPassKSP.dll", true},
                                           ModuleCase{"CryptoApiProvider", L"csp", L"lumaPassCSP.dll", true},
                                           ModuleCase{"StoreProvider", L"certstore", L"lumaPassCertStore.dll",
                                                      true},
                                           ModuleCase{"Pkcs11Module", L"p11", L"lumaPassP11.dll", false}),
                         [](const ::testing::TestParamInfo<ModuleCase>& info) { return info.param.name; });

}  // namespace
}  // namespace luma::plugin
