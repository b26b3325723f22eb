#include "foundation/core/der_codec.h"

#include <cstdlib>

namespace luma {
namespace der {

namespace {
// Appends through the buffer's geometric growth, so a run of small appends stays linear.
bool AppendBytes(CSecureBuffer& out, const void* bytes, DWORD count) {
  if (count == 0) return true;
  const DWORD before = out.size;
  out.Append(count, bytes);
  return out.size == before + count;
}

bool AppendUnit(WString& text, std::uint32_t codePoint) {
  if (codePoint >= 0xD800 && codePoint <= 0xDFFF) return false;
  if (codePoint > 0x10FFFF) return false;
  if (codePoint < 0x10000) {
    text.push_back(static_cast<WCHAR>(codePoint));
  } else {
    codePoint -= 0x10000;
    text.push_back(static_cast<WCHAR>(0xD800 + (codePoint >> 10)));
    text.push_back(static_cast<WCHAR>(0xDC00 + (codePoint & 0x3FF)));
  }
  return true;
}

bool DecodeUtf8(const BYTE* p, DWORD size, WString& text) {
  DWORD i = 0;
  while (i < size) {
    const BYTE lead = p[i];
    if (lead < 0x80) {
      text.push_back(static_cast<WCHAR>(lead));
      ++i;
      continue;
    }
    DWORD extra;
    std::uint32_t codePoint, minimum;
    if ((lead & 0xE0) == 0xC0) {
      extra = 1, codePoint = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, codePoint = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, codePoint = lead & 0x07, minimum = 0x10000;
    } else {
      return false;
    }
    if (extra > size - i - 1) return false;
    for (DWORD k = 1; k <= extra; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      codePoint = (codePoint << 6) | (p[i + k] & 0x3F);
    }
    if (codePoint < minimum || !AppendUnit(text, codePoint)) return false;
    i += extra + 1;
  }
  return true;
}
}  // namespace

bool ReadElement(const BYTE* data, DWORD size, Element& out) {
  if (data == nullptr || size < 2) return false;
  const BYTE tag = data[0];
  if ((tag & 0x1F) == 0x1F) return false;  // high-tag-number form
  DWORD header = 2;
  DWORD length = data[1];
  if (length & 0x80) {
    const DWORD count = length & 0x7F;
    if (count == 0 || count > 4) return false;  // indefinite length, or longer than 32 bits
    if (size - 2 < count) return false;
    if (data[2] == 0) return false;  // leading zero: not the shortest form
    length = 0;
    for (DWORD i = 0; i < count; ++i) length = (length << 8) | data[2 + i];
    if (length < 0x80) return false;  // would have fitted the short form
    header += count;
  }
  if (length > size - header) return false;
  out.tag = tag;
  out.content = data + header;
  out.contentSize = length;
  out.encoding = data;
  out.encodingSize = header + length;
  return true;
}

bool ReadWholeElement(const BYTE* data, DWORD size, Element& out) {
  Element element;
  if (!ReadElement(data, size, element) || element.encodingSize != size) return false;
  out = element;
  return true;
}

bool ReadChildren(const Element& parent, std::vector<Element>& out) {
  if ((parent.tag & kConstructed) == 0) return false;
  std::vector<Element> children;
  DWORD offset = 0;
  while (offset < parent.contentSize) {
    Element child;
    if (!ReadElement(parent.content + offset, parent.contentSize - offset, child)) return false;
    children.push_back(child);
    offset += child.encodingSize;
  }
  out.swap(children);
  return true;
}

bool DecodeOid(const BYTE* content, DWORD size, std::string& dotted) {
  if (size == 0) return false;
  std::string text;
  bool first = true;
  std::uint64_t arc = 0;
  bool inArc = false;
  for (DWORD i = 0; i < size; ++i) {
    const BYTE b = content[i];
    if (!inArc && b == 0x80) return false;  // leading 0x80: not minimal
    arc = (arc << 7) | (b & 0x7F);
    if (arc > 0xFFFFFFFFull + 80) return false;
    inArc = (b & 0x80) != 0;
    if (inArc) continue;
    if (first) {
      const std::uint64_t top = arc < 40 ? 0 : (arc < 80 ? 1 : 2);
      const std::uint64_t second = arc - top * 40;
      if (second > 0xFFFFFFFFull) return false;
      text = std::to_string(top) + "." + std::to_string(second);
      first = false;
    } else {
      if (arc > 0xFFFFFFFFull) return false;
      text += "." + std::to_string(arc);
    }
    arc = 0;
  }
  if (inArc) return false;  // the last arc was cut off
  dotted.swap(text);
  return true;
}

bool EncodeOid(const std::string& dotted, CSecureBuffer& content) {
  std::vector<std::uint64_t> arcs;
  std::size_t pos = 0;
  while (true) {
    const std::size_t end = dotted.find('.', pos);
    const std::string part = dotted.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    if (part.empty() || part.size() > 10) return false;
    std::uint64_t value = 0;
    for (char c : part) {
      if (c < '0' || c > '9') return false;
      value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > 0xFFFFFFFFull) return false;
    arcs.push_back(value);
    if (end == std::string::npos) break;
    pos = end + 1;
  }
  if (arcs.size() < 2 || arcs[0] > 2 || (arcs[0] < 2 && arcs[1] >= 40)) return false;
  std::vector<std::uint64_t> values{arcs[0] * 40 + arcs[1]};
  values.insert(values.end(), arcs.begin() + 2, arcs.end());
  CSecureBuffer bytes;
  for (std::uint64_t value : values) {
    BYTE group[10];
    int count = 0;
    do {
      group[count++] = static_cast<BYTE>(value & 0x7F);
      value >>= 7;
    } while (value != 0);
    for (int i = count - 1; i >= 0; --i) {
      const BYTE b = static_cast<BYTE>(group[i] | (i > 0 ? 0x80 : 0));
      if (!AppendBytes(bytes, &b, 1)) return false;
    }
  }
  content = std::move(bytes);
  return true;
}

bool DecodeInt32(const BYTE* content, DWORD size, std::int32_t& value) {
  if (size == 0 || size > 4) return false;
  if (size > 1 && ((content[0] == 0x00 && (content[1] & 0x80) == 0) ||
                   (content[0] == 0xFF && (content[1] & 0x80) != 0))) {
    return false;  // not minimal
  }
  std::uint32_t v = (content[0] & 0x80) ? 0xFFFFFFFFu : 0;
  for (DWORD i = 0; i < size; ++i) v = (v << 8) | content[i];
  value = static_cast<std::int32_t>(v);
  return true;
}

bool DecodeText(const Element& element, WString& text) {
  WString decoded;
  const BYTE* p = element.content;
  const DWORD size = element.contentSize;
  switch (element.tag) {
    case kTagUtf8String:
      if (!DecodeUtf8(p, size, decoded)) return false;
      break;
    case kTagNumericString:
    case kTagPrintableString:
    case kTagIa5String:
    case kTagVisibleString:
      for (DWORD i = 0; i < size; ++i) {
        if (p[i] > 0x7F) return false;
        decoded.push_back(static_cast<WCHAR>(p[i]));
      }
      break;
    case kTagTeletexString:
    case kTagVideotexString:
    case kTagGraphicString:
    case kTagGeneralString:
      // Legacy 8-bit sets: each byte is read as the character of that number (Latin-1).
      for (DWORD i = 0; i < size; ++i) decoded.push_back(static_cast<WCHAR>(p[i]));
      break;
    case kTagBmpString:
      if (size % 2 != 0) return false;
      for (DWORD i = 0; i < size; i += 2) decoded.push_back(static_cast<WCHAR>((p[i] << 8) | p[i + 1]));
      break;
    case kTagUniversalString:
      if (size % 4 != 0) return false;
      for (DWORD i = 0; i < size; i += 4) {
        const std::uint32_t code = (std::uint32_t(p[i]) << 24) | (std::uint32_t(p[i + 1]) << 16) |
                                   (std::uint32_t(p[i + 2]) << 8) | p[i + 3];
        if (!AppendUnit(decoded, code)) return false;
      }
      break;
    default:
      return false;
  }
  text.swap(decoded);
  return true;
}

bool AppendElement(BYTE tag, const BYTE* content, DWORD size, CSecureBuffer& out) {
  BYTE header[6] = {tag};
  DWORD headerSize = 2;
  if (size < 0x80) {
    header[1] = static_cast<BYTE>(size);
  } else {
    DWORD count = 0;
    for (DWORD rest = size; rest != 0; rest >>= 8) ++count;
    header[1] = static_cast<BYTE>(0x80 | count);
    for (DWORD i = 0; i < count; ++i) header[2 + i] = static_cast<BYTE>(size >> (8 * (count - 1 - i)));
    headerSize += count;
  }
  // One reservation for header and content: nested elements built inside out stay linear, and a
  // failure leaves out as it was.
  if (size > UINT32_MAX - headerSize || headerSize + size > UINT32_MAX - out.size) return false;
  if (!out.Reserve(out.size + headerSize + size)) return false;
  return AppendBytes(out, header, headerSize) && AppendBytes(out, content, size);
}

}  // namespace der
}  // namespace luma
