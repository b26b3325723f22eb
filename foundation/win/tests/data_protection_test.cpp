#include "foundation/win/data_protection.h"

#include <gtest/gtest.h>

#include "foundation/core/random_source.h"
#include "foundation/core/tests/test_bytes.h"

namespace {

TEST(DataProtectionTest, RoundTripsIncludingEmptyDataAndMachineScope) {
  CDataProtection protection;
  for (const CSecureBuffer& secret : {Bytes({'1', '2', '3', '4'}), CSecureBuffer(), CSecureBuffer(5000)}) {
    CSecureBuffer blob, plain = Bytes({0xEE});
    ASSERT_TRUE(protection.Protect(secret, blob)) << secret.size;
    EXPECT_FALSE(blob.empty());
    ASSERT_TRUE(protection.Unprotect(blob, plain)) << secret.size;
    EXPECT_EQ(plain, secret);
  }
  CDataProtection machine;
  machine.SetLocalMachine(true);
  CSecureBuffer blob, plain;
  ASSERT_TRUE(machine.Protect(Bytes({9, 8, 7}), blob));
  ASSERT_TRUE(machine.Unprotect(blob, plain));
  EXPECT_EQ(plain, Bytes({9, 8, 7}));
}

TEST(DataProtectionTest, ABlobOpensOnlyWithTheInstanceThatMadeIt) {
  CDataProtection first, second;
  const CSecureBuffer pin = Bytes({'4', '7', '1', '1'});
  CSecureBuffer blob;
  ASSERT_TRUE(first.Protect(pin, blob));
  CSecureBuffer plain = Bytes({0x55});
  EXPECT_FALSE(second.Unprotect(blob, plain));  // other entropy
  EXPECT_EQ(plain, Bytes({0x55}));

  CSecureBuffer tampered = blob;
  tampered.data[tampered.size - 1] ^= 0x01;
  EXPECT_FALSE(first.Unprotect(tampered, plain));
  EXPECT_FALSE(first.Unprotect(CSecureBuffer(), plain));
  EXPECT_EQ(plain, Bytes({0x55}));

  // The same data protects to different blobs each time, and both open.
  CSecureBuffer again;
  ASSERT_TRUE(first.Protect(pin, again));
  EXPECT_NE(again, blob);
  ASSERT_TRUE(first.Unprotect(again, plain));
  EXPECT_EQ(plain, pin);
}

TEST(DataProtectionTest, AnInstanceWithoutRandomEntropyRefusesToProtect) {
  CDataProtection withoutEntropy = [] {
    const luma::testing::ScopedRandomGenerators failing([](BYTE*, DWORD) { return false; },
                                                        [](BYTE*, DWORD) { return false; });
    return CDataProtection();
  }();
  CDataProtection working;
  CSecureBuffer blob = Bytes({0x11}), plain = Bytes({0x22});
  EXPECT_FALSE(withoutEntropy.Protect(Bytes({'1', '2'}), blob));
  EXPECT_EQ(blob, Bytes({0x11}));
  ASSERT_TRUE(working.Protect(Bytes({'1', '2'}), blob));
  EXPECT_FALSE(withoutEntropy.Unprotect(blob, plain));
  EXPECT_EQ(plain, Bytes({0x22}));
}

}  // namespace
