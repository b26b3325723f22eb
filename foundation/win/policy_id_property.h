// Reading the provisioned mark (LUMAPASSV_POLICY_ID_PROP_ID) of a certificate.
#ifndef LUMA_FOUNDATION_WIN_POLICY_ID_PROPERTY_H_
#define LUMA_FOUNDATION_WIN_POLICY_ID_PROPERTY_H_

#include <windows.h>
// after windows.h
#include <wincrypt.h>

#include <string>

#include "foundation/core/policy_id_property.h"

namespace luma {

// Whether the certificate carries the mark; `valueSize`, when not null, gets the size of its value
// in bytes (0 when absent). When it does and `accountKey` is not null, the account key it holds
// (with or without a terminating zero in the value); empty when the value is empty, unreadable or
// longer than kMaxPolicyIdValueSize. Throws std::bad_alloc only.
bool ReadPolicyIdProperty(PCCERT_CONTEXT certificate, std::wstring* accountKey, DWORD* valueSize = nullptr);

}  // namespace luma

#endif  // LUMA_FOUNDATION_WIN_POLICY_ID_PROPERTY_H_
