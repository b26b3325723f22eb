#include "service/requests/certificate_answers.h"

#include "foundation/win/system_utils.h"

namespace luma::requests {

void ListEnabledContainers(const CPolicy& policy,
                           VirtualSmartCardProtocol::CGetCertificatesResponse& response) {
  std::vector<WString> items;
  for (const auto& certificate : policy.certificatePolicies) {
    if (certificate && certificate->enabled) items.push_back(certificate->containerName);
  }
  response.SetItems(items);
}

void FillCertificateInfo(const CCertContext& context,
                         VirtualSmartCardProtocol::CGetCertificateInfoResponse& response) {
  const CCertificatePolicy& certificate = *context.certificatePolicy;
  const CPinPolicy& pinPolicy = certificate.pinPolicy;
  const CPinConstraints& rules = pinPolicy.pinConstraints;
  response.SetAlias(certificate.alias);
  response.SetAccountKey(context.policy->accountKey);
  response.SetFriendlyName(certificate.friendlyName);
  response.SetPolicyNotification(certificate.policyNotification);
  response.SetCertificateType(certificate.certificateType.bits);
  response.SetCertificate(certificate.GetEncodedCertificate());
  response.SetNextPinChange(static_cast<DWORD>(FileTimeToTime64(pinPolicy.nextPinChange) & 0xFFFFFFFF));
  response.SetMinLength(rules.minLength);
  response.SetMaxLength(rules.maxLength);
  response.SetMinNumericCharacters(rules.minNumericCharacters);
  response.SetMinSymbolCharacters(rules.minSymbolCharacters);
  response.SetMinUpperCaseCharacters(rules.minUpperCaseCharacters);
  response.SetMinLowerCaseCharacters(rules.minLowerCaseCharacters);
  response.SetMaxPinCacheTime(pinPolicy.maxPinCacheTime);
  response.SetMaxPinCacheReuse(pinPolicy.maxPinCacheReuse);
  response.SetProcesses(certificate.constraints.processNames);
  response.SetStatus(0);
}

}  // namespace luma::requests
