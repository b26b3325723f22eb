#include "service/core/vault_response.h"

#include <cstdlib>
#include <utility>
#include <vector>

#include "foundation/core/platform.h"

namespace luma::service {
namespace {

constexpr char kSoapEnvelopeNamespace[] = "http://schemas.xmlsoap.org/soap/envelope/";
constexpr std::size_t kMaxAttributes = 32;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
         c == '.' || c == ':' || static_cast<unsigned char>(c) >= 0x80;
}

void AppendUtf8(std::uint32_t c, std::string& out) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// Unescapes character data; false for an unknown or malformed reference.
bool Unescape(const char* begin, const char* end, std::string& out) {
  for (const char* p = begin; p < end; ++p) {
    if (*p != '&') {
      out.push_back(*p);
      continue;
    }
    const char* semicolon = p + 1;
    while (semicolon < end && *semicolon != ';' && semicolon - p < 12) ++semicolon;
    if (semicolon >= end || *semicolon != ';') return false;
    const std::string name(p + 1, semicolon);
    if (name == "lt") {
      out.push_back('<');
    } else if (name == "gt") {
      out.push_back('>');
    } else if (name == "amp") {
      out.push_back('&');
    } else if (name == "quot") {
      out.push_back('"');
    } else if (name == "apos") {
      out.push_back('\'');
    } else if (name.size() >= 2 && name[0] == '#') {
      const bool hex = name[1] == 'x';
      const std::string digits = name.substr(hex ? 2 : 1);
      if (digits.empty()) return false;
      std::uint32_t value = 0;
      for (const char d : digits) {
        int v = -1;
        if (d >= '0' && d <= '9') v = d - '0';
        if (hex && d >= 'a' && d <= 'f') v = d - 'a' + 10;
        if (hex && d >= 'A' && d <= 'F') v = d - 'A' + 10;
        if (v < 0) return false;
        value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
        if (value > 0x10FFFF) return false;
      }
      if (value == 0 || (value >= 0xD800 && value <= 0xDFFF)) return false;
      AppendUtf8(value, out);
    } else {
      return false;
    }
    p = semicolon;
  }
  return true;
}

struct OpenElement {
  std::string qualifiedName;
  std::string namespaceUri;
  std::string localName;
  std::vector<std::pair<std::string, std::string>> declarations;  // prefix ("" = default), URI
};

class ResponseReader {
 public:
  ResponseReader(const std::string& body, CVaultResponseFields& fields)
      : m_p(body.data()), m_end(body.data() + body.size()), m_fields(fields) {}

  bool Run() {
    bool done = false;
    while (m_p < m_end) {
      if (*m_p != '<') {
        if (!Text()) return false;
        continue;
      }
      if (Starts("<?")) {
        if (!SkipPast("?>")) return false;
      } else if (Starts("<!--")) {
        if (!SkipPast("-->")) return false;
      } else if (Starts("<![CDATA[")) {
        if (!CData()) return false;
      } else if (Starts("<!")) {
        return false;  // no document type declarations
      } else if (Starts("</")) {
        if (!EndTag()) return false;
        if (m_stack.empty()) done = true;
      } else {
        if (done || !StartTag()) return false;
      }
    }
    return done && m_sawResponse;
  }

 private:
  bool Starts(const char* text) const {
    const char* p = m_p;
    for (; *text != '\0'; ++text, ++p) {
      if (p >= m_end || *p != *text) return false;
    }
    return true;
  }

  bool SkipPast(const char* terminator) {
    const std::string t(terminator);
    for (const char* p = m_p; p + t.size() <= m_end; ++p) {
      if (std::string(p, t.size()) == t) {
        m_p = p + t.size();
        return true;
      }
    }
    return false;
  }

  bool Name(std::string& name) {
    const char* start = m_p;
    while (m_p < m_end && IsNameChar(*m_p)) ++m_p;
    if (m_p == start || m_p - start > 256) return false;
    name.assign(start, m_p);
    return true;
  }

  void SkipSpace() {
    while (m_p < m_end && IsSpace(*m_p)) ++m_p;
  }

  // Namespace URI of a prefix in the current scope (after the new element's declarations).
  bool Resolve(const std::string& prefix, std::string& uri) const {
    for (auto level = m_stack.rbegin(); level != m_stack.rend(); ++level) {
      for (auto d = level->declarations.rbegin(); d != level->declarations.rend(); ++d) {
        if (d->first == prefix) {
          uri = d->second;
          return true;
        }
      }
    }
    if (prefix.empty()) {
      uri.clear();
      return true;
    }
    return false;
  }

  bool StartTag() {
    ++m_p;
    OpenElement element;
    if (!Name(element.qualifiedName)) return false;
    std::size_t attributes = 0;
    bool empty = false;
    for (;;) {
      const char* before = m_p;
      SkipSpace();
      if (m_p >= m_end) return false;
      if (*m_p == '>') {
        ++m_p;
        break;
      }
      if (*m_p == '/') {
        if (m_p + 1 >= m_end || m_p[1] != '>') return false;
        m_p += 2;
        empty = true;
        break;
      }
      if (m_p == before || ++attributes > kMaxAttributes) return false;
      std::string name;
      if (!Name(name)) return false;
      SkipSpace();
      if (m_p >= m_end || *m_p != '=') return false;
      ++m_p;
      SkipSpace();
      if (m_p >= m_end || (*m_p != '"' && *m_p != '\'')) return false;
      const char quote = *m_p++;
      const char* valueStart = m_p;
      while (m_p < m_end && *m_p != quote && *m_p != '<') ++m_p;
      if (m_p >= m_end || *m_p != quote) return false;
      std::string value;
      if (!Unescape(valueStart, m_p, value)) return false;
      ++m_p;
      if (name == "xmlns") {
        element.declarations.emplace_back("", value);
      } else if (name.rfind("xmlns:", 0) == 0) {
        element.declarations.emplace_back(name.substr(6), value);
      }
    }
    const std::size_t colon = element.qualifiedName.find(':');
    const std::string prefix = colon == std::string::npos ? "" : element.qualifiedName.substr(0, colon);
    element.localName =
        colon == std::string::npos ? element.qualifiedName : element.qualifiedName.substr(colon + 1);
    m_stack.push_back(std::move(element));
    if (m_stack.size() > kMaxVaultResponseDepth || !Resolve(prefix, m_stack.back().namespaceUri))
      return false;
    if (!Opened()) return false;
    return empty ? Closed() : true;
  }

  // Checks the structure when an element opens: Envelope, then Header or Body, then in the body
  // one response element whose children hold text only.
  bool Opened() {
    const OpenElement& e = m_stack.back();
    const bool soap = e.namespaceUri == kSoapEnvelopeNamespace;
    switch (m_stack.size()) {
      case 1:
        return soap && e.localName == "Envelope";
      case 2:
        if (!soap || (e.localName != "Header" && e.localName != "Body")) return false;
        m_inBody = e.localName == "Body";
        if (m_inBody && m_sawBody) return false;
        m_sawBody = m_sawBody || m_inBody;
        return true;
      case 3:
        if (!m_inBody) return true;
        if (m_sawResponse) return false;  // one response element only
        m_sawResponse = true;
        return true;
      case 4:
        if (!m_inBody) return true;
        m_fieldText.clear();
        return true;
      default:
        return !m_inBody;  // fields hold no elements
    }
  }

  bool Closed() {
    if (m_inBody && m_stack.size() == 4) {
      std::string text;
      text.swap(m_fieldText);
      if (!m_fields.Add(m_stack.back().localName, std::move(text))) return false;
    }
    if (m_stack.size() == 2) m_inBody = false;
    m_stack.pop_back();
    return true;
  }

  bool EndTag() {
    m_p += 2;
    std::string name;
    if (!Name(name)) return false;
    SkipSpace();
    if (m_p >= m_end || *m_p != '>') return false;
    ++m_p;
    if (m_stack.empty() || m_stack.back().qualifiedName != name) return false;
    return Closed();
  }

  bool AddText(const char* begin, const char* end, bool escaped) {
    if (m_inBody && m_stack.size() == 4) {
      if (m_fieldText.size() + static_cast<std::size_t>(end - begin) > kMaxVaultResponseBytes) return false;
      if (escaped) return Unescape(begin, end, m_fieldText);
      m_fieldText.append(begin, end);
      return true;
    }
    if (m_stack.empty() || m_inBody || m_stack.size() < 3) {
      for (const char* p = begin; p < end; ++p) {
        if (!IsSpace(*p)) return false;
      }
    }
    return true;
  }

  bool Text() {
    const char* start = m_p;
    while (m_p < m_end && *m_p != '<') ++m_p;
    return AddText(start, m_p, true);
  }

  bool CData() {
    m_p += 9;
    const char* start = m_p;
    if (!SkipPast("]]>")) return false;
    return AddText(start, m_p - 3, false);
  }

  const char* m_p;
  const char* m_end;
  CVaultResponseFields& m_fields;
  std::vector<OpenElement> m_stack;
  std::string m_fieldText;
  bool m_inBody = false;
  bool m_sawBody = false;
  bool m_sawResponse = false;
};

bool EqualsNoCase(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    char c = a[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != b[i]) return false;
  }
  return i == a.size() && b[i] == '\0';
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

void CVaultResponseFields::Clear() {
  for (auto& field : m_fields) SecureWipe(&field.second[0], field.second.size());
  m_fields.clear();
}

const std::string& CVaultResponseFields::Text(const std::string& name) const {
  static const std::string kEmpty;
  const auto found = m_fields.find(name);
  return found == m_fields.end() ? kEmpty : found->second;
}

bool CVaultResponseFields::Int32(const std::string& name, std::int32_t& value) const {
  const auto found = m_fields.find(name);
  if (found == m_fields.end()) return false;
  const std::string& text = found->second;
  std::size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  std::int64_t number = 0;
  std::size_t digits = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
    number = number * 10 + (text[i] - '0');
    if (number > 0x80000000LL) return false;
  }
  while (i < text.size() && IsSpace(text[i])) ++i;
  if (digits == 0 || i != text.size()) return false;
  if (negative) number = -number;
  if (number > 0x7FFFFFFFLL) return false;
  value = static_cast<std::int32_t>(number);
  return true;
}

bool CVaultResponseFields::Bytes(const std::string& name, CSecureBuffer& value) const {
  const auto found = m_fields.find(name);
  if (found == m_fields.end()) {
    value.Clear();
    return true;
  }
  return DecodeBase64(found->second, value);
}

bool CVaultResponseFields::Add(const std::string& name, std::string&& text) {
  if (m_fields.size() >= kMaxVaultResponseFields && !Has(name)) {
    SecureWipe(&text[0], text.size());
    return false;
  }
  std::string& slot = m_fields[name];
  SecureWipe(&slot[0], slot.size());
  slot = std::move(text);
  return true;
}

bool ParseVaultResponse(const std::string& body, CVaultResponseFields& fields) {
  fields.Clear();
  if (body.size() > kMaxVaultResponseBytes) return false;
  ResponseReader reader(body, fields);
  if (reader.Run()) return true;
  fields.Clear();
  return false;
}

bool DecodeBase64(const std::string& text, CSecureBuffer& bytes) {
  CSecureBuffer out;
  if (!out.Reserve(static_cast<DWORD>(text.size() / 4 * 3 + 3))) return false;
  std::uint32_t quad = 0;
  int filled = 0;
  int padding = 0;
  for (const char c : text) {
    if (IsSpace(c)) continue;
    if (c == '=') {
      if (filled < 2 || ++padding + filled > 4) return false;
      continue;
    }
    const int v = Base64Value(c);
    if (v < 0 || padding != 0) return false;
    quad = (quad << 6) | static_cast<std::uint32_t>(v);
    if (++filled == 4) {
      const BYTE group[3] = {static_cast<BYTE>(quad >> 16), static_cast<BYTE>(quad >> 8),
                             static_cast<BYTE>(quad)};
      out.Append(3, group);
      filled = 0;
      quad = 0;
    }
  }
  if (padding != 0) {
    if (filled + padding != 4) return false;
    const BYTE group[2] = {static_cast<BYTE>(quad >> (filled == 2 ? 4 : 10)), static_cast<BYTE>(quad >> 2)};
    out.Append(filled == 2 ? 1 : 2, group);
  } else if (filled != 0) {
    return false;
  }
  bytes = std::move(out);
  return true;
}

bool ParseVaultStatus(const std::string& text, int& code) {
  static const struct {
    const char* text;
    int code;
  } kTable[] = {{"INVALID_PIN", kVaultStatusInvalidPin},
                {"BLOCKED", kVaultStatusBlocked},
                {"INVALID_KEY_USAGE", kVaultStatusInvalidKeyUsage},
                {"PIN_POLICY_VIOLATION", kVaultStatusPinPolicyViolation}};
  for (const auto& entry : kTable) {
    if (EqualsNoCase(text, entry.text)) {
      code = entry.code;
      return true;
    }
  }
  return false;
}

bool IsVaultStatusOk(const std::string& text) { return EqualsNoCase(text, "OK"); }

}  // namespace luma::service
