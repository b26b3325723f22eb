// The application-wide settings of lumaPassV: menu commands, the account dialog's looks and
// behaviour, reminders, processes refused the virtual card, titles and names, and the interface
// language. Each setting comes from the first of the application-setting locations that holds it.
// Built once at start-up and only read afterwards.
#ifndef LUMA_POLICY_CONFIG_LUMAPASSV_CONFIG_H_
#define LUMA_POLICY_CONFIG_LUMAPASSV_CONFIG_H_

#include <windows.h>

#include <string>
#include <vector>

#include "foundation/win/registry_reader.h"

class CLumaPassVConfig {
 public:
  // Reads the settings from the four application-setting locations, in the user's interface language.
  CLumaPassVConfig();
  // Reads the settings from the given locations, as a user whose interface language is userLanguage.
  CLumaPassVConfig(const CRegistryReader& locations, LANGID userLanguage);

  std::wstring ReadString(const wchar_t* valueName, const std::wstring& defaultValue) const;

  bool ShowExit = true;
  bool ShowRestart = false;
  bool ShowLogoutAll = true;
  bool LogoutOnLock = false;
  bool PositionRelativeToTrayArea = false;
  bool AllowDisablingCertificates = false;
  bool ShowAccountTab = true;
  bool ShowRestrictionsTab = true;
  bool AllowCryptUIOnlineLookups = false;
  DWORD NotifyRefreshDaysBefore = 0;    // 0: no reminder
  DWORD NotifyPINChangeDaysBefore = 0;  // 0: no reminder
  DWORD NotifyEmptyAccount = 1;
  bool SaveAccountDialogPos = false;
  DWORD AccountDialogWidth = 0;
  DWORD AccountListCertColWidth = 200;
  DWORD AccountListValidityColWidth = 80;
  DWORD AccountListStatusColWidth = 0;
  std::wstring UILanguage;  // ISO 639 name
  LANGID languageId = 0;
  std::vector<std::wstring> ExcludedProcesses;        // refused to sessions from this computer
  std::vector<std::wstring> ExcludedRemoteProcesses;  // refused to sessions from other computers
  std::wstring ApplicationTitle;
  std::wstring SmartCardCommunicationGUID;
  std::wstring FriendlyNamePrefix;
  CRegistryReader registry;

 private:
  void ReadAll();
  bool ReadFlag(const wchar_t* valueName, bool defaultValue) const;
  DWORD ReadNumber(const wchar_t* valueName, DWORD defaultValue) const;
  // The list of the first location that holds the value; lists of several locations are not merged.
  void ReadList(const wchar_t* valueName, std::vector<std::wstring>& values) const;
  void ResolveLanguage();
};

#endif  // LUMA_POLICY_CONFIG_LUMAPASSV_CONFIG_H_
