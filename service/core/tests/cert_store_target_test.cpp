#include "service/core/cert_store_target.h"

#include <gtest/gtest.h>

#include <vector>

#include "foundation/core/string_utils.h"

namespace luma::service {
namespace {

struct TargetCase {
  const WCHAR* name;
  DWORD flags;
  CertStoreProvider provider;
  const WCHAR* openName;
  DWORD openFlags;
};

TEST(CertStoreTargetTest, StoreNamesAndLocations) {
  const TargetCase cases[] = {
      {WSTR("MY"), 0x10000, CertStoreProvider::kPhysical, WSTR("MY\\.Default"), 0x10000},
      {WSTR("MY"), 0x20000, CertStoreProvider::kPhysical, WSTR("MY\\.Default"), 0x20000},
      {WSTR("Server\\MY"), 0x20000, CertStoreProvider::kSystem, WSTR("Server\\MY"), 0x20000},
      {WSTR("lumaPassV"), 0x20000, CertStoreProvider::kPhysical, WSTR("lumaPassV\\.Default"), 0x10000},
      {WSTR("LUMAPASSV"), 0x40000, CertStoreProvider::kPhysical, WSTR("LUMAPASSV\\.Default"), 0x10000},
      {WSTR("lumapassv"), 0, CertStoreProvider::kPhysical, WSTR("lumapassv\\.Default"), 0x10000},
      {WSTR("lumaPassV2"), 0x20000, CertStoreProvider::kPhysical, WSTR("lumaPassV2\\.Default"), 0x20000},
  };
  for (const TargetCase& c : cases) {
    const CertStoreTarget target = SelectCertStoreTarget(c.name, c.flags);
    SCOPED_TRACE(WideToNarrow(c.name));
    EXPECT_EQ(target.provider, c.provider);
    EXPECT_EQ(target.openName, WString(c.openName));
    EXPECT_EQ(target.systemName, WString(c.name));
    EXPECT_EQ(target.flags, c.openFlags);
  }
}

TEST(CertStoreTargetTest, PolicyIdIsUtf16LittleEndianWithoutTerminator) {
  const CSecureBuffer bytes = PolicyIdPropertyBytes(WSTR("acme/alice"));
  ASSERT_EQ(bytes.size, 20u);
  const std::vector<BYTE> expected = {'a', 0, 'c', 0, 'm', 0, 'e', 0, '/', 0,
                                      'a', 0, 'l', 0, 'i', 0, 'c', 0, 'e', 0};
  EXPECT_EQ(std::vector<BYTE>(bytes.data, bytes.data + bytes.size), expected);

  const WString wide = {WCHAR(0x20AC), WCHAR('x')};
  const CSecureBuffer euro = PolicyIdPropertyBytes(wide);
  ASSERT_EQ(euro.size, 4u);
  EXPECT_EQ(euro.data[0], 0xAC);
  EXPECT_EQ(euro.data[1], 0x20);
  EXPECT_EQ(PolicyIdPropertyBytes(WString()).size, 0u);
}

TEST(CertStoreTargetTest, FriendlyNamePrefixes) {
  EXPECT_EQ(FriendlyNamePrefixText(WSTR("ACME"), WSTR("[luma-Pass] ")), WString(WSTR("ACME ")));
  EXPECT_EQ(FriendlyNamePrefixText(WString(), WSTR("[luma-Pass] ")), WString(WSTR("[luma-Pass] ")));
  EXPECT_TRUE(HasFriendlyNamePrefix(WSTR("ACME Alice"), WSTR("ACME ")));
  EXPECT_FALSE(HasFriendlyNamePrefix(WSTR("acme Alice"), WSTR("ACME ")));
  EXPECT_FALSE(HasFriendlyNamePrefix(WSTR("ACM"), WSTR("ACME ")));
  // Without a prefix nothing is the program's: a clean-up must never take every certificate.
  EXPECT_FALSE(HasFriendlyNamePrefix(WSTR("Anything"), WString()));
  EXPECT_FALSE(HasFriendlyNamePrefix(WString(), WString()));
}

TEST(CertStoreTargetTest, ContainerOrder) {
  // One policy: by friendly name; different policies: by user identifier, upper before lower case.
  EXPECT_TRUE(ContainerComesBefore(true, WSTR("Auth"), WSTR("Sign"), WSTR("z"), WSTR("a")));
  EXPECT_FALSE(ContainerComesBefore(true, WSTR("Sign"), WSTR("Auth"), WSTR("a"), WSTR("z")));
  EXPECT_TRUE(ContainerComesBefore(false, WSTR("Sign"), WSTR("Auth"), WSTR("Bob"), WSTR("alice")));
  EXPECT_FALSE(ContainerComesBefore(false, WSTR("Auth"), WSTR("Sign"), WSTR("alice"), WSTR("Bob")));
  EXPECT_FALSE(ContainerComesBefore(false, WSTR("A"), WSTR("B"), WSTR("bob"), WSTR("bob")));
  const WString high = {WCHAR(0xE000)};
  EXPECT_TRUE(ContainerComesBefore(false, WString(), WString(), WSTR("z"), high));
}

TEST(CertStoreTargetTest, LocalSessionsAndLsass) {
  EXPECT_TRUE(IsLocalSession(WSTR("desk01"), WSTR("DESK01")));
  EXPECT_FALSE(IsLocalSession(WString(), WSTR("DESK01")));
  EXPECT_FALSE(IsLocalSession(WSTR("DESK02"), WSTR("DESK01")));
  EXPECT_TRUE(IsLocalSession(WString(), WString()));
  EXPECT_TRUE(EndsWithLsass(WSTR("C:\\Windows\\System32\\LSASS.EXE")));
  EXPECT_TRUE(EndsWithLsass(WSTR("C:\\tools\\notlsass.exe")));
  EXPECT_FALSE(EndsWithLsass(WSTR("C:\\Windows\\System32\\lsass.exe.bak")));
  EXPECT_FALSE(EndsWithLsass(WSTR("sass.exe")));
}

}  // namespace
}  // namespace luma::service
