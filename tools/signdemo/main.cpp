// LumaSignDemo: signs a file as any CryptoAPI application would: it takes the certificate that
// lumaPassV provisioned into the user's "MY" store with its key at the named provider (lumaPassCSP's
// registered name in the run script), opens the key with
// CryptAcquireCertificatePrivateKey and writes a detached PKCS#7 signature (DER) made by
// CryptSignMessage. The private-key operation crosses the pipe to lumaPassV and the signing service.
//
//   LumaSignDemo <file to sign> <signature file> <key provider name>
//
// Exit code 0 on success; otherwise the failing call's error code (or 1 for a local failure).
// windows.h first.
// clang-format off
#include <windows.h>
#include <wincrypt.h>
// clang-format on

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "foundation/core/secure_buffer.h"
#include "foundation/win/certificate_descriptor.h"
#include "foundation/win/message_signing.h"
#include "foundation/win/unique_handle.h"

namespace {

constexpr std::streamoff kMaxFileSize = 16 * 1024 * 1024;
constexpr int kCertificateWaitAttempts = 60;
constexpr DWORD kCertificateWaitMilliseconds = 500;

bool ReadInput(const wchar_t* path, std::vector<BYTE>& data) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) return false;
  const std::streamoff size = file.tellg();
  if (size <= 0 || size > kMaxFileSize) return false;
  file.seekg(0);
  data.resize(static_cast<std::size_t>(size));
  return static_cast<bool>(file.read(reinterpret_cast<char*>(data.data()), size));
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

// The first certificate of the user's "MY" store whose key provider information names the provider.
// A freshly provisioned account's certificates reach the store a few seconds after its policy.
luma::CCertContextHandle FindCertificate(const std::wstring& providerName) {
  for (int attempt = 0; attempt < kCertificateWaitAttempts; ++attempt) {
    const luma::CCertStoreHandle store(CertOpenSystemStoreW(0, L"MY"));
    PCCERT_CONTEXT certificate = nullptr;
    while (store && (certificate = CertEnumCertificatesInStore(store.get(), certificate)) != nullptr) {
      if (CCertificateDescriptor(certificate).providerName == providerName) {
        return luma::CCertContextHandle(certificate);  // the enumeration's reference
      }
    }
    Sleep(kCertificateWaitMilliseconds);
  }
  return luma::CCertContextHandle();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: LumaSignDemo <file to sign> <signature file> <key provider name>\n");
    return 1;
  }
  std::vector<BYTE> content;
  if (!ReadInput(argv[1], content)) return Fail("cannot read the file to sign (empty or over 16 MiB?)", 0);

  const luma::CCertContextHandle certificate = FindCertificate(argv[3]);
  if (!certificate)
    return Fail("no certificate in MY has its key at the provider (is lumaPassV running?)", 0);
  wchar_t subject[256] = {};
  CertGetNameStringW(certificate.get(), CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, subject, 256);
  std::fwprintf(stdout, L"Signing with the certificate of %ls through %ls\n", subject, argv[3]);

  // The application's road to the key, exactly as a signing program takes it.
  HCRYPTPROV_OR_NCRYPT_KEY_HANDLE key = 0;
  DWORD keySpec = 0;
  BOOL mustFree = FALSE;
  if (!CryptAcquireCertificatePrivateKey(certificate.get(), 0, nullptr, &key, &keySpec, &mustFree)) {
    return Fail("CryptAcquireCertificatePrivateKey failed", GetLastError());
  }
  const luma::CCryptProviderHandle acquired(mustFree ? key : 0);

  CSecureBuffer signature;
  const DWORD status = luma::SignMessageSha256(certificate.get(), content.data(),
                                               static_cast<DWORD>(content.size()), true, signature);
  if (status != 0) return Fail("CryptSignMessage failed", status);
  if (!WriteOutput(argv[2], signature)) return Fail("cannot write the signature", 0);
  std::fprintf(stdout, "Detached PKCS#7 signature of %lu bytes written\n",
               static_cast<unsigned long>(signature.size));
  return 0;
}
