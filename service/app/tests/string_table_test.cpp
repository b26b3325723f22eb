// lumaPassV's string tables against the code: every text id the program formats exists in English
// and in German, with the same placeholders in both, and the service's English texts read as the
// program has always shown them.
#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

#include "foundation/win/resource_string.h"
#include "foundation/win/system_utils.h"
#include "service/core/service_text_ids.h"
#include "service/core/tray_status.h"
#include "service/ui/ui_resource_ids.h"
#include "service/ui/wizard_resource_ids.h"

namespace {

constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr LANGID kGerman = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);

std::vector<UINT> IdsTheCodeUses() {
  std::vector<UINT> ids(std::begin(luma::service::kServiceTextIds), std::end(luma::service::kServiceTextIds));
  ids.insert(ids.end(), std::begin(luma::tray::kTrayTextIds), std::end(luma::tray::kTrayTextIds));
  ids.insert(ids.end(), {IDS_ADD_ACCOUNT_CAPTION, IDS_APP_TITLE, IDS_ABOUT_CAPTION});
  ids.insert(ids.end(), {IDS_WIZ_CHECK_ACCOUNT, IDS_WIZ_WRONG_OTP,
                         IDS_WIZ_SELECT_PROVIDER, IDS_WIZ_POLICY_ERROR, IDS_WIZ_RETRIEVED,
                         IDS_WIZ_ACCOUNT_MISMATCH, IDS_WIZ_NO_POLICY, IDS_WIZ_NO_PROVIDER});
  return ids;
}

// The printf conversions of a format, in order ("%s%08X" for "a %s b %08X"; "%%" is none).
std::wstring Conversions(const std::wstring& format) {
  std::wstring found;
  for (size_t at = format.find(L'%'); at != std::wstring::npos; at = format.find(L'%', at)) {
    size_t end = at + 1;
    while (end < format.size() && !iswalpha(format[end]) && format[end] != L'%') ++end;
    if (end < format.size() && format[end] != L'%') found += format.substr(at, end - at + 1);
    at = end + 1;
  }
  return found;
}

TEST(StringTableTest, EveryTextOfTheCodeExistsInBothLanguagesWithTheSamePlaceholders) {
  const HMODULE program = GetModuleHandleW(nullptr);
  for (const UINT id : IdsTheCodeUses()) {
    SCOPED_TRACE(id);
    const std::wstring english = luma::LoadStringResource(program, kEnglish, id);
    const std::wstring german = luma::LoadStringResource(program, kGerman, id);
    EXPECT_FALSE(english.empty());
    EXPECT_FALSE(german.empty());
    EXPECT_EQ(Conversions(english), Conversions(german));
  }
}

// A German interface language reaches the German table whichever way it is named: "de" in the
// settings gives the primary language alone, a Swiss system another country.
TEST(StringTableTest, EveryNameOfGermanFindsTheGermanTexts) {
  const HMODULE program = GetModuleHandleW(nullptr);
  const LANGID languages[] = {LANG_GERMAN, kGerman, MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN_SWISS)};
  for (const LANGID language : languages) {
    SCOPED_TRACE(language);
    EXPECT_EQ(L"Das Zertifikat ist gesperrt",
              luma::LookupStringResource(program, language, luma::service::kStrCertificateBlocked));
  }
  EXPECT_EQ(L"The certificate is blocked",
            luma::LookupStringResource(program, MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH),
                                       luma::service::kStrCertificateBlocked));
}

TEST(StringTableTest, TheServiceSpeaksTheEnglishItAlwaysHas) {
  using namespace luma::service;
  struct Row {
    UINT id;
    const wchar_t* text;
  };
  const Row rows[] = {
      {kStrAuthenticationTitle, L"luma-Pass V - Authentication"},
      {kStrDomainNotAllowed, L"The account is not allowed to be used in the current Windows Domain"},
      {kStrHostNotAllowed, L"The account is not allowed to be used on the current computer"},
      {kStrOtpLoginFailed, L"Authentication of %s failed!\n\nWrong OTP PIN or Passcode."},
      {kStrProcessNotAuthorized, L"Application \n\n%s\n\nis not authorized to use the selected certificate"},
      {kStrSelectAuthCertificate, L"Select the certificate to use for service authentication"},
      {kStrNoAuthCertificate, L"No certificate available for service authentication"},
      {kStrSignatureFailed, L"An error occurred while creating the signature:\n\n%s"},
      {kStrDecryptionFailed, L"An error occurred while decrypting the data:\n\n%s"},
      {kStrInvalidKeyUsage, L"The certificate may not be used for the requested operation"},
      {kStrInvalidPin, L"An invalid password was given"},
      {kStrCertificateBlocked, L"The certificate is blocked"},
      {kStrUnexpectedError, L"An unexpected error occurred"},
      {kStrUnsupportedOperation, L"Unsupported operation request"},
      {kStrUnknownProvider, L"Provider for requested action unknown"},
      {kStrTrayIconFailed, L"Failed to create tray icon (0x%08X). Unable to start application."},
      {kStrInvalidOption, L"Invalid option %s"},
      {kStrAmbiguousOption, L"Ambiguous option %s"},
      {kStrArgumentNotAllowed, L"Option %s does not take an argument"},
      {kStrArgumentFormInvalid, L"Option type invalid for %s"},
      {kStrArgumentMissing, L"Argument missing for option %s"},
      {kStrArgumentLooksLikeOption, L"Argument for option %s looks like another option"},
  };
  ASSERT_EQ(std::size(rows), std::size(kServiceTextIds));
  for (const Row& row : rows) {
    EXPECT_EQ(row.text, luma::LoadStringResource(GetModuleHandleW(nullptr), kEnglish, row.id)) << row.id;
  }
}

}  // namespace
