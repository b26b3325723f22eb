// The tiles and picture controls as a person sees them, kept as screenshots in the build tree's
// artifacts/ui folder.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/controls/image_controls.h"
#include "ui/controls/tests/control_test_support.h"
#include "ui/controls/tests/test_tile_ids.h"
#include "ui/controls/tile_control.h"
#include "ui/controls/tile_theme_store.h"
#include "ui/testing/screenshot.h"

namespace luma::ui {
namespace {

void ShowAndSettle(HWND window) {
  SetWindowPos(window, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  SetForegroundWindow(window);
  SetActiveWindow(window);
  RedrawWindow(window, nullptr, nullptr,
               RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  for (int round = 0; round < 10; ++round) {
    ui_test::Pump();
    Sleep(50);
  }
}

// A row of tiles per state: FOCUS with the keyboard on the certificate's link, ACTIVE, INACTIVE, and
// a disabled row as a page disables its tiles.
void ShowFourTileStates(const std::wstring& pictureName) {
  ui_test::CTestDialog dialog(IDD_TEST_TILES);
  ASSERT_NE(dialog.Handle(), nullptr);

  CProviderConfig provider;
  provider.Name = L"Example Trust Services";
  provider.AccountManagementURL = L"https://portal.example.test/self";
  CPolicy account;
  account.issuerId = L"Example Trust Services";
  account.userFriendlyName = L"alice@example.test";
  CCertificatePolicy certificate;
  certificate.friendlyName = L"Alice Example - Signature";
  certificate.policyNotification = L"Qualified signature, valid until 31.12.2027";
  for (int flag : {0, 1, 4, 5}) certificate.certificateType.flags[flag] = true;

  std::vector<std::unique_ptr<CTile>> tiles;
  std::vector<std::unique_ptr<CTileControl>> controls;
  for (int row = 0; row < kTileStateCount; ++row) {
    tiles.push_back(std::make_unique<CProviderDialogTile>(&provider, &account));
    controls.push_back(std::make_unique<CTileControl>(tiles.back().get()));
    ASSERT_TRUE(controls.back()->Attach(dialog.Handle(), IDC_TEST_PROVIDER_TILE + row));
    tiles.push_back(std::make_unique<CCertDialogTile>(&certificate));
    controls.push_back(std::make_unique<CTileControl>(tiles.back().get()));
    ASSERT_TRUE(controls.back()->Attach(dialog.Handle(), IDC_TEST_CERT_TILE + row));
  }
  for (int row = 0; row < kTileStateCount; ++row) {
    for (int column = 0; column < 2; ++column) {
      CTileControl& control = *controls[static_cast<size_t>(row * 2 + column)];
      if (row == kTileDisabled) {
        control.SetTileState(kTileActive);
        EnableWindow(control.Handle(), FALSE);  // as a page disables a tile
      } else {
        control.SetTileState(row);
      }
    }
  }
  ShowAndSettle(dialog.Handle());
  SetFocus(controls[1]->Handle());  // the keyboard on the focused row's certificate link
  for (int round = 0; round < 5; ++round) {
    ui_test::Pump();
    Sleep(50);
  }
  EXPECT_EQ(GetFocus(), controls[1]->Handle());
  EXPECT_EQ(controls[1]->Input().Focused(), 1);
  EXPECT_TRUE(ui_test::SaveWindowPicture(dialog.Handle(), pictureName));
}

TEST(TileScreenshotTest, FourTileStates) {
  if (!ui_test::HasDisplay()) GTEST_SKIP() << "no X display: windows are not drawn on the null driver";
  ShowFourTileStates(L"tile_states.png");
}

// The same with an administrator's theme: a blue provider tile and a green certificate tile whose
// focused state stands out, read from registry values as at start-up.
TEST(TileScreenshotTest, FourTileStatesInARegistryTheme) {
  if (!ui_test::HasDisplay()) GTEST_SKIP() << "no X display: windows are not drawn on the null driver";
  const std::wstring path =
      L"Software\\lumaPassTests\\ThemePicture-" + std::to_wstring(GetCurrentProcessId());
  HKEY key = nullptr;
  ASSERT_EQ(
      RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  const struct {
    const wchar_t* name;
    DWORD colour;
  } values[] = {
      {L"ProviderTile.FOCUS.BG", 0xFF0B4F9C},    {L"ProviderTile.ACTIVE.BG", 0xFF2A6FBA},
      {L"ProviderTile.INACTIVE.BG", 0xFF8FB3DC}, {L"ProviderTile.DISABLED.BG", 0xFFD5E1EE},
      {L"ProviderTile.DISABLED.FG", 0xFF8A9BB0}, {L"CertTile.FOCUS.BG", 0xFF1E7D4F},
      {L"CertTile.ACTIVE.BG", 0xFF3A9A6A},       {L"CertTile.INACTIVE.BG", 0xFF9CCFB3},
      {L"CertTile.DISABLED.BG", 0xFFD8EBE0},     {L"CertTile.DISABLED.FG", 0xFF8AA898},
  };
  for (const auto& value : values) {
    RegSetValueExW(key, value.name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value.colour),
                   sizeof(DWORD));
  }
  LoadTileThemesFromKey(key);
  ShowFourTileStates(L"tile_states_themed.png");
  RegCloseKey(key);
  RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
  LoadTileThemes();  // the table is the process's: back to the machine's theme
}

TEST(TileScreenshotTest, PictureControls) {
  if (!ui_test::HasDisplay()) GTEST_SKIP() << "no X display: windows are not drawn on the null driver";
  ui_test::CTestDialog dialog(IDD_TEST_PICTURES);
  ASSERT_NE(dialog.Handle(), nullptr);
  CResizedBitmapControl picture;
  ASSERT_TRUE(picture.Attach(dialog.Handle(), IDC_TEST_PAGE_PICTURE));
  CSpinnerControl spinner;
  ASSERT_TRUE(spinner.Attach(dialog.Handle(), IDC_TEST_SPINNER));
  CInfoToolTip info;
  ASSERT_TRUE(info.Attach(dialog.Handle(), IDC_TEST_INFO));
  info.SetText(L"The PIN has at least six digits.");
  spinner.Start();
  ShowAndSettle(dialog.Handle());
  EXPECT_TRUE(ui_test::SaveWindowPicture(dialog.Handle(), L"picture_controls.png"));
  spinner.Stop();
}

}  // namespace
}  // namespace luma::ui
