#include <gtest/gtest.h>

#include "service/handler/vsc_protocol_handler.h"

namespace {

TEST(VSCProtocolHandlerTest, StartsWithoutCertificates) {
  CVSCProtocolHandler handler(std::make_shared<CVSCDriverMutex>(L"lumaPassHandlerTest"),
                              std::make_unique<CCertStoreConfig>(),
                              std::make_shared<CMessageEncryption>(L"lumaPassHandlerTestKey"));
  CCertContext context(nullptr, nullptr, nullptr);
  EXPECT_FALSE(handler.LookupCertContextByIndex(0, context));
  EXPECT_EQ(handler.GetFriendlyNamePrefix(), L"[luma-Pass] ");
}

}  // namespace
