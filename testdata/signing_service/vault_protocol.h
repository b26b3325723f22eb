// The remote signing service's protocol, played with the keys of the vault fixtures:
//   POST /vault           the six SOAP operations, chosen by SOAPAction. GetPolicy answers the
//                         signed policy of the account named by the cookie "SESSION=<account>";
//                         without a known session it redirects (303) to the login page.
//   POST /vault/expired   every operation gets the 303 of an expired session.
//   POST /login           the form login: user "anna" with the password "pa=ss w0rd" or the
//                         one-time password "123 456" gets 200 and "Set-Cookie: SESSION=anna";
//                         anything else 403 with a message body.
//   POST /login/nocookie  200 without a cookie.
//   POST /vault/integrated/<account>[/slow/<ms>]  the account's session without a cookie (an
//                         integrated login); "slow": each signature or decryption answers after ms
//                         milliseconds (at most 10 s).
// Aliases: "alice" (PIN "1234"; a wrong PIN gets INVALID_PIN with 2 tries left; a new PIN under
// four characters gets PIN_POLICY_VIOLATION), "lower" (alice's key, status "ok" in lower case),
// "blocked" (BLOCKED), "nosign" (INVALID_KEY_USAGE), "strange" (the unknown status "MAINTENANCE"),
// "empty" (a signature answered OK with an empty signature).
#ifndef LUMA_TESTDATA_SIGNING_SERVICE_VAULT_PROTOCOL_H_
#define LUMA_TESTDATA_SIGNING_SERVICE_VAULT_PROTOCOL_H_

#include <httplib.h>

#include <string>

#include "request_log.h"

namespace signing_service {

// vaultDir holds the files of make_vault_fixtures.sh.
void RegisterVaultModes(httplib::Server& server, RequestLog& log, const std::string& vaultDir);

}  // namespace signing_service

#endif  // LUMA_TESTDATA_SIGNING_SERVICE_VAULT_PROTOCOL_H_
