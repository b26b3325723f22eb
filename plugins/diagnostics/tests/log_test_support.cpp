#include "plugins/diagnostics/tests/log_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <regex>
#include <sstream>

#include "foundation/win/unique_handle.h"

namespace {
constexpr char kKeyPrefix[] = "SOFTWARE\\nuvak\\";
std::atomic<int> g_counter{0};

std::string KeyPath(const std::string& module) { return kKeyPrefix + module; }
}  // namespace

CTestLogSettings::CTestLogSettings() {
  name = "lumaPassLogTest" + std::to_string(GetCurrentProcessId()) + "x" + std::to_string(++g_counter);
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  logDirectory = std::string(temp) + name;
  CreateDirectoryA(logDirectory.c_str(), nullptr);
}

CTestLogSettings::~CTestLogSettings() {
  RegDeleteKeyExA(HKEY_LOCAL_MACHINE, KeyPath(name).c_str(), KEY_WOW64_64KEY, 0);
  for (const std::string& file : files()) DeleteFileA((logDirectory + "\\" + file).c_str());
  RemoveDirectoryA(logDirectory.c_str());
}

void CTestLogSettings::setDword(const char* value, DWORD data) {
  luma::CRegistryKeyHandle key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, KeyPath(name).c_str(), 0, nullptr, 0,
                                           KEY_WRITE | KEY_WOW64_64KEY, nullptr, key.put(), nullptr));
  RegSetValueExA(key.get(), value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
}

void CTestLogSettings::setString(const char* value, const std::string& data, DWORD type) {
  luma::CRegistryKeyHandle key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, KeyPath(name).c_str(), 0, nullptr, 0,
                                           KEY_WRITE | KEY_WOW64_64KEY, nullptr, key.put(), nullptr));
  RegSetValueExA(key.get(), value, 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                 static_cast<DWORD>(data.size() + 1));
}

void CTestLogSettings::enableFile(int level) {
  setDword("EnableDebugLog", 1);
  setDword("DebugLogLevel", static_cast<DWORD>(level));
  setString("DebugLogPath", logDirectory);
}

std::vector<std::string> CTestLogSettings::files() const {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  const luma::CFindHandle search(FindFirstFileA((logDirectory + "\\*").c_str(), &found));
  if (!search) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileA(search.get(), &found));
  return names;
}

std::vector<std::string> CTestLogSettings::lines() const {
  std::vector<std::string> result;
  const auto names = files();
  if (names.size() != 1) {
    ADD_FAILURE() << "expected one log file, found " << names.size();
    return result;
  }
  std::ifstream in(logDirectory + "\\" + names[0], std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  const std::string text = content.str();
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "line without its line end: " << text.substr(start);
      break;
    }
    result.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return result;
}

namespace luma::diagnostics {

std::string MessageOf(const std::string& line, DWORD* threadId) {
  static const std::regex format(
      R"(^\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}\.\d{3} - P(\d{6})/T(\d{6}) - (.*)$)");
  std::smatch match;
  if (!std::regex_match(line, match, format)) return std::string();
  if (std::stoul(match[1].str()) != GetCurrentProcessId()) return std::string();
  if (threadId != nullptr) *threadId = std::stoul(match[2].str());
  return match[3].str();
}

}  // namespace luma::diagnostics
