#include "policy/config/lumapassv_config.h"

#include "policy/core/interface_language.h"

namespace {
constexpr int kLanguageNameLength = 16;

std::wstring LanguageName(LANGID language) {
  wchar_t name[kLanguageNameLength] = {};
  if (GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), LOCALE_SISO639LANGNAME, name, kLanguageNameLength) ==
      0) {
    return std::wstring();
  }
  name[kLanguageNameLength - 1] = 0;
  return name;
}
}  // namespace

CLumaPassVConfig::CLumaPassVConfig() : languageId(GetUserDefaultUILanguage()) {
  luma::AddApplicationSettingLocations(registry);
  ReadAll();
}

CLumaPassVConfig::CLumaPassVConfig(const CRegistryReader& locations, LANGID userLanguage)
    : languageId(userLanguage), registry(locations) {
  ReadAll();
}

std::wstring CLumaPassVConfig::ReadString(const wchar_t* valueName, const std::wstring& defaultValue) const {
  return registry.GetString(nullptr, valueName, defaultValue);
}

bool CLumaPassVConfig::ReadFlag(const wchar_t* valueName, bool defaultValue) const {
  return ReadNumber(valueName, defaultValue ? 1 : 0) != 0;
}

DWORD CLumaPassVConfig::ReadNumber(const wchar_t* valueName, DWORD defaultValue) const {
  return registry.GetDWORD(nullptr, valueName, defaultValue);
}

void CLumaPassVConfig::ReadList(const wchar_t* valueName, std::vector<std::wstring>& values) const {
  values.clear();
  for (const CRegistryReader::Location& location : registry.GetLocations()) {
    if (luma::RegReadMultiString(location.root, location.path, valueName, values)) return;
  }
}

void CLumaPassVConfig::ReadAll() {
  ShowExit = ReadFlag(L"ShowExit", ShowExit);
  ShowRestart = ReadFlag(L"ShowRestart", ShowRestart);
  ShowLogoutAll = ReadFlag(L"ShowLogoutAll", ShowLogoutAll);
  LogoutOnLock = ReadFlag(L"LogoutOnLock", LogoutOnLock);
  PositionRelativeToTrayArea = ReadFlag(L"PositionRelativeToTrayArea", PositionRelativeToTrayArea);
  AllowDisablingCertificates = ReadFlag(L"AllowDisablingCertificates", AllowDisablingCertificates);
  ShowAccountTab = ReadFlag(L"ShowAccountTab", ShowAccountTab);
  ShowRestrictionsTab = ReadFlag(L"ShowRestrictionsTab", ShowRestrictionsTab);
  AllowCryptUIOnlineLookups = ReadFlag(L"AllowCryptUIOnlineLookups", AllowCryptUIOnlineLookups);
  SaveAccountDialogPos = ReadFlag(L"SaveAccountDialogPos", SaveAccountDialogPos);
  AccountDialogWidth = ReadNumber(L"AccountDialogWidth", AccountDialogWidth);
  AccountListCertColWidth = ReadNumber(L"AccountListCertColWidth", AccountListCertColWidth);
  AccountListValidityColWidth = ReadNumber(L"AccountListValidityColWidth", AccountListValidityColWidth);
  AccountListStatusColWidth = ReadNumber(L"AccountListStatusColWidth", AccountListStatusColWidth);
  NotifyRefreshDaysBefore = ReadNumber(L"NotifyRefreshDaysBefore", NotifyRefreshDaysBefore);
  NotifyPINChangeDaysBefore = ReadNumber(L"NotifyPINChangeDaysBefore", NotifyPINChangeDaysBefore);
  NotifyEmptyAccount = ReadNumber(L"NotifyEmptyAccount", NotifyEmptyAccount);
  ReadList(L"ExcludedProcesses", ExcludedProcesses);
  ReadList(L"ExcludedRemoteProcesses", ExcludedRemoteProcesses);
  ApplicationTitle = ReadString(L"ApplicationTitle", L"luma-Pass V");
  SmartCardCommunicationGUID =
      ReadString(L"SmartCardCommunicationGUID", L"{FA8BC8BE-85D3-47c8-A5F7-4B8DE2C57C28}");
  FriendlyNamePrefix = ReadString(L"FriendlyNamePrefix", L"");
  UILanguage = ReadString(L"UILanguage", L"");
  ResolveLanguage();
}

void CLumaPassVConfig::ResolveLanguage() {
  const std::wstring systemName = UILanguage.empty() ? LanguageName(languageId) : std::wstring();
  const CInterfaceLanguage language =
      luma::policy::ResolveInterfaceLanguage(UILanguage, systemName, languageId);
  UILanguage = language.name;
  languageId = language.id;
}
