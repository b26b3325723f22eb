#include "foundation/win/debug_log.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "foundation/win/tests/test_temp_dir.h"

namespace {

// Reads a log file while the log may still hold it open for appending.
std::wstring ReadLog(const std::wstring& path, std::vector<BYTE>* raw = nullptr) {
  const luma::CKernelHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return L"<missing>";
  std::vector<BYTE> bytes;
  BYTE chunk[4096];
  DWORD read = 0;
  while (ReadFile(file.get(), chunk, sizeof(chunk), &read, nullptr) && read > 0)
    bytes.insert(bytes.end(), chunk, chunk + read);
  if (raw != nullptr) *raw = bytes;
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

std::vector<std::wstring> Lines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "the file ends in a partial line";
  return lines;
}

bool IsDigits(const std::wstring& text, size_t at, size_t count) {
  if (at + count > text.size()) return false;
  for (size_t i = at; i < at + count; ++i) {
    if (text[i] < L'0' || text[i] > L'9') return false;
  }
  return true;
}

// Checks "yyyy/mm/dd hh:mm:ss.mmm - P<pid>/T<tid> - " and returns the text behind it.
std::wstring TextOf(const std::wstring& line, DWORD processId) {
  const bool stamp = IsDigits(line, 0, 4) && line[4] == L'/' && IsDigits(line, 5, 2) && line[7] == L'/' &&
                     IsDigits(line, 8, 2) && line[10] == L' ' && IsDigits(line, 11, 2) && line[13] == L':' &&
                     IsDigits(line, 14, 2) && line[16] == L':' && IsDigits(line, 17, 2) && line[19] == L'.' &&
                     IsDigits(line, 20, 3);
  EXPECT_TRUE(stamp) << "bad time stamp";
  wchar_t ids[32];
  _snwprintf(ids, 32, L" - P%06lu/T", processId);
  ids[31] = 0;
  EXPECT_EQ(ids, line.substr(23, wcslen(ids)));
  const size_t text = line.find(L" - ", 23 + wcslen(ids));
  EXPECT_NE(std::wstring::npos, text);
  EXPECT_TRUE(IsDigits(line, 23 + wcslen(ids), text - 23 - wcslen(ids)));
  return text == std::wstring::npos ? L"" : line.substr(text + 3);
}

void WriteBytes(const std::wstring& path, DWORD size) {
  const luma::CKernelHandle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file);
  std::vector<BYTE> bytes(size, 'x');
  DWORD written = 0;
  if (size > 0) WriteFile(file.get(), bytes.data(), size, &written, nullptr);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::wstring> Rotated(const std::wstring& path) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  const luma::CFindHandle find(FindFirstFileW((path + L"_*").c_str(), &entry));
  if (!find) return names;
  do names.push_back(entry.cFileName);
  while (FindNextFileW(find.get(), &entry));
  std::sort(names.begin(), names.end());
  return names;
}

class DebugLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CDebugLog::SetRotation(CDebugLog::kDefaultMaxGenerations, 0, 0);
    CDebugLog::SetLevel(LOG_INFO);
  }
  void TearDown() override {
    CDebugLog::Open(nullptr);
    CDebugLog::SetLevel(0);
  }

  CTestTempDir dir;
  const std::wstring path = dir / L"log.txt";
};

TEST_F(DebugLogTest, WritesLevelledLinesInTheExactFormat) {
  CDebugLog::Open(path.c_str());
  EXPECT_TRUE(CDebugLog::IsLevelEnabled(LOG_INFO));
  EXPECT_FALSE(CDebugLog::IsLevelEnabled(LOG_DEBUG));
  CDebugLog::Log(LOG_INFO, L"Hello %s, %d certificates", L"world", 5);
  CDebugLog::Log(LOG_DEBUG, L"not written");
  const BYTE bytes[] = {0x41, 0x00, 0x7F};
  CDebugLog::LogHexDump(L"Request", bytes, 3);  // needs LOG_DEBUG
  CDebugLog::SetLevel(LOG_DEBUG);
  CDebugLog::LogHexDump(L"Request", bytes, 3);
  CDebugLog::LogHexDump(L"Response", nullptr, 8);
  CDebugLog::Log(LOG_TRACE, L"not written");

  std::vector<BYTE> raw;
  const std::vector<std::wstring> lines = Lines(ReadLog(path, &raw));
  // No byte-order mark: the file starts with the first digit of the year.
  ASSERT_GE(raw.size(), 2u);
  EXPECT_EQ('2', raw[0]);
  EXPECT_EQ(0, raw[1]);
  const DWORD pid = GetCurrentProcessId();
  const std::vector<std::wstring> expected = {
      L"Hello world, 5 certificates",
      L"     Request 3 bytes (0x0003)",
      L"       00000000  41 00 7f " + std::wstring(40, L' ') + L" |A.." + std::wstring(13, L' ') + L"|",
      L"     Response 8 bytes (0x0008)",
      L"     NULL pointer!",
  };
  ASSERT_EQ(expected.size(), lines.size());
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(expected[i], TextOf(lines[i], pid)) << i;
}

TEST_F(DebugLogTest, CutsOverlongTextsAt2047Characters) {
  CDebugLog::Open(path.c_str());
  const std::wstring longText(3000, L'z');
  CDebugLog::Log(LOG_ERROR, L"%s", longText.c_str());
  const std::wstring exact(2047, L'y');
  CDebugLog::Log(LOG_ERROR, L"%s", exact.c_str());
  const std::vector<std::wstring> lines = Lines(ReadLog(path));
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ(longText.substr(0, 2047), TextOf(lines[0], GetCurrentProcessId()));
  EXPECT_EQ(exact, TextOf(lines[1], GetCurrentProcessId()));
}

TEST_F(DebugLogTest, DisabledLogWritesNothing) {
  CDebugLog::Open(path.c_str());
  CDebugLog::SetLevel(0);
  EXPECT_FALSE(CDebugLog::IsLevelEnabled(LOG_ERROR));
  CDebugLog::Log(LOG_ERROR, L"never");
  const BYTE bytes[] = {1};
  CDebugLog::LogHexDump(L"never", bytes, 1);
  EXPECT_EQ(L"", ReadLog(path));
}

TEST_F(DebugLogTest, KeepsTheCallersLastError) {
  SetLastError(0x1234);
  CDebugLog::Open(path.c_str());
  EXPECT_EQ(0x1234u, GetLastError());
  CDebugLog::SetLevel(LOG_TRACE);
  SetLastError(0x4321);
  CDebugLog::Log(LOG_INFO, L"line");
  EXPECT_EQ(0x4321u, GetLastError());
  const BYTE bytes[] = {1, 2};
  CDebugLog::LogHexDump(L"dump", bytes, 2);
  EXPECT_EQ(0x4321u, GetLastError());
  CDebugLog::SetLevel(0);
  CDebugLog::Log(LOG_INFO, L"line");
  EXPECT_EQ(0x4321u, GetLastError());
}

TEST_F(DebugLogTest, RotatesBySizeAndKeepsTheConfiguredGenerations) {
  WriteBytes(path, 1000);
  WriteBytes(path + L"_202401010000", 1);
  WriteBytes(path + L"_202402010000", 1);
  WriteBytes(dir / L"other.txt_202301010000", 1);  // another log's generation

  CDebugLog::SetRotation(2, 1000, 0);  // not larger than the limit: stays
  CDebugLog::Open(path.c_str());
  CDebugLog::Open(nullptr);
  EXPECT_EQ(2u, Rotated(path).size());
  EXPECT_EQ(500u, ReadLog(path).size());  // 1000 bytes

  CDebugLog::SetRotation(2, 999, 0);
  CDebugLog::Open(path.c_str());
  CDebugLog::Log(LOG_INFO, L"first line of the new file");
  const std::vector<std::wstring> rotated = Rotated(path);
  ASSERT_EQ(2u, rotated.size());
  EXPECT_EQ(L"log.txt_202402010000", rotated[0]);
  EXPECT_EQ(20u, rotated[1].size());  // log.txt_ and twelve digits of the current minute
  EXPECT_TRUE(Exists(dir / L"other.txt_202301010000"));
  EXPECT_EQ(1u, Lines(ReadLog(path)).size());
  EXPECT_EQ(1000u, ReadLog(dir / rotated[1]).size() * sizeof(wchar_t));
}

TEST_F(DebugLogTest, ZeroGenerationsKeepsEveryRotatedFile) {
  WriteBytes(path, 10);
  WriteBytes(path + L"_202401010000", 1);
  WriteBytes(path + L"_202402010000", 1);
  CDebugLog::SetRotation(0, 5, 0);
  CDebugLog::Open(path.c_str());
  EXPECT_EQ(3u, Rotated(path).size());
}

TEST_F(DebugLogTest, UnopenableFileSendsLinesToTheDebugger) {
  CDebugLog::Open((dir / L"no\\such\\dir\\log.txt").c_str());
  EXPECT_TRUE(CDebugLog::IsLevelEnabled(LOG_INFO));
  CDebugLog::Log(LOG_INFO, L"to the debugger");  // must neither fail nor create the file
  EXPECT_FALSE(Exists(dir / L"no"));
}

TEST(DebugLogMutexTest, FallbackOpenCanWaitAndRelease) {
  const std::wstring name = L"Local\\luma test log mutex " + std::to_wstring(GetCurrentProcessId());
  const luma::CKernelHandle created(CreateMutexW(nullptr, FALSE, name.c_str()));
  ASSERT_TRUE(created);
  const luma::CKernelHandle opened = CDebugLog::OpenExistingMutex(name.c_str());
  ASSERT_TRUE(opened);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(opened.get(), 0));
  EXPECT_TRUE(ReleaseMutex(opened.get()));
}

// A wait that fails (here on a handle without the right to wait) does not lose the line.
TEST_F(DebugLogTest, FailedWaitStillWrites) {
  CDebugLog::Open(path.c_str());
  const std::wstring name = L"Local\\luma test log mutex weak " + std::to_wstring(GetCurrentProcessId());
  const luma::CKernelHandle created(CreateMutexW(nullptr, FALSE, name.c_str()));
  ASSERT_TRUE(created);
  // Neither SYNCHRONIZE nor MUTEX_MODIFY_STATE; where that cannot be opened, a handle value that
  // names nothing.
  luma::CKernelHandle weak(OpenMutexW(2, FALSE, name.c_str()));
  if (!weak) weak.reset(reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x7ffc)));
  luma::CKernelHandle own = CDebugLog::ReplaceMutexForTesting(std::move(weak));
  CDebugLog::Log(LOG_INFO, L"written without the mutex");
  weak = CDebugLog::ReplaceMutexForTesting(std::move(own));
  const std::vector<std::wstring> lines = Lines(ReadLog(path));
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ(L"written without the mutex", TextOf(lines[0], GetCurrentProcessId()));
}

constexpr int kChildLines = 200;
constexpr size_t kChildPadding = 700;

// Run only as a child of TwoProcessesShareOneFileWithoutInterleaving.
TEST(DebugLogChild, DISABLED_WriteLines) {
  wchar_t path[MAX_PATH] = {}, name[8] = {};
  ASSERT_NE(0u, GetEnvironmentVariableW(L"LUMA_LOG_CHILD_PATH", path, MAX_PATH));
  ASSERT_EQ(1u, GetEnvironmentVariableW(L"LUMA_LOG_CHILD_NAME", name, 8));
  CDebugLog::SetLevel(LOG_INFO);
  CDebugLog::Open(path);
  const std::wstring padding(kChildPadding, name[0]);
  for (int i = 0; i < kChildLines; ++i) CDebugLog::Log(LOG_INFO, L"%s %04d %s", name, i, padding.c_str());
  CDebugLog::Open(nullptr);
}

TEST_F(DebugLogTest, TwoProcessesShareOneFileWithoutInterleaving) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  SetEnvironmentVariableW(L"LUMA_LOG_CHILD_PATH", path.c_str());
  std::vector<PROCESS_INFORMATION> children;
  for (const wchar_t* name : {L"A", L"B"}) {
    SetEnvironmentVariableW(L"LUMA_LOG_CHILD_NAME", name);
    std::wstring command =
        L"\"" + std::wstring(self) +
        L"\" --gtest_also_run_disabled_tests --gtest_filter=DebugLogChild.DISABLED_WriteLines";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(
        CreateProcessW(self, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    children.push_back(process);
  }
  SetEnvironmentVariableW(L"LUMA_LOG_CHILD_PATH", nullptr);
  SetEnvironmentVariableW(L"LUMA_LOG_CHILD_NAME", nullptr);
  for (auto& child : children) {
    const luma::CKernelHandle thread(child.hThread), process(child.hProcess);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.get(), 120000)) << "a writer hangs";
    DWORD code = 1;
    GetExitCodeProcess(process.get(), &code);
    EXPECT_EQ(0u, code);
  }

  const std::vector<std::wstring> lines = Lines(ReadLog(path));
  ASSERT_EQ(2u * kChildLines, lines.size());
  std::map<wchar_t, int> next;
  for (const auto& line : lines) {
    const size_t text = line.find(L" - ", line.find(L" - P") + 4);
    ASSERT_NE(std::wstring::npos, text);
    const std::wstring body = line.substr(text + 3);
    ASSERT_EQ(7 + kChildPadding, body.size()) << "interleaved or cut line";
    const wchar_t writer = body[0];
    ASSERT_TRUE(writer == L'A' || writer == L'B');
    EXPECT_EQ(next[writer]++, std::stoi(body.substr(2, 4)));
    EXPECT_EQ(std::wstring(kChildPadding, writer), body.substr(7));
  }
  EXPECT_EQ(kChildLines, next[L'A']);
  EXPECT_EQ(kChildLines, next[L'B']);
}

}  // namespace
