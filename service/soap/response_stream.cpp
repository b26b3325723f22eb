#include "service/soap/response_stream.h"

#include <algorithm>
#include <new>

#include "foundation/core/platform.h"

namespace luma::service {
namespace {

class CResponseStream final : public IStream {
 public:
  explicit CResponseStream(std::string&& body) : m_body(std::move(body)) {}
  ~CResponseStream() { SecureWipe(m_body.data(), m_body.size()); }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_ISequentialStream || iid == IID_IStream) {
      *object = static_cast<IStream*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_references); }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = InterlockedDecrement(&m_references);
    if (left == 0) delete this;
    return left;
  }

  // ISequentialStream
  HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override {
    if (buffer == nullptr) return STG_E_INVALIDPOINTER;
    const size_t available = m_body.size() - m_position;
    const ULONG copied = static_cast<ULONG>(std::min<size_t>(count, available));
    std::copy_n(m_body.data() + m_position, copied, static_cast<char*>(buffer));
    m_position += copied;
    if (read != nullptr) *read = copied;
    return copied == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }

  // IStream
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
    LONGLONG base = 0;
    switch (origin) {
      case STREAM_SEEK_SET:
        base = 0;
        break;
      case STREAM_SEEK_CUR:
        base = static_cast<LONGLONG>(m_position);
        break;
      case STREAM_SEEK_END:
        base = static_cast<LONGLONG>(m_body.size());
        break;
      default:
        return STG_E_INVALIDFUNCTION;
    }
    const LONGLONG target = base + move.QuadPart;
    if (move.QuadPart > 0 ? target < base : target > base) return STG_E_INVALIDFUNCTION;  // overflow
    if (target < 0 || target > static_cast<LONGLONG>(m_body.size())) return STG_E_INVALIDFUNCTION;
    m_position = static_cast<size_t>(target);
    if (newPosition != nullptr) newPosition->QuadPart = m_position;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
    if (stat == nullptr) return STG_E_INVALIDPOINTER;
    *stat = STATSTG{};
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = m_body.size();
    stat->grfMode = STGM_READ;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IStream** clone) override {
    if (clone != nullptr) *clone = nullptr;
    return E_NOTIMPL;
  }

 private:
  LONG m_references = 1;
  std::string m_body;
  size_t m_position = 0;
};

}  // namespace

Microsoft::WRL::ComPtr<IStream> MakeResponseStream(std::string&& body) {
  Microsoft::WRL::ComPtr<IStream> stream;
  IStream* made = new (std::nothrow) CResponseStream(std::move(body));
  if (made != nullptr) stream.Attach(made);
  return stream;
}

}  // namespace luma::service
