// LumaSignDemo: signs a SHA-256 DigestInfo with the first key container that lumaPassV offers on the
// user's pipe, as a key plug-in would, and writes the signature (big-endian, as OpenSSL reads it).
//
//   LumaSignDemo <DigestInfo file> <signature file>
//
// Exit code 0 on success; otherwise the status lumaPassV answered (or 1 for a local failure).
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "plugins/common/unconnected_named_pipe_client.h"
#include "plugins/common/user_pipe_name.h"
#include "plugins/common/virtual_smart_card_client.h"
#include "plugins/ksp/core/container_record.h"
#include "plugins/ksp/core/pkcs1_blocks.h"

namespace {

constexpr std::size_t kMaxDigestInfoSize = 128;  // SHA-512's DigestInfo is 83 bytes
constexpr int kContainerWaitAttempts = 60;
constexpr DWORD kContainerWaitMilliseconds = 500;

bool ReadInput(const wchar_t* path, CSecureBuffer& data) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (bytes.empty() || bytes.size() > kMaxDigestInfoSize) return false;
  data = CSecureBuffer(static_cast<DWORD>(bytes.size()), bytes.data());
  return true;
}

bool WriteOutput(const wchar_t* path, const CSecureBuffer& data) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(data.data), data.size);
  return static_cast<bool>(file);
}

int Fail(const char* what, DWORD status) {
  std::fprintf(stderr, "LumaSignDemo: %s (0x%08lx)\n", what, static_cast<unsigned long>(status));
  return status != 0 ? static_cast<int>(status) : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: LumaSignDemo <DigestInfo file> <signature file>\n");
    return 1;
  }
  CSecureBuffer digestInfo;
  if (!ReadInput(argv[1], digestInfo)) return Fail("cannot read the DigestInfo", 0);

  CUnconnectedNamedPipeClient transport(luma::plugin::GetUserPipeName(), kPipeTimeoutMilliseconds);
  CVirtualSmartCardClient client(&transport, L"LumaSignDemo");
  BYTE sessionId[16] = {};
  DWORD containers = 0;
  DWORD status = 0;
  // A freshly provisioned account's certificates reach the card a few seconds after its policy.
  for (int attempt = 0; attempt < kContainerWaitAttempts; ++attempt) {
    status = client.OpenSession(sessionId, containers);
    if (status != 0) return Fail("lumaPassV refused the session (is it running?)", status);
    if (containers != 0) break;
    client.CloseSession(sessionId);
    Sleep(kContainerWaitMilliseconds);
  }
  if (containers == 0) return Fail("lumaPassV offers no key container", 0);

  CSecureBuffer record;
  CSecureBuffer keyInfo;
  CSecureBuffer certificate;
  status = client.GetContainerInfo(sessionId, 0, record, keyInfo, certificate);
  if (status != 0) return Fail("cannot read the key container", status);
  const luma::ksp::ContainerRecord container = luma::ksp::ParseContainerRecord(record);
  const std::wstring name(container.name.begin(), container.name.end());
  std::fwprintf(stdout, L"Signing with container %ls (%lu bits)\n", name.c_str(),
                static_cast<unsigned long>(container.keyBits));

  CSecureBuffer block;
  if (container.keyBits == 0 || !luma::ksp::PadPkcs1Type1(digestInfo, container.keyBits / 8, block)) {
    return Fail("the DigestInfo does not fit the key", 0);
  }
  CSecureBuffer signature;
  status = client.SignData(sessionId, name, luma::ksp::kAlgSha256, block, signature);
  client.CloseSession(sessionId);
  if (status != 0) return Fail("lumaPassV did not sign", status);
  if (!WriteOutput(argv[2], signature)) return Fail("cannot write the signature", 0);
  std::fprintf(stdout, "Signature of %lu bytes written\n", static_cast<unsigned long>(signature.size));
  return 0;
}
