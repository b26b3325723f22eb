// Policy file names from the file system against provider names: the check must never read past
// either name, and every name the program writes must pass it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "policy/core/policy_file_name.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t split = data[0] % (size);
  WString provider;
  WString fileName;
  for (std::size_t i = 1; i < size; ++i) {
    (i <= split ? provider : fileName).push_back(static_cast<WCHAR>(data[i]));
  }
  luma::policy::IsPolicyFileNameOf(provider, fileName);

  if (provider.find('\\') != WString::npos) return 0;
  static const char kHex[] = "0123456789abcdef";
  WString digest;
  for (std::size_t i = 0; i < 8; ++i)
    digest.push_back(static_cast<WCHAR>(kHex[(fileName.size() + i * 7) % 16]));
  const WString path = luma::policy::MakePolicyFilePath(WSTR("C:\\store"), provider, digest);
  if (!luma::policy::IsPolicyFileNameOf(provider, path.substr(path.rfind('\\') + 1))) std::abort();
  return 0;
}
