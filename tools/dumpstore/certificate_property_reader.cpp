#include "tools/dumpstore/property_reader.h"

bool CCertificatePropertyReader::GetPropertySize(DWORD propId, DWORD& size) {
  size = 0;
  return CertGetCertificateContextProperty(m_certificate, propId, nullptr, &size) != FALSE;
}

bool CCertificatePropertyReader::GetProperty(DWORD propId, BYTE* buffer, DWORD& size) {
  return CertGetCertificateContextProperty(m_certificate, propId, buffer, &size) != FALSE;
}

bool CCertificatePropertyReader::GetEnhancedKeyUsage(CERT_ENHKEY_USAGE* usage, DWORD& size) {
  return CertGetEnhancedKeyUsage(m_certificate, CERT_FIND_PROP_ONLY_ENHKEY_USAGE_FLAG, usage, &size) != FALSE;
}
