#include "service/exchange/key_transport.h"

#include <cstring>

#include "foundation/win/unique_handle.h"
#include "service/core/enveloped_data.h"

namespace luma {
namespace service {

DWORD WrapContentKey(PCCERT_CONTEXT recipient, const CSecureBuffer& contentKey, CSecureBuffer& encryptedKey) {
  if (recipient == nullptr || contentKey.size != kContentKeySize) return ERROR_INVALID_PARAMETER;
  CCryptProviderHandle provider;
  CCryptKeyHandle publicKey;
  if (!CryptAcquireContextW(provider.put(), nullptr, nullptr, PROV_RSA_AES,
                            CRYPT_VERIFYCONTEXT | CRYPT_SILENT) ||
      !CryptImportPublicKeyInfo(provider.get(), X509_ASN_ENCODING,
                                &recipient->pCertInfo->SubjectPublicKeyInfo, publicKey.put())) {
    return GetLastError();
  }
  DWORD bits = 0;
  DWORD bitsSize = sizeof(bits);
  if (!CryptGetKeyParam(publicKey.get(), KP_KEYLEN, reinterpret_cast<BYTE*>(&bits), &bitsSize, 0))
    return GetLastError();
  const DWORD modulusSize = (bits + 7) / 8;
  if (modulusSize < contentKey.size + 11 || modulusSize > kMaxEncryptedKeySize) return NTE_BAD_KEY;
  CSecureBuffer block(modulusSize);
  if (block.size != modulusSize) return ERROR_NOT_ENOUGH_MEMORY;
  std::memcpy(block.data, contentKey.data, contentKey.size);
  DWORD size = contentKey.size;
  if (!CryptEncrypt(publicKey.get(), 0, TRUE, 0, block.data, &size, block.size)) return GetLastError();
  if (size != modulusSize) return ERROR_INTERNAL_ERROR;
  block.Reverse();
  encryptedKey = std::move(block);
  return ERROR_SUCCESS;
}

DWORD UnwrapContentKey(HCRYPTKEY privateKey, const CSecureBuffer& encryptedKey, CSecureBuffer& contentKey) {
  CSecureBuffer block = encryptedKey;
  if (block.size != encryptedKey.size) return ERROR_NOT_ENOUGH_MEMORY;
  block.Reverse();
  DWORD size = block.size;
  if (block.empty() || !CryptDecrypt(privateKey, 0, TRUE, 0, block.data, &size) || size != kContentKeySize)
    return static_cast<DWORD>(NTE_BAD_DATA);
  CSecureBuffer key(size, block.data);
  if (key.size != size) return ERROR_NOT_ENOUGH_MEMORY;
  contentKey = std::move(key);
  return ERROR_SUCCESS;
}

}  // namespace service
}  // namespace luma
