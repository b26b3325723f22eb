#include "plugins/common/key_container.h"

#include <wincrypt.h>

#include "foundation/win/unique_handle.h"
#include "plugins/common/core/container_record.h"

namespace {

constexpr DWORD kPublicKeyWorkSize = 2048;
constexpr ALG_ID kAlgRsaSign = 0x2400;
constexpr ALG_ID kAlgRsaKeyExchange = 0xA400;

// A record of the expected size, or that many zero bytes when lumaPassV sent less.
CSecureBuffer AtLeast(const CSecureBuffer& record, DWORD size) {
  return record.size >= size ? record : CSecureBuffer(size);
}

// Decodes the key into a work buffer; empty when it does not decode or does not fit.
CSecureBuffer DecodeKey(const CERT_PUBLIC_KEY_INFO& info, LPCSTR structure) {
  CSecureBuffer work(kPublicKeyWorkSize);
  DWORD size = work.size;
  if (work.size != kPublicKeyWorkSize ||
      !CryptDecodeObjectEx(X509_ASN_ENCODING, structure, info.PublicKey.pbData, info.PublicKey.cbData, 0,
                           nullptr, work.data, &size) ||
      size > kPublicKeyWorkSize) {
    return CSecureBuffer();
  }
  return CSecureBuffer(size, work.data);
}

}  // namespace

namespace luma::plugin {

std::shared_ptr<CKeyContainer> MakeKeyContainer(const CSecureBuffer& containerInfo,
                                                const CSecureBuffer& keyInfo, CSecureBuffer certificate) {
  auto container = std::make_shared<CKeyContainer>();
  container->containerInfo = AtLeast(containerInfo, luma::plugin::kContainerInfoSize);
  container->keyInfo = AtLeast(keyInfo, luma::plugin::kKeyInfoSize);
  container->certificate = std::move(certificate);
  const luma::plugin::ContainerRecord record = luma::plugin::ParseContainerRecord(container->containerInfo);
  container->name = record.name;
  container->defaultFlag = record.defaultFlag;
  container->keySpec = record.keySpec;
  container->keyBits = record.keyBits;
  DecodePublicKeys(*container);
  return container;
}

void DecodePublicKeys(CKeyContainer& container) {
  if (container.certificate.empty()) return;
  const luma::CCertContextHandle certificate(CertCreateCertificateContext(
      X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, container.certificate.data, container.certificate.size));
  if (!certificate) return;
  const CERT_PUBLIC_KEY_INFO& info = certificate.get()->pCertInfo->SubjectPublicKeyInfo;
  container.cngPublicKey = DecodeKey(info, CNG_RSA_PUBLIC_KEY_BLOB);
  CSecureBuffer capi = DecodeKey(info, RSA_CSP_PUBLICKEYBLOB);
  if (capi.size >= sizeof(BLOBHEADER)) {
    reinterpret_cast<BLOBHEADER*>(capi.data)->aiKeyAlg =
        container.keySpec == luma::plugin::kAtSignature ? kAlgRsaSign : kAlgRsaKeyExchange;
    container.capiPublicKey = std::move(capi);
  }
}

}  // namespace luma::plugin
