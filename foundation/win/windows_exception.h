// A Win32 failure travelling as an exception, and the readable text of an error code.
#ifndef LUMA_FOUNDATION_WIN_WINDOWS_EXCEPTION_H_
#define LUMA_FOUNDATION_WIN_WINDOWS_EXCEPTION_H_

#include <windows.h>

#include <string>

namespace luma {

// The system's text for a Win32 or HRESULT code (WinINet's texts when that module is loaded), trimmed,
// with " [0x%08x]" behind it when appendCode is set; "[0x%08x]" alone when no text is known.
std::wstring FormatSystemErrorMessage(DWORD code, bool appendCode);

}  // namespace luma

class CWindowsException {
 public:
  CWindowsException();  // takes GetLastError()
  explicit CWindowsException(DWORD code);
  virtual ~CWindowsException() = default;

  DWORD GetError() const { return error; }
  const std::wstring& GetMessage() const { return message; }
  // The text with the code suffix, made anew from the stored code.
  std::wstring GetErrorText() const { return luma::FormatSystemErrorMessage(error, true); }

 private:
  DWORD error;
  std::wstring message;
};

#endif  // LUMA_FOUNDATION_WIN_WINDOWS_EXCEPTION_H_
