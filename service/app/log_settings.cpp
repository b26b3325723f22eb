#include "service/app/log_settings.h"

#include "foundation/win/debug_log.h"
#include "foundation/win/system_utils.h"

namespace luma::app {
namespace {

constexpr DWORD kAbsent = 0xFFFFFFFF;

}  // namespace

std::wstring ReadLogSettings(const CRegistryReader& settings) {
  const std::wstring logFile = ExpandEnvironmentText(settings.GetString(nullptr, L"LogFile", std::wstring()));
  const DWORD level = settings.GetDWORD(nullptr, L"LogLevel", kAbsent);
  const DWORD rotateSize = settings.GetDWORD(nullptr, L"LogRotateSize", kAbsent);
  const DWORD rotateAge = settings.GetDWORD(nullptr, L"LogRotateAge", kAbsent);
  const DWORD maxGenerations = settings.GetDWORD(nullptr, L"LogMaxGenerations", kAbsent);

  if (level != kAbsent && level != 0) {
    CDebugLog::SetLevel(static_cast<int>(level));
    if (!logFile.empty()) {
      CDebugLog::SetRotation(maxGenerations != kAbsent ? maxGenerations : CDebugLog::kDefaultMaxGenerations,
                             rotateSize != kAbsent ? rotateSize : 0, rotateAge != kAbsent ? rotateAge : 0);
      CDebugLog::Open(logFile.c_str());
    }
  }
  return logFile;
}

std::wstring ReadLogSettings() {
  CRegistryReader settings;
  AddApplicationSettingLocations(settings);
  return ReadLogSettings(settings);
}

void CloseLog() {
  CDebugLog::SetLevel(0);
  CDebugLog::Open(nullptr);
}

}  // namespace luma::app
