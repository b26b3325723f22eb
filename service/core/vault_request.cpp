#include "service/core/vault_request.h"

#include "service/core/vault_namespace.h"

namespace luma::service {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kGroupsPerLine = 19;

void AppendGroup(const BYTE* bytes, std::size_t count, std::string& out) {
  const unsigned value = (bytes[0] << 16) | (count > 1 ? bytes[1] << 8 : 0) | (count > 2 ? bytes[2] : 0);
  out.push_back(kAlphabet[(value >> 18) & 0x3F]);
  out.push_back(kAlphabet[(value >> 12) & 0x3F]);
  out.push_back(count > 1 ? kAlphabet[(value >> 6) & 0x3F] : '=');
  out.push_back(count > 2 ? kAlphabet[value & 0x3F] : '=');
}

}  // namespace

std::string Base64Lines(const BYTE* data, std::size_t size) {
  const std::size_t groups = size / 3;
  std::string out;
  out.reserve(groups * 4 + (groups / kGroupsPerLine + 1) * 2 + 4);
  std::size_t group = 0;
  // Every full line, then the last shorter (possibly empty) one, each with CR LF.
  for (std::size_t line = 0; line <= groups / kGroupsPerLine; ++line) {
    const std::size_t inLine = line == groups / kGroupsPerLine ? groups % kGroupsPerLine : kGroupsPerLine;
    for (std::size_t i = 0; i < inLine; ++i, ++group) AppendGroup(data + group * 3, 3, out);
    out += "\r\n";
  }
  out.resize(out.size() - 2);
  if (size % 3 != 0) AppendGroup(data + groups * 3, size % 3, out);
  return out;
}

std::string BuildVaultRequest(const char* requestElement, const std::vector<VaultRequestField>& fields) {
  std::string body =
      "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\""
      " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
      " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
      " xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\"><soap:Body><ns2:";
  body += requestElement;
  body += " xmlns:ns2=\"";
  body += kVaultCoreNamespace;
  body += "\">";
  for (const VaultRequestField& field : fields) {
    if (field.value == nullptr) {
      body += std::string("<") + field.name + " xsi:nil=\"1\"></" + field.name + ">";
      continue;
    }
    body += std::string("<") + field.name + ">";
    body += Base64Lines(field.value->data, field.value->size);
    body += std::string("</") + field.name + ">";
  }
  body += std::string("</ns2:") + requestElement + "></soap:Body></soap:Envelope>";
  return body;
}

std::string VaultActionLine(const char* operation) {
  return std::string("SOAPAction: \"") + kVaultCoreNamespace + operation + "\"\r\n";
}

}  // namespace luma::service
