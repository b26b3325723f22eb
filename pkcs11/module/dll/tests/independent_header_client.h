// The same application once more, compiled against an independent declaration of the interface
// (p11-kit's PKCS#11 header, with the Windows packing it applies itself): structure sizes and
// offsets, and the information structures read through that declaration's function list.
#ifndef LUMA_PKCS11_MODULE_DLL_TESTS_INDEPENDENT_HEADER_CLIENT_H_
#define LUMA_PKCS11_MODULE_DLL_TESTS_INDEPENDENT_HEADER_CLIENT_H_

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace independent {

// "CK_INFO" -> size, "CK_TOKEN_INFO.flags" -> offset, ...
std::map<std::string, std::size_t> layout();

struct CInformation {
  std::vector<std::uint8_t> info, slotInfo, tokenInfo, sessionInfo, mechanismInfo;
  unsigned long listVersion = 0;
  std::string failure;  // empty when every call succeeded
};
// Initialises the loaded module, reads the structures with one session open, and finalises it.
CInformation readInformation(HMODULE module);

}  // namespace independent

#endif  // LUMA_PKCS11_MODULE_DLL_TESTS_INDEPENDENT_HEADER_CLIENT_H_
