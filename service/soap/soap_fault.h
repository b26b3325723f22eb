// A SOAP 1.1 fault of the signing service, and its reader over the MSXML SAX parser.
#ifndef LUMA_SERVICE_SOAP_SOAP_FAULT_H_
#define LUMA_SERVICE_SOAP_SOAP_FAULT_H_

#include <windows.h>
// after windows.h
#include <msxml2.h>
#include <objidl.h>

#include <string>

namespace luma::service {

// Longest text kept of one fault field; longer texts are cut there.
constexpr size_t kMaxFaultFieldLength = 4096;

struct CSoapFault {
  LONG code = 0;
  std::wstring faultcode;
  std::wstring faultstring;
  std::wstring faultactor;
  std::wstring detail;  // the text content of the detail element

  void Clear() { *this = CSoapFault(); }
};

// Parses Envelope/Body/Fault (in the SOAP 1.1 envelope namespace) from the stream with the reader.
// S_OK with the fault filled; E_FAIL when the document is not XML or holds no such fault.
HRESULT ParseSoapFault(ISAXXMLReader* reader, IStream* stream, CSoapFault& fault);

}  // namespace luma::service

#endif  // LUMA_SERVICE_SOAP_SOAP_FAULT_H_
