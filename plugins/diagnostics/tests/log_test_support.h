// Registry settings and log files of a module name used by one test only.
#ifndef LUMA_PLUGINS_DIAGNOSTICS_TESTS_LOG_TEST_SUPPORT_H_
#define LUMA_PLUGINS_DIAGNOSTICS_TESTS_LOG_TEST_SUPPORT_H_

#include <windows.h>

#include <string>
#include <vector>

class CTestLogSettings {
 public:
  CTestLogSettings();
  ~CTestLogSettings();  // removes the key, the files and the directory

  const std::string& moduleName() const { return name; }
  const std::string& directory() const { return logDirectory; }

  // Values under HKLM "SOFTWARE\nuvak\<module>", written through the 64-bit view.
  void setDword(const char* value, DWORD data);
  void setString(const char* value, const std::string& data, DWORD type = REG_SZ);
  // Enabled, at the level, writing into directory().
  void enableFile(int level);

  std::vector<std::string> files() const;
  // The lines of the only log file, each without its "\r\n"; fails the test unless every line has one.
  std::vector<std::string> lines() const;

 private:
  std::string name;
  std::string logDirectory;
};

namespace luma::diagnostics {

// The message part of a line in the log's format; empty when the line does not have the format.
std::string MessageOf(const std::string& line, DWORD* threadId = nullptr);

}  // namespace luma::diagnostics

#endif  // LUMA_PLUGINS_DIAGNOSTICS_TESTS_LOG_TEST_SUPPORT_H_
