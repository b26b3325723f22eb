#include "foundation/win/policy_id_property.h"

#include <vector>

namespace luma {

bool ReadPolicyIdProperty(PCCERT_CONTEXT certificate, std::wstring* accountKey, DWORD* valueSize) {
  if (accountKey != nullptr) accountKey->clear();
  if (valueSize != nullptr) *valueSize = 0;
  if (certificate == nullptr) return false;
  DWORD size = 0;
  if (!CertGetCertificateContextProperty(certificate, LUMAPASSV_POLICY_ID_PROP_ID, nullptr, &size))
    return false;
  if (accountKey == nullptr || size == 0 || size > kMaxPolicyIdValueSize) return true;
  std::vector<std::uint8_t> value(size);
  if (CertGetCertificateContextProperty(certificate, LUMAPASSV_POLICY_ID_PROP_ID, value.data(), &size) &&
      size <= value.size()) {
    *accountKey = AccountKeyFromPolicyIdValue(value.data(), size);
  }
  return true;
}

}  // namespace luma
