// A property reader over a table of values, for ids the platform cannot set on a certificate.
// Values behave as the system's reader does: a size query, a read that fails into a small buffer,
// and pointers inside structures that point into the caller's buffer.
#ifndef LUMA_TOOLS_DUMPSTORE_TESTS_FAKE_PROPERTY_READER_H_
#define LUMA_TOOLS_DUMPSTORE_TESTS_FAKE_PROPERTY_READER_H_

#include <windows.h>
// after windows.h, which it needs
#include <wincrypt.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tools/dumpstore/property_reader.h"

class CFakePropertyReader : public CPropertyReader {
 public:
  struct Value {
    std::vector<BYTE> bytes;
    // Offsets of pointer fields that hold an offset into `bytes`; made absolute on every read.
    std::vector<std::size_t> pointerOffsets;
    bool failSize = false;
    bool failRead = false;
    std::optional<DWORD> claimedSize;  // a size query answer other than the value's size
  };

  std::map<DWORD, Value> values;
  std::optional<std::vector<std::string>> usages;  // null: the usage query fails

  bool GetPropertySize(DWORD propId, DWORD& size) override {
    const auto found = values.find(propId);
    if (found == values.end() || found->second.failSize) return false;
    size = found->second.claimedSize.value_or(static_cast<DWORD>(found->second.bytes.size()));
    return true;
  }

  bool GetProperty(DWORD propId, BYTE* buffer, DWORD& size) override {
    const auto found = values.find(propId);
    if (found == values.end() || found->second.failRead) return false;
    const Value& value = found->second;
    const DWORD needed = static_cast<DWORD>(value.bytes.size());
    if (buffer == nullptr || size < needed) {
      size = needed;
      return false;
    }
    if (needed != 0) std::memcpy(buffer, value.bytes.data(), needed);
    for (std::size_t offset : value.pointerOffsets) {
      std::uintptr_t field = 0;
      std::memcpy(&field, buffer + offset, sizeof(field));
      field += reinterpret_cast<std::uintptr_t>(buffer);
      std::memcpy(buffer + offset, &field, sizeof(field));
    }
    size = needed;
    return true;
  }

  bool GetEnhancedKeyUsage(CERT_ENHKEY_USAGE* usage, DWORD& size) override {
    if (!usages) return false;
    DWORD needed = sizeof(CERT_ENHKEY_USAGE) + static_cast<DWORD>(usages->size() * sizeof(LPSTR));
    for (const std::string& oid : *usages) needed += static_cast<DWORD>(oid.size() + 1);
    if (usage == nullptr || size < needed) {
      size = needed;
      return usage == nullptr;
    }
    auto* pointers = reinterpret_cast<LPSTR*>(usage + 1);
    char* text = reinterpret_cast<char*>(pointers + usages->size());
    usage->cUsageIdentifier = static_cast<DWORD>(usages->size());
    usage->rgpszUsageIdentifier = pointers;
    for (std::size_t i = 0; i < usages->size(); ++i) {
      pointers[i] = text;
      std::memcpy(text, (*usages)[i].c_str(), (*usages)[i].size() + 1);
      text += (*usages)[i].size() + 1;
    }
    size = needed;
    return true;
  }
};

#endif  // LUMA_TOOLS_DUMPSTORE_TESTS_FAKE_PROPERTY_READER_H_
