// The test programs' PKCS#11 application: loads lumaPassP11.dll by file, as an application does, and
// calls it only through the function list that C_GetFunctionList hands out.
#ifndef LUMA_PKCS11_MODULE_DLL_TESTS_P11_CLIENT_H_
#define LUMA_PKCS11_MODULE_DLL_TESTS_P11_CLIENT_H_

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "foundation/win/unique_handle.h"
#include "pkcs11/core/cryptoki.h"

using Bytes = std::vector<std::uint8_t>;

class CP11Client {
 public:
  // Loads the module (making sure the user's "MY" store exists, which the token shows); the test
  // fails when the module or its function list cannot be had.
  CP11Client();
  // Unloads the module, which finalises it as often as it was initialised.
  ~CP11Client();
  CP11Client(const CP11Client&) = delete;
  CP11Client& operator=(const CP11Client&) = delete;

  bool loaded() const { return list != nullptr; }
  const CK_FUNCTION_LIST& operator*() const { return *list; }
  const CK_FUNCTION_LIST* operator->() const { return list; }
  HMODULE module() const { return library.get(); }

  // Opens a serial session on slot 0; fails the test otherwise.
  CK_SESSION_HANDLE openSession(CK_FLAGS flags = CKF_SERIAL_SESSION) const;

 private:
  luma::CModuleHandle library;
  CK_FUNCTION_LIST* list = nullptr;
};

// Bytes of a structure as the module wrote it, followed by `guard` bytes that must stay 0xA5.
template <typename Structure>
struct CGuarded {
  static constexpr std::size_t kGuardSize = 16;
  CGuarded() { std::fill(std::begin(bytes), std::end(bytes), std::uint8_t{0xA5}); }
  Structure* get() { return reinterpret_cast<Structure*>(bytes); }
  Bytes structure() const { return Bytes(bytes, bytes + sizeof(Structure)); }
  bool guardIntact() const {
    for (std::size_t index = sizeof(Structure); index < sizeof(bytes); ++index) {
      if (bytes[index] != 0xA5) return false;
    }
    return true;
  }
  alignas(8) std::uint8_t bytes[sizeof(Structure) + kGuardSize];
};

// Builders of the expected bytes, independent of the module's structure declarations.
Bytes padded(const std::string& text, std::size_t width);
Bytes littleEndian32(std::uint32_t value);
Bytes version(std::uint8_t major, std::uint8_t minor);
Bytes concat(std::initializer_list<Bytes> parts);

#endif  // LUMA_PKCS11_MODULE_DLL_TESTS_P11_CLIENT_H_
