// Content type of a signed policy: our private-enterprise arc followed by 400.1. The fixture
// generator of testdata/policy reads this line, so the product and its fixtures share one value.
#ifndef LUMA_POLICY_CORE_POLICY_CONTENT_TYPE_H_
#define LUMA_POLICY_CORE_POLICY_CONTENT_TYPE_H_

namespace luma::policy {

constexpr char kPolicyContentType[] = "1.3.6.1.4.1.58213.400.1";

}  // namespace luma::policy

#endif  // LUMA_POLICY_CORE_POLICY_CONTENT_TYPE_H_
