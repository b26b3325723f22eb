#include "foundation/win/version_strings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

namespace {

// Builds version blocks node by node: length, value length, type, key, padding, value, children.
class CVersionNode {
 public:
  CVersionNode(const wchar_t* key, WORD type) : key_(key), type_(type) {}

  // A text value; valueLength overrides the length field (in characters) that readers are given.
  CVersionNode& Text(const wchar_t* text, int valueLength = -1) {
    const size_t chars = wcslen(text) + 1;
    value_.assign(reinterpret_cast<const BYTE*>(text), reinterpret_cast<const BYTE*>(text + chars));
    valueLength_ = valueLength >= 0 ? static_cast<WORD>(valueLength) : static_cast<WORD>(chars);
    return *this;
  }
  CVersionNode& Binary(const void* bytes, size_t size) {
    value_.assign(static_cast<const BYTE*>(bytes), static_cast<const BYTE*>(bytes) + size);
    valueLength_ = static_cast<WORD>(size);
    return *this;
  }
  CVersionNode& Add(CVersionNode child) {
    children_.push_back(std::move(child));
    return *this;
  }

  std::vector<BYTE> Bytes() const {
    std::vector<BYTE> out(6, 0);
    const size_t keyBytes = (wcslen(key_) + 1) * sizeof(wchar_t);
    out.insert(out.end(), reinterpret_cast<const BYTE*>(key_),
               reinterpret_cast<const BYTE*>(key_) + keyBytes);
    Align(out);
    out.insert(out.end(), value_.begin(), value_.end());
    for (const auto& child : children_) {
      Align(out);
      const std::vector<BYTE> bytes = child.Bytes();
      out.insert(out.end(), bytes.begin(), bytes.end());
    }
    const WORD header[3] = {static_cast<WORD>(out.size()), valueLength_, type_};
    std::memcpy(out.data(), header, sizeof(header));
    return out;
  }

 private:
  static void Align(std::vector<BYTE>& out) {
    while (out.size() % 4 != 0) out.push_back(0);
  }

  const wchar_t* key_;
  WORD type_;
  WORD valueLength_ = 0;
  std::vector<BYTE> value_;
  std::vector<CVersionNode> children_;
};

CVersionNode Text(const wchar_t* key, const wchar_t* value, int valueLength = -1) {
  return CVersionNode(key, 1).Text(value, valueLength);
}

std::vector<BYTE> Block(CVersionNode neutral, CVersionNode english) {
  VS_FIXEDFILEINFO fixed = {};
  fixed.dwSignature = 0xFEEF04BD;
  fixed.dwStrucVersion = 0x00010000;
  CVersionNode root(L"VS_VERSION_INFO", 0);
  root.Binary(&fixed, sizeof(fixed));
  root.Add(CVersionNode(L"StringFileInfo", 1).Add(std::move(neutral)).Add(std::move(english)));
  std::vector<BYTE> bytes = root.Bytes();
  bytes.resize(bytes.size() * 2);  // the loader's block has room behind the data
  return bytes;
}

TEST(VersionStringsTest, NeutralPairFirstThenEnglish) {
  const auto block = Block(CVersionNode(L"040004b0", 1)
                               .Add(Text(L"ProductName", L"Neutral"))
                               .Add(Text(L"ProductVersion", L"2.0"))
                               .Add(Text(L"LegalCopyright", L"(n)")),
                           CVersionNode(L"040904b0", 1)
                               .Add(Text(L"ProductName", L"English"))
                               .Add(Text(L"ProductVersion", L"1.0"))
                               .Add(Text(L"LegalCopyright", L"(e)")));
  std::wstring name, version, legal;
  ASSERT_EQ(0u, luma::ReadVersionStrings(block.data(), name, version, legal));
  EXPECT_EQ(L"Neutral", name);
  EXPECT_EQ(L"2.0", version);
  EXPECT_EQ(L"(n)", legal);
}

// A value whose reported length is 0 is missing: before, "length - 1" made a huge copy.
TEST(VersionStringsTest, ZeroLengthValueCountsAsMissing) {
  const auto block = Block(CVersionNode(L"040004b0", 1)
                               .Add(Text(L"ProductName", L"Broken", 0))
                               .Add(Text(L"ProductVersion", L"2.0"))
                               .Add(Text(L"LegalCopyright", L"", 0)),
                           CVersionNode(L"040904b0", 1)
                               .Add(Text(L"ProductName", L"English"))
                               .Add(Text(L"ProductVersion", L"1.0"))
                               .Add(Text(L"LegalCopyright", L"(e)")));
  std::wstring name, version, legal;
  ASSERT_EQ(0u, luma::ReadVersionStrings(block.data(), name, version, legal));
  EXPECT_EQ(L"English", name);
  EXPECT_EQ(L"1.0", version);
  EXPECT_EQ(L"(e)", legal);
}

TEST(VersionStringsTest, NoCompletePairIsAnError) {
  const auto block = Block(CVersionNode(L"040004b0", 1).Add(Text(L"ProductName", L"Neutral")),
                           CVersionNode(L"040904b0", 1).Add(Text(L"ProductVersion", L"1.0", 0)));
  std::wstring name = L"x", version = L"x", legal = L"x";
  EXPECT_NE(0u, luma::ReadVersionStrings(block.data(), name, version, legal));
  EXPECT_EQ(L"", name);
  EXPECT_EQ(L"", version);
  EXPECT_EQ(L"", legal);
}

TEST(VersionStringsTest, EmptyTextIsPresent) {
  const auto block =
      Block(CVersionNode(L"040004b0", 1).Add(Text(L"ProductName", L"")).Add(Text(L"ProductVersion", L"3.1")),
            CVersionNode(L"040904b0", 1));
  std::wstring name = L"x", version, legal = L"x";
  ASSERT_EQ(0u, luma::ReadVersionStrings(block.data(), name, version, legal));
  EXPECT_EQ(L"", name);
  EXPECT_EQ(L"3.1", version);
  EXPECT_EQ(L"", legal);
}

}  // namespace
