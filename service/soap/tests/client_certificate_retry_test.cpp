// The retries of a send that the server answers with revocation or client-certificate errors,
// through the request-sender seam: this platform's WinINet refuses client certificates, so a real
// server can provoke neither error here.
#include <gtest/gtest.h>

#include <deque>

#include "service/core/soap_error_text.h"
#include "service/soap/soap_secure_wininet_client.h"
#include "service/testing/soap_test_fixture.h"

namespace luma::service::testing {
namespace {

constexpr DWORD kRevocationFailed = 12057;
constexpr DWORD kClientCertNeeded = 12044;

// Answers the sends from a script; once the script is used up, sends for real.
class CScriptedSender : public CWininetRequestSender {
 public:
  explicit CScriptedSender(std::deque<DWORD> sendErrors) : m_sendErrors(std::move(sendErrors)) {}

  DWORD SendRequestEx(HINTERNET request) override {
    events.push_back(m_certificateSet ? "send with certificate" : "send");
    if (m_sendErrors.empty()) return CWininetRequestSender::SendRequestEx(request);
    const DWORD error = m_sendErrors.front();
    m_sendErrors.pop_front();
    return error;
  }
  DWORD SetClientCertificate(HINTERNET, PCCERT_CONTEXT certificate) override {
    m_certificateSet = certificate != nullptr;
    events.push_back(certificate != nullptr ? "set certificate" : "clear certificate");
    return ERROR_SUCCESS;
  }

  std::vector<std::string> events;

 private:
  std::deque<DWORD> m_sendErrors;
  bool m_certificateSet = false;
};

class ClientCertificateRetryTest : public SoapTransportTest {
 protected:
  void SetUp() override {
    SoapTransportTest::SetUp();
    const std::string der = ReadSmallFile(ProgramFolder() + L"testdata\\service\\service_ca.der");
    m_certificate.reset(CertCreateCertificateContext(
        X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()), static_cast<DWORD>(der.size())));
    ASSERT_TRUE(m_certificate);
  }
  CCertContextHandle m_certificate;
};

TEST_F(ClientCertificateRetryTest, RetriesOnceForRevocationThenWithoutTheCertificate) {
  CTestSigningService service;
  ASSERT_TRUE(service.IsRunning());
  struct Case {
    std::deque<DWORD> errors;
    HRESULT result;
    DWORD lastError;
    std::vector<std::string> events;
  } const cases[] = {
      {{kRevocationFailed, kClientCertNeeded},
       S_OK,
       0,
       {"set certificate", "send with certificate", "send with certificate", "clear certificate", "send"}},
      {{kClientCertNeeded},
       S_OK,
       0,
       {"set certificate", "send with certificate", "clear certificate", "send"}},
      {{kRevocationFailed, kRevocationFailed},
       E_FAIL,
       kRevocationFailed,
       {"set certificate", "send with certificate", "send with certificate", "clear certificate"}},
      {{kClientCertNeeded, kClientCertNeeded},
       E_FAIL,
       kClientCertNeeded,
       {"set certificate", "send with certificate", "clear certificate", "send"}},
      {{kRevocationFailed, kClientCertNeeded, kRevocationFailed},
       E_FAIL,
       kRevocationFailed,
       {"set certificate", "send with certificate", "send with certificate", "clear certificate", "send"}},
  };
  for (const Case& c : cases) {
    CScriptedSender sender(c.errors);
    {
      CSoapSecureWininetClient client(service.Url(L"/fixed").c_str());
      client.SetRequestSender(&sender);
      client.SetClientCertificate(m_certificate.get());
      client.RequestBody() = kIsAliveEnvelope;
      EXPECT_EQ(c.result, client.SendRequest(kIsAliveAction));
      EXPECT_EQ(c.lastError, client.GetLastErrorCode());
      EXPECT_EQ(c.result == S_OK ? kSoapSuccess : kSoapSendFailed, client.GetErrorState());
    }
    EXPECT_EQ(c.events, sender.events);
  }
}

TEST_F(ClientCertificateRetryTest, CertificateIsClearedWhenTheRequestCloses) {
  CTestSigningService service;
  ASSERT_TRUE(service.IsRunning());
  CScriptedSender sender({});
  CSoapSecureWininetClient client(service.Url(L"/fixed").c_str());
  client.SetRequestSender(&sender);
  client.SetClientCertificate(m_certificate.get());
  client.RequestBody() = kIsAliveEnvelope;
  ASSERT_EQ(S_OK, client.SendRequest(kIsAliveAction));
  client.CleanupClient();
  const std::vector<std::string> expected = {"set certificate", "send with certificate", "clear certificate"};
  EXPECT_EQ(expected, sender.events);
}

}  // namespace
}  // namespace luma::service::testing
