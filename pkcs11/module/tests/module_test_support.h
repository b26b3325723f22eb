// The module's entry points called directly, as the DLL's exports would be, over a slot that shows a
// store of the test's own and takes the certificates the test marks.
#ifndef LUMA_PKCS11_MODULE_TESTS_MODULE_TEST_SUPPORT_H_
#define LUMA_PKCS11_MODULE_TESTS_MODULE_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <set>

#include "pkcs11/module/tests/token_test_support.h"

class InitialisedModuleFixture : public ::testing::Test {
 protected:
  // Marks every certificate the test added through addMarked, then initialises the module.
  void SetUp() override;
  void TearDown() override;

  Bytes addMarked(const CCertificateSetup& setup);
  // Initialises the module over the store as it stands.
  void initialise();
  CK_SESSION_HANDLE openSession();

  CTestSystemStore store;
  CTestSettingsKey settings;
  std::set<Bytes> marked;
  bool initialised = false;
};

#endif  // LUMA_PKCS11_MODULE_TESTS_MODULE_TEST_SUPPORT_H_
