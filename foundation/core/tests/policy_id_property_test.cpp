#include "foundation/core/policy_id_property.h"

#include <gtest/gtest.h>

#include <vector>

namespace luma {
namespace {

TEST(PolicyIdPropertyTest, ReadsTheAccountKeyWithAndWithoutTerminatingZero) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> value;
    const WString::value_type* key;
  } const cases[] = {
      {"as lumaPassV writes it", {'a', 0, '/', 0, 'b', 0}, WSTR("a/b")},
      {"as the store provider writes it", {'a', 0, '/', 0, 'b', 0, 0, 0}, WSTR("a/b")},
      {"characters after a zero", {'a', 0, 0, 0, 'x', 0}, WSTR("a")},
      {"an odd last byte", {'a', 0, 'b'}, WSTR("a")},
      {"beyond the ASCII range", {0xFC, 0x00, 0x3A, 0x26}, WSTR("\u00FC\u263A")},
      {"empty", {}, WSTR("")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(WString(c.key), AccountKeyFromPolicyIdValue(c.value.data(), c.value.size()));
  }
  EXPECT_EQ(WString(), AccountKeyFromPolicyIdValue(nullptr, 4));
}

}  // namespace
}  // namespace luma
