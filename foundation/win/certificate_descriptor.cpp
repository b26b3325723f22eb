#include "foundation/win/certificate_descriptor.h"

#include <cwchar>
#include <vector>

#include "foundation/core/little_endian.h"

namespace {
// encipherOnly, keyAgreement, dataEncipherment, keyEncipherment, decipherOnly.
constexpr DWORD kEncryptionKeyUsages = 0x8039;

std::wstring NameText(const CERT_NAME_BLOB& name) {
  const DWORD encoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
  const DWORD format = CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG;
  CERT_NAME_BLOB blob = name;
  const DWORD length = CertNameToStrW(encoding, &blob, format, nullptr, 0);
  if (length <= 1) return std::wstring();
  std::vector<wchar_t> text(length + 1, 0);
  CertNameToStrW(encoding, &blob, format, text.data(), length);
  return std::wstring(text.data());
}

DWORD KeyLength(PCCERT_CONTEXT context) {
  if (context == nullptr) return 0;
  CERT_PUBLIC_KEY_INFO key = context->pCertInfo->SubjectPublicKeyInfo;
  return CertGetPublicKeyLength(X509_ASN_ENCODING, &key);
}
}  // namespace

CCertificateDescriptor::CCertificateDescriptor(PCCERT_CONTEXT context) {
  if (context == nullptr) return;
  certificate.reset(CertDuplicateCertificateContext(context));
  keyLengthBits = KeyLength(certificate.get());
  DWORD size = 0;
  if (!CertGetCertificateContextProperty(certificate.get(), CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size) ||
      size < sizeof(CRYPT_KEY_PROV_INFO)) {
    return;
  }
  std::vector<BYTE> block(size, 0);
  if (!CertGetCertificateContextProperty(certificate.get(), CERT_KEY_PROV_INFO_PROP_ID, block.data(), &size))
    return;
  const auto* info = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(block.data());
  providerName = info->pwszProvName != nullptr ? info->pwszProvName : L"";
  containerName = info->pwszContainerName != nullptr ? info->pwszContainerName : L"";
  keySpec = info->dwKeySpec;
  providerType = info->dwProvType;
  providerFlags = info->dwFlags;
}

CCertificateDescriptor::CCertificateDescriptor(const std::wstring& container,
                                               const CSecureBuffer& encodedCertificate)
    : containerName(container) {
  if (encodedCertificate.empty()) return;
  certificate.reset(
      CertCreateCertificateContext(X509_ASN_ENCODING, encodedCertificate.data, encodedCertificate.size));
  if (!certificate) return;
  keyLengthBits = KeyLength(certificate.get());
  BYTE usage[4] = {};
  if (CertGetIntendedKeyUsage(X509_ASN_ENCODING, certificate.get()->pCertInfo, usage, sizeof(usage))) {
    keyUsage = luma::ReadLE32(usage);
    if ((keyUsage & kEncryptionKeyUsages) == 0) keySpec = AT_SIGNATURE;
  }
}

CCertificateDescriptor::CCertificateDescriptor(const CCertificateDescriptor& other)
    : providerName(other.providerName),
      containerName(other.containerName),
      keyLengthBits(other.keyLengthBits),
      keySpec(other.keySpec),
      providerType(other.providerType),
      providerFlags(other.providerFlags),
      keyUsage(other.keyUsage) {
  if (other.certificate) certificate.reset(CertDuplicateCertificateContext(other.certificate.get()));
}

CCertificateDescriptor& CCertificateDescriptor::operator=(const CCertificateDescriptor& other) {
  if (this == &other) return *this;
  CCertificateDescriptor copy(other);
  std::swap(providerName, copy.providerName);
  std::swap(containerName, copy.containerName);
  std::swap(certificate, copy.certificate);
  keyLengthBits = copy.keyLengthBits;
  keySpec = copy.keySpec;
  providerType = copy.providerType;
  providerFlags = copy.providerFlags;
  keyUsage = copy.keyUsage;
  return *this;
}

CCertificateDescriptor::~CCertificateDescriptor() = default;

CSecureBuffer CCertificateDescriptor::GetFriendlyName() const {
  if (!certificate) return CSecureBuffer();
  DWORD size = 0;
  if (!CertGetCertificateContextProperty(certificate.get(), CERT_FRIENDLY_NAME_PROP_ID, nullptr, &size) ||
      size == 0) {
    return CSecureBuffer();
  }
  CSecureBuffer name(size + 2);  // two zero bytes behind the property, whatever it holds
  if (name.size != size + 2) return CSecureBuffer();
  DWORD read = size;
  if (!CertGetCertificateContextProperty(certificate.get(), CERT_FRIENDLY_NAME_PROP_ID, name.data, &read) ||
      read > size) {
    return CSecureBuffer();
  }
  if (read < size) {  // the property shrank between the two reads
    CSecureBuffer exact(read + 2, name.data);
    return exact;
  }
  return name;
}

CSecureBuffer CCertificateDescriptor::GetEncodedCertificate() const {
  if (!certificate) return CSecureBuffer();
  return CSecureBuffer(certificate.get()->cbCertEncoded, certificate.get()->pbCertEncoded);
}

std::wstring CCertificateDescriptor::GetDescription() const {
  if (!certificate) return L"<undef>";
  const CERT_INFO* info = certificate.get()->pCertInfo;
  std::wstring serial;
  for (DWORD i = info->SerialNumber.cbData; i > 0; --i) {  // stored least significant byte first
    wchar_t digits[3];
    swprintf(digits, 3, L"%02X", info->SerialNumber.pbData[i - 1]);
    serial += digits;
  }
  return L"'" + NameText(info->Subject) + L"', serial number " + serial + L", issued by '" +
         NameText(info->Issuer) + L"'";
}
