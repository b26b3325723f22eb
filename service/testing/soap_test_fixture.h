// Shared set-up of the transport tests: COM on the test thread and the test CA trusted.
#ifndef LUMA_SERVICE_TESTING_SOAP_TEST_FIXTURE_H_
#define LUMA_SERVICE_TESTING_SOAP_TEST_FIXTURE_H_

#include <windows.h>
// after windows.h
#include <gtest/gtest.h>

#include "service/testing/test_signing_service.h"

namespace luma::service::testing {

// The SOAPAction line of a service call.
constexpr wchar_t kIsAliveAction[] = L"SOAPAction: \"urn:lumapass-test/VaultCoreService/IsAlive\"\r\n";
constexpr char kIsAliveEnvelope[] =
    "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>"
    "<ns2:IsAliveRequest xmlns:ns2=\"urn:lumapass-test/VaultCoreService/\"></ns2:IsAliveRequest>"
    "</soap:Body></soap:Envelope>";

class SoapTransportTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(TrustTestServiceCa()) << "the service certificates are missing";
  }
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
  void TearDown() override { CoUninitialize(); }
};

}  // namespace luma::service::testing

#endif  // LUMA_SERVICE_TESTING_SOAP_TEST_FIXTURE_H_
