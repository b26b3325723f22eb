// The acquisition and release entries called directly, with the provider logic linked in and a
// scripted lumaPassV on a pipe of the test's own.
#include <gtest/gtest.h>

#include "foundation/core/vsc_message.h"
#include "plugins/common/core/container_record.h"
#include "plugins/common/tests/container_server.h"
#include "plugins/csp/csp_interface.h"
#include "plugins/csp/csp_module.h"
#include "plugins/csp/tests/csp_test_support.h"
#include "plugins/diagnostics/tests/refused_allocations.h"

namespace luma::csp {
namespace {

using luma::plugin::kAtKeyExchange;
using luma::plugin::kAtSignature;
using VirtualSmartCardProtocol::MessageTypeCloseSession;
using VirtualSmartCardProtocol::MessageTypeOpenSession;

std::wstring testPipeName;
std::wstring TestPipeName() { return testPipeName; }

class CspContextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testPipeName = luma::plugin::UniqueTestPipeName();
    CspModule::SetPipeNameFunction(&TestPipeName);
    server = luma::plugin::ServeContainers(testPipeName, {{L"Alpha", kAtKeyExchange, 2048, CSecureBuffer()},
                                                          {L"Bravo", kAtSignature, 1024, CSecureBuffer()}});
  }
  void TearDown() override {
    contextPool().Clear();
    CspModule::SetPipeNameFunction(nullptr);
  }

  std::unique_ptr<CScriptedPipeServer> server;
};

TEST_F(CspContextTest, ASecondReleaseOfTheSameHandleFailsWithInvalidHandle) {
  HCRYPTPROV provider = 0;
  ASSERT_TRUE(CPAcquireContext(&provider, "Bravo", 0, nullptr));
  EXPECT_EQ(1u, luma::plugin::CountRequests(*server, MessageTypeOpenSession));
  EXPECT_TRUE(CPReleaseContext(provider, 0));
  EXPECT_EQ(1u, luma::plugin::CountRequests(*server, MessageTypeCloseSession));
  SetLastError(0);
  EXPECT_FALSE(CPReleaseContext(provider, 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  HCRYPTKEY key = 0;
  EXPECT_FALSE(CPGetUserKey(provider, AT_SIGNATURE, &key));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

TEST_F(CspContextTest, UserKeysComeFromTheSelectedContainerOnlyAndAreHandlesOfTheirOwn) {
  HCRYPTPROV provider = 0;
  ASSERT_TRUE(CPAcquireContext(&provider, "Bravo", CRYPT_VERIFYCONTEXT, nullptr));
  EXPECT_EQ(1u, luma::plugin::CountRequests(*server, MessageTypeOpenSession));  // also for a verify context
  HCRYPTKEY first = 0;
  HCRYPTKEY second = 0;
  ASSERT_TRUE(CPGetUserKey(provider, AT_SIGNATURE, &first));
  ASSERT_TRUE(CPGetUserKey(provider, AT_SIGNATURE, &second));
  EXPECT_NE(first, second);
  HCRYPTKEY other = 7;
  EXPECT_FALSE(CPGetUserKey(provider, AT_KEYEXCHANGE, &other));
  EXPECT_EQ(kNoKey, GetLastError());
  EXPECT_EQ(0u, other);
  EXPECT_FALSE(CPGetUserKey(provider, AT_SIGNATURE, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  EXPECT_TRUE(CPDestroyKey(provider, first));
  EXPECT_FALSE(CPDestroyKey(provider, first));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  EXPECT_TRUE(CPReleaseContext(provider, 0));
}

TEST_F(CspContextTest, RunningOutOfMemoryAnywhereInAcquisitionAnswersNoMemory) {
  bool acquired = false;
  for (int allowed = 0; allowed < 400 && !acquired; ++allowed) {
    HCRYPTPROV provider = 0;
    BOOL result;
    DWORD error;
    {
      luma::testing::CRefusedAllocations refused(allowed);
      result = CPAcquireContext(&provider, nullptr, 0, nullptr);
      error = GetLastError();
    }
    if (result) {
      acquired = true;
      EXPECT_TRUE(CPReleaseContext(provider, 0));
    } else {
      // The pool's own allocation failing is the one place that answers an internal error.
      EXPECT_TRUE(error == kNoMemory || error == ERROR_INTERNAL_ERROR) << allowed << " " << error;
      EXPECT_EQ(0u, provider);
    }
  }
  EXPECT_TRUE(acquired);
  EXPECT_TRUE(contextPool().IsEmpty());
}

}  // namespace
}  // namespace luma::csp
