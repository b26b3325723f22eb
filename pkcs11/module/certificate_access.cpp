#include "pkcs11/module/certificate_access.h"

#include <cstring>
#include <cwchar>
#include <utility>

namespace luma {
namespace pkcs11 {

namespace {
constexpr DWORD kNameCharacters = 2048;
}

bool readCertificateProperty(PCCERT_CONTEXT certificate, DWORD propertyId, CByteBuffer& out) {
  DWORD size = 0;
  if (!CertGetCertificateContextProperty(certificate, propertyId, nullptr, &size) ||
      size > kMaxPropertySize) {
    return false;
  }
  CByteBuffer value(size);
  if (value.size() != size) return false;
  DWORD read = size;
  if (!CertGetCertificateContextProperty(certificate, propertyId, value.data(), &read) || read > size) {
    return false;
  }
  // Values such as the key provider information point into their own bytes: keep the block.
  out = read == size ? std::move(value) : CByteBuffer(read, value.data());
  return true;
}

CByteBuffer certificateHash(PCCERT_CONTEXT certificate) {
  CByteBuffer hash;
  readCertificateProperty(certificate, CERT_SHA1_HASH_PROP_ID, hash);
  return hash;
}

bool readKeyProviderInfo(PCCERT_CONTEXT certificate, CKeyProviderInfo& out) {
  CByteBuffer value;
  if (!readCertificateProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, value) ||
      value.size() < sizeof(CRYPT_KEY_PROV_INFO)) {
    return false;
  }
  CRYPT_KEY_PROV_INFO info;
  std::memcpy(&info, value.data(), sizeof(info));
  out.keySpec = info.dwKeySpec;
  out.providerName.clear();
  // The name lies inside the property's own bytes; anything else is not trusted.
  const BYTE* begin = value.data();
  const BYTE* end = begin + value.size();
  const BYTE* name = reinterpret_cast<const BYTE*>(info.pwszProvName);
  if (name != nullptr && name >= begin && name < end) {
    const std::size_t available = static_cast<std::size_t>(end - name) / sizeof(wchar_t);
    std::wstring text(available, L'\0');
    std::memcpy(&text[0], name, available * sizeof(wchar_t));
    const std::size_t length = std::wcslen(text.c_str());
    if (length < available) out.providerName.assign(text, 0, length);  // a terminator was found
  }
  return true;
}

bool isSmartCardCertificate(PCCERT_CONTEXT certificate) {
  CKeyProviderInfo info;
  return readKeyProviderInfo(certificate, info) && info.providerName == kSmartCardProviderName;
}

luma::CCertContextHandle detachedCopy(PCCERT_CONTEXT certificate) {
  luma::CCertContextHandle copy;
  luma::CCertStoreHandle memory(
      CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr));
  if (memory) CertAddCertificateContextToStore(memory.get(), certificate, CERT_STORE_ADD_ALWAYS, copy.put());
  return copy;  // the copy keeps its store alive after the handle is closed
}

std::string friendlyDisplayName(PCCERT_CONTEXT certificate) {
  wchar_t name[kNameCharacters] = {};
  const DWORD written =
      CertGetNameStringW(certificate, CERT_NAME_FRIENDLY_DISPLAY_TYPE, 0, nullptr, name, kNameCharacters);
  const int characters = static_cast<int>(wcsnlen(name, written == 0 ? 0 : kNameCharacters));
  if (characters == 0) return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, name, characters, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, name, characters, &utf8[0], size, nullptr, nullptr);
  return utf8;
}

}  // namespace pkcs11
}  // namespace luma
