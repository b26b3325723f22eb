#include "ui/framework/nav_handling_edit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/framework/base_property_sheet.h"
#include "ui/framework/tests/test_pages.h"
#include "ui/testing/dialog_driver.h"

namespace luma::ui {
namespace {

using ui_test::CDialogDriver;
using ui_test::CTestInfoPage;
using ui_test::CTestLoginPage;

constexpr const wchar_t* kCaption = L"luma-Pass V - Test Login";

class NavHandlingEditTest : public ::testing::Test {
 protected:
  NavHandlingEditTest() {
    sheet.AddPage(login);
    sheet.AddPage(std::make_shared<CTestInfoPage>());
  }

  CDialogDriver driver;
  CBasePropertySheet sheet{nullptr, IDS_TEST_SHEET_CAPTION};
  std::shared_ptr<CTestLoginPage> login = std::make_shared<CTestLoginPage>();
};

TEST_F(NavHandlingEditTest, EscInASecretFieldCancelsTheSheet) {
  driver.Start([&](CDialogDriver& d) {
    HWND window = d.WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    HWND password = CDialogDriver::Control(window, IDC_TEST_PASSWORD);
    d.OnDialogThread([password] { SetFocus(password); });
    d.Type(password, L"abc");
    d.Key(password, VK_ESCAPE);
    PostMessageW(password, WM_CHAR, 0x1B, 1);  // the character Esc makes, as TranslateMessage would
  });
  EXPECT_EQ(sheet.DoModal(), IDCANCEL);
  driver.Join();
}

// What a caller reads out of a field: with or without the terminator, and the '#' mask.
TEST(SecureTextTest, ReadsAndMasksTheFieldsText) {
  HWND field = CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(field, nullptr);
  struct Case {
    const wchar_t* text;
    bool withTerminator;
    DWORD size;
  } cases[] = {{L"", true, 2}, {L"", false, 0}, {L"pa55wd", true, 14}, {L"pa55wd", false, 12}};
  for (const Case& c : cases) {
    SetWindowTextW(field, c.text);
    CSecureBuffer out(3, "old");
    GetWindowTextSecure(field, out, c.withTerminator);
    EXPECT_EQ(out.size, c.size) << "'" << c.text << "' terminator " << c.withTerminator;
    const std::wstring expected = std::wstring(c.text) + (c.withTerminator ? std::wstring(1, L'\0') : L"");
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(out.data), out.size / 2), expected);
  }
  SetWindowTextW(field, L"pa55wd");
  WipeWindowText(field);
  EXPECT_EQ(WindowText(field), L"######");
  SetWindowTextW(field, L"");
  WipeWindowText(field);
  EXPECT_EQ(WindowText(field), L"") << "an empty field stays empty";
  DestroyWindow(field);
}

}  // namespace
}  // namespace luma::ui
