#include "service/exchange/content_cipher.h"

#include <wincrypt.h>

#include <cstring>

#include "foundation/win/unique_handle.h"
#include "service/core/enveloped_data.h"

namespace luma {
namespace service {

namespace {
// PLAINTEXTKEYBLOB: header, key size, key bytes.
struct AesKeyBlob {
  BLOBHEADER header;
  DWORD keySize;
  BYTE key[kContentKeySize];
};

DWORD ImportContentKey(const CSecureBuffer& key, const CSecureBuffer& iv, CCryptProviderHandle& provider,
                       CCryptKeyHandle& imported) {
  if (key.size != kContentKeySize || iv.size != kCipherBlockSize) return ERROR_INVALID_PARAMETER;
  if (!CryptAcquireContextW(provider.put(), nullptr, nullptr, PROV_RSA_AES,
                            CRYPT_VERIFYCONTEXT | CRYPT_SILENT))
    return GetLastError();
  CSecureBuffer blob(sizeof(AesKeyBlob));  // wiped when it goes
  if (blob.size != sizeof(AesKeyBlob)) return ERROR_NOT_ENOUGH_MEMORY;
  AesKeyBlob* fields = reinterpret_cast<AesKeyBlob*>(blob.data);
  fields->header.bType = PLAINTEXTKEYBLOB;
  fields->header.bVersion = CUR_BLOB_VERSION;
  fields->header.reserved = 0;
  fields->header.aiKeyAlg = CALG_AES_256;
  fields->keySize = kContentKeySize;
  std::memcpy(fields->key, key.data, kContentKeySize);
  if (!CryptImportKey(provider.get(), blob.data, blob.size, 0, 0, imported.put())) return GetLastError();
  DWORD mode = CRYPT_MODE_CBC;
  if (!CryptSetKeyParam(imported.get(), KP_MODE, reinterpret_cast<const BYTE*>(&mode), 0) ||
      !CryptSetKeyParam(imported.get(), KP_IV, iv.data, 0)) {
    return GetLastError();
  }
  return ERROR_SUCCESS;
}

bool IsWholeBlocks(const CSecureBuffer& data) { return !data.empty() && data.size % kCipherBlockSize == 0; }
}  // namespace

DWORD EncryptContentBlocks(const CSecureBuffer& key, const CSecureBuffer& iv, const CSecureBuffer& plain,
                           CSecureBuffer& cipher) {
  if (!IsWholeBlocks(plain)) return ERROR_INVALID_PARAMETER;
  CCryptProviderHandle provider;
  CCryptKeyHandle imported;
  const DWORD error = ImportContentKey(key, iv, provider, imported);
  if (error != ERROR_SUCCESS) return error;
  CSecureBuffer data = plain;
  if (data.size != plain.size) return ERROR_NOT_ENOUGH_MEMORY;
  // Not the final call: the provider adds no padding of its own.
  DWORD size = data.size;
  if (!CryptEncrypt(imported.get(), 0, FALSE, 0, data.data, &size, data.size)) return GetLastError();
  if (size != data.size) return ERROR_INTERNAL_ERROR;
  cipher = std::move(data);
  return ERROR_SUCCESS;
}

DWORD DecryptContentBlocks(const CSecureBuffer& key, const CSecureBuffer& iv, const CSecureBuffer& cipher,
                           CSecureBuffer& plain) {
  if (!IsWholeBlocks(cipher)) return ERROR_INVALID_PARAMETER;
  CCryptProviderHandle provider;
  CCryptKeyHandle imported;
  const DWORD error = ImportContentKey(key, iv, provider, imported);
  if (error != ERROR_SUCCESS) return error;
  CSecureBuffer data = cipher;
  if (data.size != cipher.size) return ERROR_NOT_ENOUGH_MEMORY;
  DWORD size = data.size;
  if (!CryptDecrypt(imported.get(), 0, FALSE, 0, data.data, &size)) return GetLastError();
  if (size != data.size) return ERROR_INTERNAL_ERROR;
  plain = std::move(data);
  return ERROR_SUCCESS;
}

}  // namespace service
}  // namespace luma
