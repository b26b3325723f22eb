// SOAP 1.1 envelopes of the service's answers.
#ifndef LUMA_TESTDATA_SIGNING_SERVICE_SOAP_ENVELOPE_H_
#define LUMA_TESTDATA_SIGNING_SERVICE_SOAP_ENVELOPE_H_

#include <string>

namespace signing_service {

// An envelope whose body holds the given XML (already escaped).
std::string SoapEnvelope(const std::string& bodyXml);

// A fault envelope; the texts are escaped here.
std::string SoapFaultEnvelope(const std::string& faultCode, const std::string& faultString,
                              const std::string& faultActor, const std::string& detail);

// The text with &, <, >, " and ' escaped for XML.
std::string XmlEscape(const std::string& text);

}  // namespace signing_service

#endif  // LUMA_TESTDATA_SIGNING_SERVICE_SOAP_ENVELOPE_H_
