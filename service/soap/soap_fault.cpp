#include "service/soap/soap_fault.h"

#include <string_view>

#include "service/soap/msxml6_ids.h"

namespace luma::service {
namespace {

constexpr std::wstring_view kSoapEnvelopeNamespace = L"http://schemas.xmlsoap.org/soap/envelope/";

std::wstring_view View(const wchar_t* text, int length) {
  return text != nullptr && length > 0 ? std::wstring_view(text, static_cast<size_t>(length))
                                       : std::wstring_view();
}

// Content handler of a fault document. Lives on the parsing function's stack: the reader holds it
// only while it parses, so its reference count is not used for its lifetime.
class CSoapFaultHandler final : public ISAXContentHandler {
 public:
  explicit CSoapFaultHandler(CSoapFault& fault) : m_fault(fault) {}

  bool FoundFault() const { return m_foundFault; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == kIidSaxContentHandler) {
      *object = static_cast<ISAXContentHandler*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE putDocumentLocator(ISAXLocator*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE startDocument() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE endDocument() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE startPrefixMapping(const wchar_t*, int, const wchar_t*, int) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE endPrefixMapping(const wchar_t*, int) override { return S_OK; }

  HRESULT STDMETHODCALLTYPE startElement(const wchar_t* uri, int uriLength, const wchar_t* localName,
                                         int localNameLength, const wchar_t*, int, ISAXAttributes*) override {
    ++m_depth;
    const std::wstring_view name = View(localName, localNameLength);
    const bool inEnvelopeNamespace = View(uri, uriLength) == kSoapEnvelopeNamespace;
    // The envelope may hold a Header before its Body: each child of the envelope decides only
    // while it is open whether the path leads to the fault.
    if (m_depth == 1) {
      m_inEnvelope = inEnvelopeNamespace && name == L"Envelope";
    } else if (m_depth == 2) {
      m_inBody = m_inEnvelope && inEnvelopeNamespace && name == L"Body";
    } else if (m_depth == 3 && m_inBody && inEnvelopeNamespace && name == L"Fault") {
      m_inFault = true;
      m_foundFault = true;
    } else if (m_depth == 4 && m_inFault) {
      m_field = name == L"faultcode"     ? &m_fault.faultcode
                : name == L"faultstring" ? &m_fault.faultstring
                : name == L"faultactor"  ? &m_fault.faultactor
                : name == L"detail"      ? &m_fault.detail
                                         : nullptr;
    }
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE endElement(const wchar_t*, int, const wchar_t*, int, const wchar_t*,
                                       int) override {
    if (m_depth == 4) m_field = nullptr;
    if (m_depth == 3) m_inFault = false;
    if (m_depth == 2) m_inBody = false;
    --m_depth;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE characters(const wchar_t* text, int length) override {
    if (m_field == nullptr) return S_OK;
    const std::wstring_view chunk = View(text, length);
    const size_t room = kMaxFaultFieldLength - m_field->size();
    m_field->append(chunk.substr(0, room));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ignorableWhitespace(const wchar_t*, int) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE processingInstruction(const wchar_t*, int, const wchar_t*, int) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE skippedEntity(const wchar_t*, int) override { return S_OK; }

 private:
  CSoapFault& m_fault;
  int m_depth = 0;
  bool m_inEnvelope = false;
  bool m_inBody = false;
  bool m_inFault = false;
  bool m_foundFault = false;
  std::wstring* m_field = nullptr;
};

}  // namespace

HRESULT ParseSoapFault(ISAXXMLReader* reader, IStream* stream, CSoapFault& fault) {
  fault.Clear();
  if (reader == nullptr || stream == nullptr) return E_FAIL;
  // An empty body holds no fault: the reader is not asked, since its error path for an empty
  // document has crashed under Wine with many parsers running at once.
  STATSTG about = {};
  if (SUCCEEDED(stream->Stat(&about, STATFLAG_NONAME)) && about.cbSize.QuadPart == 0) return E_FAIL;
  CSoapFaultHandler handler(fault);
  HRESULT result = reader->putContentHandler(&handler);
  if (SUCCEEDED(result)) {
    VARIANT input;
    VariantInit(&input);
    input.vt = VT_UNKNOWN;
    input.punkVal = stream;  // borrowed: not cleared below
    result = reader->parse(input);
    reader->putContentHandler(nullptr);
  }
  if (FAILED(result) || !handler.FoundFault()) {
    fault.Clear();
    return E_FAIL;
  }
  return S_OK;
}

}  // namespace luma::service
