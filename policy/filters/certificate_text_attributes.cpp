// The text attributes: names, identifiers, thumbprint, serial number, template and key type.
#include "foundation/core/der_structures.h"
#include "foundation/core/string_utils.h"
#include "foundation/win/der_helpers.h"
#include "policy/core/cert_attribute_values.h"
#include "policy/filters/cert_wrapper.h"
#include "policy/filters/certificate_attribute_reading.h"
#include "policy/filters/certificate_attributes.h"

using luma::cert_filters::HasParameterOrRange;
using luma::cert_values::IsDottedDigits;

CCertAuthorityKeyIdentifierFilter::CCertAuthorityKeyIdentifierFilter(const WString& name,
                                                                     const WString& parameter,
                                                                     AttributeFilterOperator op,
                                                                     const WString& value)
    : CCertFilterOf(name, parameter, op, value) {
  SetValue(luma::ToUpperCase(value));
  if (HasParameterOrRange(parameter, op)) valid = false;
}

bool CCertAuthorityKeyIdentifierFilter::GetValue(const CertFilterItem& certificate, WString& text) const {
  CCertWrapper wrapper(certificate);
  text = wrapper.GetAuthorityKeyIdentifier();
  return !text.empty();
}

CCertSubjectDNFilter::CCertSubjectDNFilter(const WString& name, const WString& parameter,
                                           AttributeFilterOperator op, const WString& value)
    : CCertFilterOf(name, parameter, op, value) {
  if (HasParameterOrRange(parameter, op)) valid = false;
}

bool CCertSubjectDNFilter::GetValue(const CertFilterItem& certificate, WString& text) const {
  text = luma::policy::GetSubjectName(certificate);
  return !text.empty();
}

CCertIssuerDNFilter::CCertIssuerDNFilter(const WString& name, const WString& parameter,
                                         AttributeFilterOperator op, const WString& value)
    : CCertFilterOf(name, parameter, op, value) {
  if (HasParameterOrRange(parameter, op)) valid = false;
}

bool CCertIssuerDNFilter::GetValue(const CertFilterItem& certificate, WString& text) const {
  text = luma::policy::GetIssuerName(certificate);
  return !text.empty();
}

CCertFingerprintFilter::CCertFingerprintFilter(const WString& name, const WString& parameter,
                                               AttributeFilterOperator op, const WString& value)
    : CCertFilterOf(name, parameter, op, value) {
  SetValue(luma::ToUpperCase(value));
  if (HasParameterOrRange(parameter, op) || op == AttributeFilterOperator::PRESENT) valid = false;
}

bool CCertFingerprintFilter::GetValue(const CertFilterItem& certificate, WString& text) const {
  CCertWrapper(certificate).GetFingerprint(text);
  return !text.empty();
}

CCertSerialnumberFilter::CCertSerialnumberFilter(const WString& name, const WString& parameter,
                                                 AttributeFilterOperator op, const WString& value)
    : CCertFilterOf(name, parameter, op, value) {
  SetValue(luma::ToUpperCase(value));
  if (HasParameterOrRange(parameter, op) || op == AttributeFilterOperator::PRESENT) valid = false;
}

bool CCertSerialnumberFilter::GetValue(const CertFilterItem& certificate, WString& text) const {
  text.clear();
  if (certificate == nullptr || certificate->pCertInfo == nullptr) return false;
  // The platform keeps the serial number least significant byte first.
  const CRYPT_INTEGER_BLOB& serial = certificate->pCertInfo->SerialNumber;
  text = luma::cert_values::FormatHexBytes(serial.pbData, serial.cbData, true);
  return !text.empty();
}

CCertTemplateFilter::CCertTemplateFilter(const WString& name, const WString& parameter,
                                         AttributeFilterOperator op, const WString& value)
    : CCertFilterOf(name, parameter, op, value) {
  if (!IsDottedDigits(value) || HasParameterOrRange(parameter, op)) valid = false;
}

bool CCertTemplateFilter::GetValue(const CertFilterItem& certificate, WString& text) const {
  text.clear();
  const CERT_EXTENSION* extension =
      luma::cert_filters::FindCertExtension(certificate, szOID_CERTIFICATE_TEMPLATE);
  if (extension == nullptr) return false;
  // The DER helper answers with the portable reader where the platform lacks the structure.
  luma::der::CertificateTemplate value;
  if (!luma::DecodeCertificateTemplate(CSecureBuffer(extension->Value.cbData, extension->Value.pbData),
                                       value)) {
    return false;
  }
  text = luma::NarrowToWide(value.oid);
  return !text.empty();
}

CCertKeyTypeFilter::CCertKeyTypeFilter(const WString& name, const WString& parameter,
                                       AttributeFilterOperator op, const WString& value)
    : CCertFilterOf(name, parameter, op, value) {
  WString oid;
  if (luma::cert_values::LookupKeyTypeOid(luma::ToUpperCase(value), oid)) {
    SetValue(oid);
  } else if (!IsDottedDigits(value)) {
    valid = false;
  }
  if (!parameter.empty() || op != AttributeFilterOperator::EQUALS) valid = false;
}

bool CCertKeyTypeFilter::GetValue(const CertFilterItem& certificate, WString& text) const {
  text.clear();
  if (certificate == nullptr || certificate->pCertInfo == nullptr) return false;
  const char* oid = certificate->pCertInfo->SubjectPublicKeyInfo.Algorithm.pszObjId;
  if (oid != nullptr) text = luma::NarrowToWide(oid);
  return !text.empty();
}
