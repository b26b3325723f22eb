// The log settings of lumaPassV: "LogFile", "LogLevel", "LogRotateSize", "LogRotateAge" and
// "LogMaxGenerations", each from the first application-setting location that holds it.
#ifndef LUMA_SERVICE_APP_LOG_SETTINGS_H_
#define LUMA_SERVICE_APP_LOG_SETTINGS_H_

#include <string>

#include "foundation/win/registry_reader.h"

namespace luma::app {

// Configures the process's log from the settings and returns the "LogFile" text with its environment
// variables expanded (empty when there is none). A non-zero level turns the log on; with a file the
// rotation settings apply and the file is opened, without one the lines go to the debugger output.
std::wstring ReadLogSettings(const CRegistryReader& settings);
// The same from the four application-setting locations.
std::wstring ReadLogSettings();

// Turns the log off and closes its file.
void CloseLog();

}  // namespace luma::app

#endif  // LUMA_SERVICE_APP_LOG_SETTINGS_H_
