#include "pkcs11/module/tests/module_test_support.h"

#include "pkcs11/module/module_state.h"

void InitialisedModuleFixture::SetUp() {}

void InitialisedModuleFixture::TearDown() {
  if (initialised) {
    EXPECT_EQ(CKR_OK, C_Finalize(nullptr));
  }
  luma::pkcs11::moduleState().setSlotSource(luma::pkcs11::kStoreName, CSlotEnvironment());
}

Bytes InitialisedModuleFixture::addMarked(const CCertificateSetup& setup) {
  const Bytes hash = store.add(setup);
  marked.insert(hash);
  return hash;
}

void InitialisedModuleFixture::initialise() {
  CSlotEnvironment environment;
  environment.isMarked = [this](PCCERT_CONTEXT certificate) {
    return marked.count(bytesOf(luma::pkcs11::certificateHash(certificate))) != 0;
  };
  environment.settingsKey = settings.path();
  luma::pkcs11::moduleState().setSlotSource(store.name(), std::move(environment));
  ASSERT_EQ(CKR_OK, C_Initialize(nullptr));
  initialised = true;
}

CK_SESSION_HANDLE InitialisedModuleFixture::openSession() {
  CK_SESSION_HANDLE session = 0;
  EXPECT_EQ(CKR_OK, C_OpenSession(0, CKF_SERIAL_SESSION, nullptr, nullptr, &session));
  return session;
}
