#include "policy/core/built_in_variables.h"

#include "foundation/core/string_utils.h"

namespace {

// Splits "DOMAIN\user" at its first backslash into trimmed parts; false without a backslash.
bool SplitAccountName(const WString& name, WString& domain, WString& user) {
  const auto separator = name.find(WSTR('\\'));
  if (separator == WString::npos) return false;
  domain = luma::TrimWhitespace(name.substr(0, separator));
  user = luma::TrimWhitespace(name.substr(separator + 1));
  return true;
}

void AddComputerNames(const CSystemNameSource& source, std::map<WString, WString>& variables) {
  static const struct {
    ComputerNameKind kind;
    const WCHAR* variable;
  } kNames[] = {
      {ComputerNameKind::DnsDomain, WSTR("COMPUTER_DNS_DOMAIN")},
      {ComputerNameKind::DnsFullyQualified, WSTR("COMPUTER_DNS_FQDN")},
      {ComputerNameKind::DnsHostname, WSTR("COMPUTER_DNS_HOSTNAME")},
      {ComputerNameKind::NetBIOS, WSTR("COMPUTER_NETBIOS_HOSTNAME")},
  };
  for (const auto& n : kNames) {
    WString name;
    if (source.QueryComputerName(n.kind, name)) variables[n.variable] = luma::TrimWhitespace(name);
  }
}

// The principal name, else one made of an account name "DOMAIN\user" as user@DOMAIN: first the
// DNS-domain form, and the SAM-compatible form only when that query fails.
void AddPrincipalName(const CSystemNameSource& source, std::map<WString, WString>& variables) {
  WString name;
  if (source.QueryUserName(UserNameFormat::UserPrincipal, name)) {
    const WString upn = luma::TrimWhitespace(name);
    variables[WSTR("USER_UPN")] = upn;
    const auto at = upn.find(WSTR('@'));
    if (at != WString::npos) {
      variables[WSTR("USER_UPN_NAME")] = luma::TrimWhitespace(upn.substr(0, at));
      variables[WSTR("USER_UPN_DOMAIN")] = luma::TrimWhitespace(upn.substr(at + 1));
    }
    return;
  }
  if (!source.QueryUserName(UserNameFormat::DnsDomain, name) &&
      !source.QueryUserName(UserNameFormat::SamCompatible, name)) {
    return;
  }
  WString domain, user;
  if (!SplitAccountName(name, domain, user)) return;
  variables[WSTR("USER_UPN_DOMAIN")] = domain;
  variables[WSTR("USER_UPN_NAME")] = user;
  variables[WSTR("USER_UPN")] = user + WSTR("@") + domain;
}

void AddLoginName(const CSystemNameSource& source, std::map<WString, WString>& variables) {
  WString name, domain, user;
  if (!source.QueryUserName(UserNameFormat::SamCompatible, name) || !SplitAccountName(name, domain, user))
    return;
  variables[WSTR("USER_LOGIN_NAME")] = user;
  variables[WSTR("USER_LOGIN_DOMAIN")] = domain;
}

}  // namespace

namespace luma::policy {

void GetBuiltInVariables(const CSystemNameSource& source, std::map<WString, WString>& variables) {
  AddComputerNames(source, variables);
  AddPrincipalName(source, variables);
  AddLoginName(source, variables);
}

}  // namespace luma::policy
