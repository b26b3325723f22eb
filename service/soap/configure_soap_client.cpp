#include "policy/config/service_config.h"
#include "service/soap/soap_secure_wininet_client.h"

void ConfigureSoapClient(const CServiceConfig& config, CSoapSecureWininetClient& client) {
  client.SetUrl(config.ServiceURL.c_str());  // a bad URL shows when the first call cannot connect
  client.SetTimeout(config.ServiceTimeout);
  client.SetSecurityFlags(config.ServiceSecurityFlags);
  client.SetNegotiateSupport(config.ServiceNegotiateSupport);
  client.SetProxyNames(config.ServiceProxyNames);
  client.SetProxyCredentials(config.ServiceProxyUser.c_str(), config.ServiceProxyPassword.c_str());
  client.SetIssuerFingerprints(config.ServiceIssuerFingerprints);
}
