// How a provider and an account describe themselves on the pipe: the fields of the GetProviderInfo
// and GetAccountInfo answers, and the text form of field and credential values (UTF-16 units
// without terminator). The ids of the input fields are also the ids of the credentials that
// AddAccount and AuthenticateAccount send back.
#ifndef LUMA_SERVICE_CALLS_AUTHENTICATION_FIELDS_H_
#define LUMA_SERVICE_CALLS_AUTHENTICATION_FIELDS_H_

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "foundation/core/vsc_message_bases.h"
#include "policy/account/provider_context.h"
#include "policy/signed/policy.h"

namespace luma::calls {

// Credential ids (and the matching input fields of the provider catalogue).
constexpr DWORD kFieldUserId = 1001;
constexpr DWORD kFieldPassword = 1002;
constexpr DWORD kFieldOneTimePassword = 1003;
constexpr DWORD kFieldSmsCode = 1004;

// Provider fields.
constexpr DWORD kFieldProviderName = 101;
constexpr DWORD kFieldProviderDisplayName = 102;
constexpr DWORD kFieldProviderDescription = 103;
constexpr DWORD kFieldAccountManagementUrl = 2001;
constexpr DWORD kFieldCertStoreName = 304;
constexpr DWORD kFieldCertStoreType = 305;
constexpr DWORD kFieldCertificateFilter = 306;

// Account fields.
constexpr DWORD kFieldAccountKey = 1;
constexpr DWORD kFieldAccountUserId = 201;
constexpr DWORD kFieldUserFriendlyName = 202;
constexpr DWORD kFieldIssuerId = 203;
constexpr DWORD kFieldIssuerIcon = 204;
constexpr DWORD kFieldThisUpdate = 205;
constexpr DWORD kFieldNextUpdate = 206;

// Field flags as the catalogues use them.
constexpr DWORD kFlagsFixed = 5;
constexpr DWORD kFlagsShown = 4;
constexpr DWORD kFlagsInput = 24;

// Kind 3 text field with empty label and tool tip.
VirtualSmartCardProtocol::CAuthenticationField TextField(DWORD id, const std::wstring& text, DWORD flags);
// The value as the text's UTF-16 units (copied through a block that is wiped).
void SetValue(VirtualSmartCardProtocol::CAuthenticationField& field, const std::wstring& text);
// The value as 4 bytes, little-endian.
void SetValue(VirtualSmartCardProtocol::CAuthenticationField& field, std::uint32_t number);
// A value's bytes as size / 2 UTF-16 units.
std::wstring GetValue(const VirtualSmartCardProtocol::CAuthenticationValue& value);

// Adds the provider catalogue and sets the answer's interaction (2 interactive, 1 not) and
// method (2 password and OTP, 3 SMS, 4 certificate, 5 Kerberos, 6 Negotiate, else 0).
void FillProviderFields(const std::shared_ptr<CProviderContext>& providerContext,
                        VirtualSmartCardProtocol::CAuthenticationFieldResponse& response);
void FillAccountFields(const std::shared_ptr<CPolicy>& policy,
                       VirtualSmartCardProtocol::CAuthenticationFieldResponse& response);

}  // namespace luma::calls

#endif  // LUMA_SERVICE_CALLS_AUTHENTICATION_FIELDS_H_
