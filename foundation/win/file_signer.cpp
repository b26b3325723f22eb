#include "foundation/win/file_signer.h"

// after windows.h
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include "foundation/win/unique_handle.h"

namespace {
// The trust-data record with its last member (the signature settings), 52 bytes on 32-bit Windows;
// MinGW declares only the older 48-byte form.
struct WinTrustDataRecord {
  DWORD cbStruct;
  LPVOID pPolicyCallbackData;
  LPVOID pSIPClientData;
  DWORD dwUIChoice;
  DWORD fdwRevocationChecks;
  DWORD dwUnionChoice;
  WINTRUST_FILE_INFO* pFile;
  DWORD dwStateAction;
  HANDLE hWVTStateData;
  WCHAR* pwszURLReference;
  DWORD dwProvFlags;
  DWORD dwUIContext;
  void* pSignatureSettings;
};
static_assert(sizeof(void*) != 4 || sizeof(WinTrustDataRecord) == 52, "trust-data record layout");
static_assert(sizeof(void*) != 4 || sizeof(WINTRUST_FILE_INFO) == 16, "file-information record layout");

// The revocation-check member carries the value the product has always given it.
constexpr DWORD kRevocationChecks = 0x210;

}  // namespace

namespace luma {

LONG VerifyFileTrust(const std::wstring& path) {
  WINTRUST_FILE_INFO file = {};
  file.cbStruct = sizeof(file);
  file.pcwszFilePath = path.c_str();
  WinTrustDataRecord data = {};
  data.cbStruct = sizeof(data);
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = kRevocationChecks;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  return WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
}

CSecureBuffer ReadFileSignerCertificate(const std::wstring& path) {
  luma::CCertStoreHandle store;
  luma::CCryptMessageHandle message;
  if (!CryptQueryObject(CERT_QUERY_OBJECT_FILE, path.c_str(), CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED,
                        CERT_QUERY_FORMAT_FLAG_BINARY, 0, nullptr, nullptr, nullptr, store.put(),
                        message.put(), nullptr)) {
    return CSecureBuffer();
  }
  HCERTSTORE stores[] = {store.get()};
  luma::CCertContextHandle signer;
  if (!CryptMsgGetAndVerifySigner(message.get(), 1, stores, CMSG_TRUSTED_SIGNER_FLAG, signer.put(),
                                  nullptr) ||
      !signer) {
    return CSecureBuffer();
  }
  return CSecureBuffer(signer.get()->cbCertEncoded, signer.get()->pbCertEncoded);
}

CSecureBuffer GetFileSignerCertificate(const std::wstring& path) {
  if (VerifyFileTrust(path) != 0) return CSecureBuffer();
  return ReadFileSignerCertificate(path);
}

}  // namespace luma
