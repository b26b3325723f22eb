// The transport's request sender that records the client certificate it is asked to present and
// accepts it without passing it on: this platform's WinINet refuses client certificates, and the
// test service does not ask for one.
#ifndef LUMA_SERVICE_AUTH_TESTS_RECORDING_SENDER_H_
#define LUMA_SERVICE_AUTH_TESTS_RECORDING_SENDER_H_

#include <string>
#include <vector>

#include "policy/filters/cert_wrapper.h"
#include "service/soap/request_sender.h"

namespace luma::service::testing {

class CRecordingSender : public CWininetRequestSender {
 public:
  DWORD SetClientCertificate(HINTERNET, PCCERT_CONTEXT certificate) override {
    WString fingerprint;
    if (certificate != nullptr) CCertWrapper(certificate).GetFingerprint(fingerprint);
    presented.push_back(fingerprint);
    return ERROR_SUCCESS;
  }
  // Fingerprints of the certificates set, in order; empty text for a cleared one.
  std::vector<std::wstring> presented;
};

}  // namespace luma::service::testing

#endif  // LUMA_SERVICE_AUTH_TESTS_RECORDING_SENDER_H_
