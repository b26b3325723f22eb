#include "soap_envelope.h"

namespace signing_service {

std::string XmlEscape(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&apos;";
        break;
      default:
        escaped.push_back(c);
    }
  }
  return escaped;
}

std::string SoapEnvelope(const std::string& bodyXml) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
         "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
         "<soap:Body>" +
         bodyXml + "</soap:Body></soap:Envelope>";
}

std::string SoapFaultEnvelope(const std::string& faultCode, const std::string& faultString,
                              const std::string& faultActor, const std::string& detail) {
  return SoapEnvelope("<soap:Fault><faultcode>" + XmlEscape(faultCode) + "</faultcode><faultstring>" +
                      XmlEscape(faultString) + "</faultstring><faultactor>" + XmlEscape(faultActor) +
                      "</faultactor><detail><reason>" + XmlEscape(detail) +
                      "</reason></detail></soap:Fault>");
}

}  // namespace signing_service
