// Directories, whole files, file lists and resource collection.
#include "foundation/win/system_handles.h"
#include "foundation/win/system_utils.h"

using luma::UniqueFindHandle;
using luma::UniqueHandle;

namespace {
constexpr DWORD kReadChunk = 2048;
}  // namespace

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
  UniqueHandle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!IsValid(file)) return GetLastError();
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
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!IsValid(file)) return GetLastError();
  CSecureBuffer chunk(kReadChunk);
  if (chunk.data == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.get(), chunk.data, kReadChunk, &read, nullptr)) return GetLastError();
    if (read == 0) return ERROR_SUCCESS;
    const DWORD before = data.size;
    data.Append(read, chunk.data);
    if (data.size != before + read) return ERROR_NOT_ENOUGH_MEMORY;  // keeps what was read so far
  }
}

void FindFiles(const std::wstring& directory, const std::wstring& pattern, std::list<std::wstring>& files) {
  files.clear();
  WIN32_FIND_DATAW entry;
  UniqueFindHandle find(FindFirstFileW((directory + L"\\" + pattern).c_str(), &entry));
  if (find.get() == INVALID_HANDLE_VALUE) return;
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
