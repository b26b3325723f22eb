// Fixture files made at build time into the testdata folder next to the test programs.
#ifndef LUMA_FOUNDATION_CORE_TESTS_TEST_DATA_H_
#define LUMA_FOUNDATION_CORE_TESTS_TEST_DATA_H_

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/core/der_codec.h"
#include "foundation/core/secure_buffer.h"

inline std::string TestDataPath(const std::string& name) {
#ifdef _WIN32
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string folder(module);
  folder.erase(folder.find_last_of("\\/") + 1);
  return folder + "testdata\\" + name;
#else
  return std::string(LUMA_TESTDATA_DIR) + "/" + name;
#endif
}

// The file's bytes; empty when it cannot be read.
inline CSecureBuffer ReadTestData(const std::string& name) {
  std::ifstream file(TestDataPath(name), std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return CSecureBuffer(static_cast<DWORD>(bytes.size()), bytes.data());
}

// Lines of expected.txt that start with the key, split at spaces (key left out).
inline std::vector<std::vector<std::string>> ExpectedLines(const std::string& key) {
  std::vector<std::vector<std::string>> result;
  std::ifstream file(TestDataPath("expected.txt"));
  for (std::string line; std::getline(file, line);) {
    std::istringstream words(line);
    std::string first;
    words >> first;
    if (first != key) continue;
    std::vector<std::string> fields;
    for (std::string word; words >> word;) fields.push_back(word);
    result.push_back(fields);
  }
  return result;
}

// The value (extnValue contents) of a certificate extension, found by walking the certificate
// with the portable reader: Certificate { TBSCertificate { ..., [3] { Extensions } } }.
inline CSecureBuffer FindCertificateExtension(const CSecureBuffer& certificate, const std::string& oid) {
  using namespace luma::der;
  Element cert;
  std::vector<Element> parts, fields;
  if (!ReadWholeElement(certificate.data, certificate.size, cert) || !ReadChildren(cert, parts) ||
      parts.empty() || !ReadChildren(parts[0], fields)) {
    return CSecureBuffer();
  }
  for (const Element& field : fields) {
    if (field.tag != 0xA3) continue;
    Element list;
    std::vector<Element> extensions;
    if (!ReadWholeElement(field.content, field.contentSize, list) || !ReadChildren(list, extensions)) break;
    for (const Element& extension : extensions) {
      std::vector<Element> items;
      std::string id;
      if (!ReadChildren(extension, items) || items.size() < 2 ||
          !DecodeOid(items[0].content, items[0].contentSize, id) || id != oid) {
        continue;
      }
      const Element& value = items.back();
      return CSecureBuffer(value.contentSize, value.content);
    }
  }
  return CSecureBuffer();
}

inline std::string Narrow(const WString& text) { return std::string(text.begin(), text.end()); }

#endif  // LUMA_FOUNDATION_CORE_TESTS_TEST_DATA_H_
