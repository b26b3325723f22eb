#include "plugins/ksp/ksp_registration.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace luma::ksp {
namespace {

// The registration functions CNG would run, recorded with their arguments; each answers from a script.
std::vector<std::wstring> calls;
std::vector<NTSTATUS> answers;
const CRYPT_PROVIDER_REG* registeredRecord = nullptr;

NTSTATUS Next(const std::wstring& call) {
  calls.push_back(call);
  if (answers.empty()) return 0;
  const NTSTATUS status = answers.front();
  answers.erase(answers.begin());
  return status;
}

NTSTATUS WINAPI FakeRegister(LPCWSTR provider, ULONG flags, PCRYPT_PROVIDER_REG record) {
  registeredRecord = record;
  return Next(L"register " + std::wstring(provider) + L" " + std::to_wstring(flags));
}
NTSTATUS WINAPI FakeAddFunction(ULONG table, LPCWSTR context, ULONG interfaceId, LPCWSTR function,
                                ULONG position) {
  return Next(L"add function " + std::to_wstring(table) + (context ? L" ctx" : L" -") + L" " +
              std::to_wstring(interfaceId) + L" " + function + L" " + std::to_wstring(position));
}
NTSTATUS WINAPI FakeAddProvider(ULONG, LPCWSTR, ULONG, LPCWSTR function, LPCWSTR provider, ULONG) {
  return Next(L"add provider " + std::wstring(function) + L" " + provider);
}
NTSTATUS WINAPI FakeRemoveProvider(ULONG, LPCWSTR, ULONG, LPCWSTR function, LPCWSTR provider) {
  return Next(L"remove provider " + std::wstring(function) + L" " + provider);
}
NTSTATUS WINAPI FakeUnregister(LPCWSTR provider) { return Next(L"unregister " + std::wstring(provider)); }

const RegistrationFunctions kFakes = {FakeRegister, FakeAddFunction, FakeAddProvider, FakeRemoveProvider,
                                      FakeUnregister};

class KspRegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    calls.clear();
    answers.clear();
    registeredRecord = nullptr;
  }
};

TEST_F(KspRegistrationTest, RegistersTheProviderItsAliasesAndTheKeyStorageFunction) {
  EXPECT_EQ(S_OK, RegisterProvider(kFakes));
  const std::wstring name = L"nuvak lumaPass V Key Storage Provider";
  EXPECT_EQ((std::vector<std::wstring>{L"register " + name + L" 1",
                                       L"add function 1 - 65537 KEY_STORAGE 4294967295",
                                       L"add provider KEY_STORAGE " + name}),
            calls);
  ASSERT_NE(nullptr, registeredRecord);
  ASSERT_EQ(2u, registeredRecord->cAliases);
  EXPECT_STREQ(L"nuvak lumaPass V Cryptographic Service Provider", registeredRecord->rgpszAliases[0]);
  EXPECT_STREQ(L"nuvak lumaPass V RSA and AES Cryptographic Service Provider",
               registeredRecord->rgpszAliases[1]);
  EXPECT_STREQ(L"lumaPassKSP.dll", registeredRecord->pUM->pszImage);
  ASSERT_EQ(1u, registeredRecord->pUM->cInterfaces);
  EXPECT_EQ(static_cast<ULONG>(NCRYPT_KEY_STORAGE_INTERFACE),
            registeredRecord->pUM->rgpInterfaces[0]->dwInterface);
  EXPECT_STREQ(L"KEY_STORAGE", registeredRecord->pUM->rgpInterfaces[0]->rgpszFunctions[0]);
  EXPECT_EQ(nullptr, registeredRecord->pKM);
}

TEST_F(KspRegistrationTest, AFailingStepEndsWithItsStatusAndInformationalOnesBecomeWin32Results) {
  answers = {0, static_cast<NTSTATUS>(0xC0000022)};
  EXPECT_EQ(static_cast<HRESULT>(0xC0000022), RegisterProvider(kFakes));
  EXPECT_EQ(2u, calls.size());

  calls.clear();
  answers = {0, 0, static_cast<NTSTATUS>(0x00000105)};
  EXPECT_EQ(HRESULT_FROM_WIN32(0x105), RegisterProvider(kFakes));

  calls.clear();
  answers = {static_cast<NTSTATUS>(0xC0000225)};
  EXPECT_EQ(static_cast<HRESULT>(0xC0000225), UnregisterProvider(kFakes));
  EXPECT_EQ(1u, calls.size());

  calls.clear();
  answers = {0, 0};
  EXPECT_EQ(S_OK, UnregisterProvider(kFakes));
  EXPECT_EQ((std::vector<std::wstring>{L"remove provider KEY_STORAGE nuvak lumaPass V Key Storage Provider",
                                       L"unregister nuvak lumaPass V Key Storage Provider"}),
            calls);
}

}  // namespace
}  // namespace luma::ksp
