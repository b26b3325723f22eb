// What the certificate attributes read from a certificate context, shared by their sources.
#ifndef LUMA_POLICY_FILTERS_CERTIFICATE_ATTRIBUTE_READING_H_
#define LUMA_POLICY_FILTERS_CERTIFICATE_ATTRIBUTE_READING_H_

#include <windows.h>
// after windows.h, which it needs
#include <wincrypt.h>

#include <memory>

#include "foundation/win/unique_handle.h"
#include "policy/core/attribute_filter.h"

namespace luma::cert_filters {

constexpr DWORD kCertEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

// The rule of most attributes: no parameter, and neither ">=" nor "<=".
inline bool HasParameterOrRange(const WString& parameter, AttributeFilterOperator op) {
  return !parameter.empty() || op == AttributeFilterOperator::GREATER_OR_EQUAL ||
         op == AttributeFilterOperator::LESS_OR_EQUAL;
}

// The extension of that identifier, or null (also for a null certificate).
const CERT_EXTENSION* FindCertExtension(PCCERT_CONTEXT certificate, LPCSTR oid);

// The extension's value decoded by the platform into one block it allocated; null on failure.
CLocalMemoryHandle DecodeCertExtension(const CERT_EXTENSION& extension, LPCSTR structType);

}  // namespace luma::cert_filters

#endif  // LUMA_POLICY_FILTERS_CERTIFICATE_ATTRIBUTE_READING_H_
