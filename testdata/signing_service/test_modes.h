// The answers the transport tests ask for, chosen by the request path:
//   /fixed                     200 with a fixed SOAP answer
//   /echo                      200, the request body as text/plain, and a session cookie
//   /fault                     500 with a SOAP fault ("Card blocked", actor, detail)
//   /fault/malformed           500 with a body that is not XML
//   /status/<code>             that status with its standard reason
//   /redirect/<302|303>?to=<u> that status with "Location: <u>"
//   /delay/<ms>                the fixed answer after at most 10 s
//   /preflight/<401|407>/<n>   the first n requests without a body of this path get 401 (with a
//                              Basic challenge) or 407; every other one the fixed answer
//   /large/<bytes>             200 with that many bytes (at most 64 MiB)
// Anything else gets 404. Every request is recorded in the request log first.
#ifndef LUMA_TESTDATA_SIGNING_SERVICE_TEST_MODES_H_
#define LUMA_TESTDATA_SIGNING_SERVICE_TEST_MODES_H_

#include <httplib.h>

#include "request_log.h"

namespace signing_service {

// The fixed answer of /fixed and /delay.
extern const char kFixedAnswerElement[];

void RegisterTestModes(httplib::Server& server, RequestLog& log);

}  // namespace signing_service

#endif  // LUMA_TESTDATA_SIGNING_SERVICE_TEST_MODES_H_
