#include "plugins/ksp/core/key_operation_rules.h"

#include <gtest/gtest.h>

#include "plugins/common/core/pkcs1_blocks.h"

namespace luma::ksp {
namespace {

TEST(KeyOperationRulesTest, HashNamesMapExactlyAndCaseSensitively) {
  const struct {
    const WCHAR* name;
    DWORD algId;
  } cases[] = {
      {WSTR("MD2"), 0x8001},    {WSTR("MD4"), 0x8002},    {WSTR("MD5"), 0x8003},    {WSTR("SHA1"), 0x8004},
      {WSTR("SHA256"), 0x800C}, {WSTR("SHA384"), 0x800D}, {WSTR("SHA512"), 0x800E}, {WSTR(""), 0x8008},
      {nullptr, 0x8008},        {WSTR("sha256"), 0},      {WSTR("SHA-256"), 0},     {WSTR("SHA2560"), 0},
      {WSTR("SHA25"), 0},       {WSTR("SHA256 "), 0},     {WSTR("RSA"), 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.algId, HashNameToAlgId(c.name)) << (c.name ? WString(c.name).size() : 99u);
  }
}

TEST(KeyOperationRulesTest, DecryptFlagsNameExactlyOnePadding) {
  const struct {
    DWORD flags;
    DecryptPadding padding;
  } cases[] = {
      {0x1, DecryptPadding::kNone},     {0x2, DecryptPadding::kPkcs1},
      {0x4, DecryptPadding::kOaep},     {0x41, DecryptPadding::kNone},
      {0x42, DecryptPadding::kPkcs1},   {0x44, DecryptPadding::kOaep},
      {0x0, DecryptPadding::kRefused},  {0x40, DecryptPadding::kRefused},
      {0x3, DecryptPadding::kRefused},  {0x6, DecryptPadding::kRefused},
      {0x7, DecryptPadding::kRefused},  {0x8, DecryptPadding::kRefused},
      {0x12, DecryptPadding::kRefused}, {0x80000002, DecryptPadding::kRefused},
  };
  for (const auto& c : cases) EXPECT_EQ(c.padding, DecryptPaddingOf(c.flags)) << std::hex << c.flags;
}

}  // namespace
}  // namespace luma::ksp
