#include "policy/filters/certificate_filter_holder.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "policy/filters/cert_wrapper.h"
#include "policy/testing/test_certificates.h"

namespace {

// Fixtures as in the filter-list tests: client (digitalSignature, keyEncipherment; client
// authentication; RSA 2048), server (keyAgreement, decipherOnly; three usages; RSA 3072; expired),
// device (EC; no usages) and old (digitalSignature alone; server authentication alone; RSA 1024).
class CertificateFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    contexts_[0] = LoadTestCertificate("filter_client.der");
    contexts_[1] = LoadTestCertificate("filter_server.der");
    contexts_[2] = LoadTestCertificate("filter_device.der");
    contexts_[3] = LoadTestCertificate("filter_old.der");
    for (const auto& c : contexts_) ASSERT_TRUE(c) << TestDataPath("filter_*.der");
  }

  // Which of client, server, device and old the holder accepts, as four letters.
  std::string Matches(const CCertificateFilter& filter) {
    std::string result;
    for (int i = 0; i < 4; ++i) {
      CCertWrapper wrapper(contexts_[i].get());
      result += filter.Match(&wrapper) ? "csdo"[i] : '-';
    }
    return result;
  }

  UniqueCertContext contexts_[4];
};

TEST_F(CertificateFilterTest, ChoosesTheSyntaxFromTheFirstCharacterAfterBlanks) {
  const struct {
    const wchar_t* text;
    bool expression;
    std::size_t items;
    const char* matches;
  } cases[] = {
      {L"", false, 0, "----"},
      {L" \t\r\n", false, 0, "----"},
      {L"KU+digitalSignature;EKU+id-kp-clientAuth", false, 2, "c---"},
      {L"  KU+digitalSignature ; LEN+1024 ;", false, 2, "c--o"},
      {L"ku+digitalSignature;;bad", false, 0, "----"},  // no usable item: matches nothing
      {L"(KeyUsage~=digitalSignature)", true, 0, "c--o"},
      {L" \t(&(KeyUsage~=digitalSignature)(ExtendedKeyUsage~=id-kp-clientAuth))", true, 0, "c---"},
      {L"(|(KeyLength>=3072)(ExtendedKeyUsage=id-kp-serverAuth))", true, 0, "-s-o"},
      {L"(&(KeyUsage~=digitalSignature)", true, 0, "----"},  // unbalanced: built, matches nothing
      {L"(NoSuchAttribute=1)", true, 0, "----"},
      {L"KeyUsage~=digitalSignature", false, 0, "----"},  // no "(": a list with an unknown name
  };
  for (const auto& c : cases) {
    const std::wstring text(c.text);
    const std::string shown(text.begin(), text.end());
    const CCertificateFilter filter(L"profile", text);
    EXPECT_EQ(filter.name, L"profile");
    EXPECT_EQ(filter.expression != nullptr, c.expression) << shown;
    EXPECT_EQ(filter.legacyFilters.size(), c.items) << shown;
    if (filter.expression) {
      EXPECT_EQ(filter.expression->Text(), text) << "parsed untrimmed: " << shown;
    }
    EXPECT_EQ(Matches(filter), c.matches) << shown;
  }
}

TEST_F(CertificateFilterTest, ATextThatDoesNotParseKeepsItsErrorAndMatchesNothing) {
  const CCertificateFilter filter(L"", L"((KeyUsage~=digitalSignature)");
  ASSERT_TRUE(filter.expression);
  EXPECT_FALSE(filter.expression->ErrorText().empty());
  EXPECT_EQ(Matches(filter), "----");
}

TEST_F(CertificateFilterTest, CopiesShareTheExpressionAndOwnTheirListItems) {
  const CCertificateFilter expression(L"e", L"(KeyLength>=2048)");
  const CCertificateFilter expressionCopy(expression);
  EXPECT_EQ(expressionCopy.expression, expression.expression);
  EXPECT_EQ(expressionCopy.name, L"e");
  EXPECT_EQ(Matches(expressionCopy), "cs--");

  const CCertificateFilter list(L"l", L"KU+digitalSignature;RLT+1");
  CCertificateFilter listCopy(list);
  ASSERT_EQ(listCopy.legacyFilters.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) EXPECT_NE(listCopy.legacyFilters[i].get(), list.legacyFilters[i].get());
  EXPECT_FALSE(listCopy.expression);
  EXPECT_EQ(Matches(listCopy), Matches(list));
  EXPECT_EQ(Matches(list), "c---");

  // Assignment replaces name, items and expression; assigning to itself changes nothing.
  listCopy = expression;
  EXPECT_EQ(listCopy.name, L"e");
  EXPECT_TRUE(listCopy.legacyFilters.empty());
  EXPECT_EQ(listCopy.expression, expression.expression);
  CCertificateFilter other(L"o", L"LEN=1024");
  other = other;
  EXPECT_EQ(other.name, L"o");
  EXPECT_EQ(Matches(other), "---o");
  other = list;
  EXPECT_EQ(other.legacyFilters.size(), 2u);
  EXPECT_FALSE(other.expression);
  EXPECT_EQ(Matches(other), "c---");
}

TEST_F(CertificateFilterTest, OneHolderServesSeveralThreadsWithTheirOwnWrappers) {
  const CCertificateFilter list(L"", L"KU+digitalSignature;EKU+id-kp-clientAuth;LEN+2048");
  const CCertificateFilter expression(L"",
                                      L"(&(KeyUsage~=digitalSignature)(ExtendedKeyUsage~=id-kp-clientAuth))");
  std::vector<std::thread> threads;
  std::vector<std::string> seen(8);
  for (std::size_t t = 0; t < seen.size(); ++t) {
    threads.emplace_back([&, t] {
      const CCertificateFilter& filter = (t % 2) ? list : expression;
      for (int round = 0; round < 20; ++round) seen[t] = Matches(filter);
    });
  }
  for (auto& thread : threads) thread.join();
  for (const auto& s : seen) EXPECT_EQ(s, "c---");
  EXPECT_FALSE(list.Match(nullptr));
  EXPECT_FALSE(expression.Match(nullptr));
}

}  // namespace
