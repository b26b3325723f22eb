// The signed-policy fixtures of testdata/policy and a small DER writer for hand-made elements.
#ifndef LUMA_POLICY_CORE_TESTS_POLICY_FIXTURES_H_
#define LUMA_POLICY_CORE_TESTS_POLICY_FIXTURES_H_

#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "foundation/core/der_codec.h"
#include "foundation/core/tests/test_data.h"

inline CSecureBuffer ReadPolicyFixture(const std::string& name) { return ReadTestData("policy/" + name); }

struct MalformedPolicy {
  std::string name;
  WString message;
};

// malformed.txt: one line per malformed policy, its name and the expected message (ASCII).
inline std::vector<MalformedPolicy> ReadMalformedPolicies() {
  std::vector<MalformedPolicy> result;
  std::ifstream file(TestDataPath("policy/malformed.txt"));
  for (std::string line; std::getline(file, line);) {
    const size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    const std::string message = line.substr(tab + 1);
    result.push_back({line.substr(0, tab), WString(message.begin(), message.end())});
  }
  return result;
}

// One DER element of the children's encodings, or of the bytes given as content.
inline CSecureBuffer Der(BYTE tag, std::initializer_list<CSecureBuffer> children) {
  CSecureBuffer content;
  for (const CSecureBuffer& child : children) content.Append(child.size, child.data);
  CSecureBuffer out;
  luma::der::AppendElement(tag, content.data, content.size, out);
  return out;
}

inline CSecureBuffer DerBytes(BYTE tag, const std::string& content) {
  CSecureBuffer out;
  luma::der::AppendElement(tag, reinterpret_cast<const BYTE*>(content.data()),
                           static_cast<DWORD>(content.size()), out);
  return out;
}

inline CSecureBuffer DerInt(int value) {
  std::string content(1, static_cast<char>(value));
  return DerBytes(0x02, content);
}

inline CSecureBuffer DerIa5(const std::string& text) { return DerBytes(0x16, text); }

#endif  // LUMA_POLICY_CORE_TESTS_POLICY_FIXTURES_H_
