#include "plugins/certstore/core/registration_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace luma::certstore {
namespace {

TEST(RegistrationRulesTest, TheLastErrorBecomesTheRegistrationStatus) {
  struct Case {
    DWORD code;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {2, 0x80070002},           // a Win32 code
      {0xFFFF, 0x8007FFFF},      // the largest one
      {0x10000, 0x8000FFFF},     // not a Win32 code, not a failure HRESULT
      {0, 0x8000FFFF},           // no reason was left
      {0x80092004, 0x80092004},  // already an HRESULT
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, static_cast<std::uint32_t>(HresultFromLastError(c.code))) << c.code;
  }
}

TEST(RegistrationRulesTest, TheEightLocationsComeInTheirVisitingOrderAndNameThemselves) {
  const DWORD order[] = {0x40000, 0x10000, 0x20000, 0x50000, 0x60000, 0x70000, 0x80000, 0x90000};
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(order[i], kStoreLocations[i].value) << i;
  EXPECT_EQ(0u, kStoreLocations[8].value);
  EXPECT_EQ(std::string("CERT_SYSTEM_STORE_CURRENT_USER"), GetLocationName(0x10000));
  EXPECT_EQ(std::string("CERT_SYSTEM_STORE_LOCAL_MACHINE_ENTERPRISE"), GetLocationName(0x90000));
  EXPECT_EQ(std::string("Unknown store"), GetLocationName(0x30000));
  EXPECT_EQ(std::string("Unknown store"), GetLocationName(0));
}

}  // namespace
}  // namespace luma::certstore
