// A program that loads one of the product's modules, opens a key or a session through it and returns
// from main without closing anything, as an application that simply ends does:
//
//   module_exit_child <ksp|csp|certstore|p11> <module path> <event name>
//
// It sets the named event just before main returns, when the process's exit begins. Exit code 0
// when every step worked, 2 for wrong arguments, 3 when a step failed.
#include <windows.h>
// after windows.h
#include <wincrypt.h>

#include <cstdio>
#include <string>

#include "pkcs11/core/cryptoki.h"
#include "plugins/csp/csp_interface.h"
#include "plugins/ksp/key_storage_interface.h"

namespace {

constexpr int kStepFailed = 3;

template <typename F>
F Export(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

bool OpenKeyStorageKey(HMODULE module) {
  using GetInterface = SECURITY_STATUS(WINAPI*)(LPCWSTR, NCRYPT_KEY_STORAGE_FUNCTION_TABLE**, DWORD);
  const auto getInterface = Export<GetInterface>(module, "GetKeyStorageInterface");
  NCRYPT_KEY_STORAGE_FUNCTION_TABLE* table = nullptr;
  const wchar_t* name = L"nuvak lumaPass V Key Storage Provider";
  if (getInterface == nullptr || getInterface(name, &table, 0) != 0 || table == nullptr) return false;
  NCRYPT_PROV_HANDLE provider = 0;
  NCRYPT_KEY_HANDLE key = 0;
  return table->OpenProvider(&provider, name, 0) == 0 && table->OpenKey(provider, &key, L"Alpha", 0, 0) == 0;
}

bool OpenCryptoApiKey(HMODULE module) {
  const auto acquire = Export<decltype(&CPAcquireContext)>(module, "CPAcquireContext");
  const auto userKey = Export<decltype(&CPGetUserKey)>(module, "CPGetUserKey");
  HCRYPTPROV provider = 0;
  HCRYPTKEY key = 0;
  return acquire != nullptr && userKey != nullptr && acquire(&provider, "Alpha", 0, nullptr) &&
         userKey(provider, AT_KEYEXCHANGE, &key);
}

bool OpenStore(HMODULE module) {
  using OpenFunction =
      BOOL(WINAPI*)(LPCSTR, DWORD, HCRYPTPROV_LEGACY, DWORD, const void*, HCERTSTORE, PCERT_STORE_PROV_INFO);
  using FindFunction = BOOL(WINAPI*)(HCERTSTOREPROV, PCCERT_STORE_PROV_FIND_INFO, PCCERT_CONTEXT, DWORD,
                                     void**, PCCERT_CONTEXT*);
  const auto open = Export<OpenFunction>(module, "CertDllOpenLumaPassVStoreProvW");
  if (open == nullptr) return false;
  HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr);
  CERT_STORE_PROV_INFO info = {};
  info.cbSize = sizeof info;
  if (!open("lumaPassV", 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"lumaPassV", store, &info) ||
      info.cStoreProvFunc <= CERT_STORE_PROV_FIND_CERT_FUNC) {
    return false;
  }
  // A search fills the store from lumaPassV; nothing found is fine.
  const auto find = reinterpret_cast<FindFunction>(info.rgpvStoreProvFunc[CERT_STORE_PROV_FIND_CERT_FUNC]);
  CERT_STORE_PROV_FIND_INFO findInfo = {};
  findInfo.cbSize = sizeof findInfo;
  findInfo.dwMsgAndCertEncodingType = X509_ASN_ENCODING;
  findInfo.dwFindType = CERT_FIND_ANY;
  void* findState = nullptr;
  PCCERT_CONTEXT found = nullptr;
  find(info.hStoreProv, &findInfo, nullptr, 0, &findState, &found);
  return true;
}

bool OpenTokenSession(HMODULE module) {
  const auto getList = Export<CK_RV (*)(CK_FUNCTION_LIST_PTR_PTR)>(module, "C_GetFunctionList");
  CK_FUNCTION_LIST_PTR functions = nullptr;
  if (getList == nullptr || getList(&functions) != CKR_OK || functions == nullptr) return false;
  CK_SESSION_HANDLE session = 0;
  return functions->C_Initialize(nullptr) == CKR_OK &&
         functions->C_OpenSession(0, CKF_SERIAL_SESSION, nullptr, nullptr, &session) == CKR_OK;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  const std::wstring kind = argv[1];
  HANDLE exitBegins = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[3]);
  HMODULE module = LoadLibraryW(argv[2]);
  if (exitBegins == nullptr || module == nullptr) return kStepFailed;
  bool opened = false;
  if (kind == L"ksp") {
    opened = OpenKeyStorageKey(module);
  } else if (kind == L"csp") {
    opened = OpenCryptoApiKey(module);
  } else if (kind == L"certstore") {
    opened = OpenStore(module);
  } else if (kind == L"p11") {
    opened = OpenTokenSession(module);
  } else {
    return 2;
  }
  if (!opened) {
    std::fprintf(stderr, "opening through the module failed: 0x%08lx\n", GetLastError());
    return kStepFailed;
  }
  // Nothing is closed, finalised or freed: the process simply ends.
  SetEvent(exitBegins);
  return 0;
}
