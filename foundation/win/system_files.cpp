// Directories, whole files, file lists and resource collection.
#include <utility>

#include "foundation/win/system_utils.h"
#include "foundation/win/unique_handle.h"

using luma::CFindHandle;
using luma::CKernelHandle;

namespace luma {

DWORD CreateDirectoryPath(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ? ERROR_SUCCESS
                                                                                         : ERROR_DIRECTORY;
  }
  const size_t slash = path.rfind(L'\\');
  if (slash != std::wstring::npos) {
    const DWORD parent = CreateDirectoryPath(path.substr(0, slash));
    if (parent != ERROR_SUCCESS) return parent;
  }
  if (!CreateDirectoryW(path.c_str(), nullptr)) return GetLastError();
  return ERROR_SUCCESS;
}

DWORD WriteFileData(const std::wstring& path, const CSecureBuffer& data) {
  CKernelHandle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return GetLastError();
  DWORD done = 0;
  while (done < data.size) {
    DWORD written = 0;
    if (!WriteFile(file.get(), data.data + done, data.size - done, &written, nullptr)) return GetLastError();
    if (written == 0) return ERROR_WRITE_FAULT;  // no progress: never loop for ever
    done += written;
  }
  return ERROR_SUCCESS;
}

DWORD ReadFileData(const std::wstring& path, CSecureBuffer& data) {
  data.Clear();
  CKernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return GetLastError();
  LARGE_INTEGER fileSize;
  if (!GetFileSizeEx(file.get(), &fileSize)) return GetLastError();
  if (fileSize.QuadPart < 0 || fileSize.QuadPart > luma::kMaxWholeFileSize) return ERROR_FILE_TOO_LARGE;
  const DWORD expected = static_cast<DWORD>(fileSize.QuadPart);
  if (expected == 0) return ERROR_SUCCESS;
  CSecureBuffer bytes(expected);
  if (bytes.data == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  // Never more than the sized block: a file that grew meanwhile is read as it was when sized.
  DWORD done = 0;
  while (done < expected) {
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data + done, expected - done, &read, nullptr)) {
      const DWORD error = GetLastError();
      bytes.size = done;
      data = std::move(bytes);
      return error;
    }
    if (read == 0) {
      // The file shrank after it was sized: what was read is kept, but the read failed.
      bytes.size = done;
      data = std::move(bytes);
      return ERROR_HANDLE_EOF;
    }
    done += read;
  }
  data = std::move(bytes);
  return ERROR_SUCCESS;
}

void FindFiles(const std::wstring& directory, const std::wstring& pattern, std::list<std::wstring>& files) {
  files.clear();
  WIN32_FIND_DATAW entry;
  CFindHandle find(FindFirstFileW((directory + L"\\" + pattern).c_str(), &entry));
  if (!find) return;
  do {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      files.push_back(directory + L"\\" + entry.cFileName);
    }
  } while (FindNextFileW(find.get(), &entry));
}

BOOL CALLBACK CollectResourceProc(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param) {
  auto* resources = reinterpret_cast<std::list<CSecureBuffer>*>(param);
  if (resources == nullptr) return TRUE;
  HRSRC found = FindResourceW(module, name, type);
  if (found == nullptr) return TRUE;
  const DWORD size = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (size == 0 || bytes == nullptr) return TRUE;
  try {
    resources->emplace_back(size, bytes);
  } catch (...) {
    // Out of memory: this resource is skipped; no exception may cross the system's callback frames.
  }
  return TRUE;
}

}  // namespace luma
