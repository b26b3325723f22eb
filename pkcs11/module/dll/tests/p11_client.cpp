#include "pkcs11/module/dll/tests/p11_client.h"

// after windows.h
#include <gtest/gtest.h>
#include <wincrypt.h>

CP11Client::CP11Client() {
  // The token's store opened once without "open existing", so that a fresh profile has it.
  luma::CCertStoreHandle store(
      CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"MY"));
  EXPECT_TRUE(store);
  library.reset(LoadLibraryW(L"lumaPassP11.dll"));
  if (!library) {
    ADD_FAILURE() << "lumaPassP11.dll does not load: " << GetLastError();
    return;
  }
  const auto getFunctionList = reinterpret_cast<CK_C_GetFunctionList>(
      reinterpret_cast<void*>(GetProcAddress(library.get(), "C_GetFunctionList")));
  if (getFunctionList == nullptr) {
    ADD_FAILURE() << "no C_GetFunctionList";
    return;
  }
  CK_FUNCTION_LIST_PTR functions = nullptr;
  if (getFunctionList(&functions) != CKR_OK || functions == nullptr) {
    ADD_FAILURE() << "C_GetFunctionList failed";
    return;
  }
  list = functions;
}

CP11Client::~CP11Client() {
  list = nullptr;
  library.reset();
}

CK_SESSION_HANDLE CP11Client::openSession(CK_FLAGS flags) const {
  CK_SESSION_HANDLE session = CK_INVALID_HANDLE;
  EXPECT_EQ(CKR_OK, list->C_OpenSession(0, flags, nullptr, nullptr, &session));
  return session;
}

Bytes padded(const std::string& text, std::size_t width) {
  Bytes bytes(text.begin(), text.end());
  bytes.resize(width, ' ');
  return bytes;
}

Bytes littleEndian32(std::uint32_t value) {
  return Bytes{static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
               static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

Bytes version(std::uint8_t major, std::uint8_t minor) { return Bytes{major, minor}; }

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}
