#include "policy/filters/certificate_attribute_reading.h"

namespace luma::cert_filters {

const CERT_EXTENSION* FindCertExtension(PCCERT_CONTEXT certificate, LPCSTR oid) {
  if (certificate == nullptr || certificate->pCertInfo == nullptr || oid == nullptr) return nullptr;
  const CERT_INFO* info = certificate->pCertInfo;
  return CertFindExtension(oid, info->cExtension, info->rgExtension);
}

CLocalMemoryHandle DecodeCertExtension(const CERT_EXTENSION& extension, LPCSTR structType) {
  void* block = nullptr;
  DWORD size = 0;
  if (!CryptDecodeObjectEx(kCertEncoding, structType, extension.Value.pbData, extension.Value.cbData,
                           CRYPT_DECODE_ALLOC_FLAG | CRYPT_DECODE_NOCOPY_FLAG, nullptr, &block, &size)) {
    return CLocalMemoryHandle();
  }
  return CLocalMemoryHandle(block);
}

}  // namespace luma::cert_filters
