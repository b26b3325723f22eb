#include "service/account/cert_context.h"

#include <gtest/gtest.h>

namespace {

TEST(CertContextTest, CopiesShareTheObjectsAndTheMarker) {
  auto certificatePolicy = std::make_shared<CCertificatePolicy>();
  CCertContext original(nullptr, std::make_shared<CPolicy>(), certificatePolicy);
  EXPECT_EQ(original.marker, 0);
  original.marker = 1;
  const CCertContext copy = original;
  EXPECT_EQ(copy.certificatePolicy, certificatePolicy);
  EXPECT_EQ(copy.policy, original.policy);
  EXPECT_EQ(copy.marker, 1);
  EXPECT_EQ(certificatePolicy.use_count(), 3);
}

TEST(CertContextTest, AssignmentReleasesTheFormerObjects) {
  auto first = std::make_shared<CCertificatePolicy>();
  CCertContext context(nullptr, nullptr, first);
  context = CCertContext(nullptr, nullptr, std::make_shared<CCertificatePolicy>());
  EXPECT_EQ(first.use_count(), 1);
  EXPECT_EQ(context.marker, 0);
}

}  // namespace
