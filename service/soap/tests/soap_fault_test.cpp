// The fault reader over the platform's SAX reader: which documents hold a SOAP 1.1 fault.
#include "service/soap/soap_fault.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <wrl/client.h>

#include <cstring>
#include <string>

#include "service/soap/msxml6_ids.h"

namespace luma::service {
namespace {

using Microsoft::WRL::ComPtr;

constexpr char kOpen[] = "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">";
constexpr char kFault[] =
    "<soap:Fault><faultcode>soap:Server</faultcode><faultstring>Card blocked</faultstring>"
    "<faultactor>urn:test</faultactor><detail><reason>tries exhausted</reason></detail></soap:Fault>";

ComPtr<IStream> StreamOf(const std::string& text) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  if (memory == nullptr) return nullptr;
  std::memcpy(GlobalLock(memory), text.data(), text.size());
  GlobalUnlock(memory);
  ComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(memory, TRUE, stream.GetAddressOf()))) {
    GlobalFree(memory);
    return nullptr;
  }
  ULARGE_INTEGER size;
  size.QuadPart = text.size();
  stream->SetSize(size);
  return stream;
}

class SoapFaultTest : public ::testing::Test {
 protected:
  void SetUp() override { initialised = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
  void TearDown() override {
    if (initialised) CoUninitialize();
  }
  bool initialised = false;
};

TEST_F(SoapFaultTest, FindsTheFaultOnlyInTheEnvelopesBody) {
  struct Case {
    const char* name;
    std::string body;
    bool found;
  } const cases[] = {
      {"fault in the body", std::string(kOpen) + "<soap:Body>" + kFault + "</soap:Body></soap:Envelope>",
       true},
      {"fault after a header",
       std::string(kOpen) + "<soap:Header><session>s1</session></soap:Header><soap:Body>" + kFault +
           "</soap:Body></soap:Envelope>",
       true},
      {"fault inside the header",
       std::string(kOpen) + "<soap:Header>" + kFault + "</soap:Header><soap:Body/></soap:Envelope>", false},
      {"a body without a fault", std::string(kOpen) + "<soap:Body><answer/></soap:Body></soap:Envelope>",
       false},
      {"a fault of another namespace",
       std::string(kOpen) + "<soap:Body><f:Fault xmlns:f=\"urn:other\"><faultstring>x</faultstring></f:Fault>"
                            "</soap:Body></soap:Envelope>",
       false},
      {"not XML", "Internal error", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ComPtr<ISAXXMLReader> reader;
    ASSERT_TRUE(
        SUCCEEDED(CoCreateInstance(kClsidSaxXmlReader60, nullptr, CLSCTX_INPROC_SERVER, kIidSaxXmlReader,
                                   reinterpret_cast<void**>(reader.GetAddressOf()))));
    const ComPtr<IStream> stream = StreamOf(c.body);
    ASSERT_TRUE(stream);
    CSoapFault fault;
    fault.faultstring = L"left from an earlier call";
    EXPECT_EQ(c.found ? S_OK : E_FAIL, ParseSoapFault(reader.Get(), stream.Get(), fault));
    EXPECT_EQ(c.found ? L"Card blocked" : L"", fault.faultstring);
    EXPECT_EQ(c.found ? L"soap:Server" : L"", fault.faultcode);
    EXPECT_EQ(c.found ? L"tries exhausted" : L"", fault.detail);
  }
}

}  // namespace
}  // namespace luma::service
