#include "ui/controls/tile_control.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "ui/controls/tests/control_test_support.h"
#include "ui/controls/tests/test_tile_ids.h"
#include "ui/controls/tile_theme_store.h"

namespace luma::ui {
namespace {

using ui_test::CTestDialog;
using ui_test::PaintOf;

constexpr std::uint32_t kDefaultBackgrounds[kTileStateCount] = {0x808080, 0x808080, 0xA0A0A0, 0xCBCBCB};

CCertificatePolicy Certificate(std::initializer_list<int> flags) {
  CCertificatePolicy certificate;
  certificate.friendlyName = L"Alice Example (Signature)";
  certificate.policyNotification = L"Valid until 31.12.2027";
  for (int flag : flags) certificate.certificateType.flags[flag] = true;
  return certificate;
}

// A certificate tile whose pictures of the advanced signatures are missing from the program.
class CTileWithMissingPicture : public CCertDialogTile {
 public:
  using CCertDialogTile::CCertDialogTile;

 protected:
  std::unique_ptr<Gdiplus::Bitmap> LoadPictogram(int resourceId, int height) override {
    if (resourceId == 10013) return nullptr;
    return CCertDialogTile::LoadPictogram(resourceId, height);
  }
};

// Sends the hit test and cursor question a mouse over the client point would cause.
struct MouseAt {
  LRESULT hit;
  HCURSOR cursor;
};
MouseAt Hover(HWND control, int x, int y) {
  POINT screen = {x, y};
  ClientToScreen(control, &screen);
  MouseAt at;
  at.hit = SendMessageW(control, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
  SendMessageW(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control), MAKELPARAM(at.hit, WM_MOUSEMOVE));
  at.cursor = GetCursor();
  return at;
}

// Whether GDI+ here draws a font's underline at all (Wine's draws underlined fonts plain).
bool GdiPlusDrawsUnderlines() {
  const Gdiplus::FontFamily* family = Gdiplus::FontFamily::GenericSansSerif();
  if (family == nullptr) return false;
  auto draw = [family](int style) {
    Gdiplus::Bitmap bitmap(40, 24, PixelFormat32bppARGB);
    Gdiplus::Graphics graphics(&bitmap);
    graphics.Clear(Gdiplus::Color(0xFFFFFFFF));
    Gdiplus::Font font(family, 14, style, Gdiplus::UnitPixel);
    Gdiplus::SolidBrush black(Gdiplus::Color(0xFF000000));
    graphics.DrawString(L"ab", -1, &font, Gdiplus::PointF(2, 2), &black);
    std::vector<Gdiplus::ARGB> pixels;
    for (int y = 0; y < 24; ++y) {
      for (int x = 0; x < 40; ++x) {
        Gdiplus::Color colour;
        bitmap.GetPixel(x, y, &colour);
        pixels.push_back(colour.GetValue());
      }
    }
    return pixels;
  };
  return draw(Gdiplus::FontStyleRegular) != draw(Gdiplus::FontStyleUnderline);
}

POINT Centre(const CRectI& area) { return {(area.left + area.right) / 2, (area.top + area.bottom) / 2}; }

class TileControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(dialog.Handle(), nullptr);
    hand = LoadCursorW(nullptr, IDC_HAND);
    arrow = LoadCursorW(nullptr, IDC_ARROW);
  }
  CTestDialog dialog{IDD_TEST_TILES};
  HCURSOR hand = nullptr;
  HCURSOR arrow = nullptr;
};

TEST_F(TileControlTest, ProviderTileNamesTheAccountAndOpensOnlyWebAddresses) {
  CProviderConfig provider;
  provider.Name = L"Example Trust Services";
  provider.Description = L"Signing for Example staff";
  CPolicy account;
  account.issuerId = L"Example Issuing CA";
  account.userFriendlyName = L"Alice Example";
  struct Case {
    const wchar_t *issuer, *user, *title, *second;
  } cases[] = {
      {L"Example Issuing CA", L"Alice Example", L"Example Issuing CA", L"Alice Example"},
      {L"", L"", L"Example Trust Services", L"Signing for Example staff"},
  };
  for (const Case& c : cases) {
    account.issuerId = c.issuer;
    account.userFriendlyName = c.user;
    CProviderDialogTile tile(&provider, &account);
    EXPECT_EQ(tile.Title(), c.title);
    EXPECT_EQ(tile.SecondLine(), c.second);
  }

  // Without a portal address there is no link, and the mouse never finds one.
  CProviderDialogTile plain(&provider, &account);
  CTileControl plainControl(&plain);
  ASSERT_TRUE(plainControl.Attach(dialog.Handle(), IDC_TEST_PROVIDER_TILE));
  EXPECT_EQ(plain.ManageLink(), nullptr);
  RECT client;
  GetClientRect(plainControl.Handle(), &client);
  for (POINT p : {POINT{client.right - 12, client.bottom - 10}, POINT{10, 10}, POINT{client.right / 2, 30}}) {
    const MouseAt at = Hover(plainControl.Handle(), p.x, p.y);
    EXPECT_EQ(at.hit, HTNOWHERE);
    EXPECT_EQ(at.cursor, arrow);
  }

  struct Address {
    const wchar_t* url;
    bool opens;
  } addresses[] = {
      {L"https://portal.example.test/self?user=alice", true},
      {L"http://portal.example.test/", true},
      {L"file:///C:/windows/system32/notepad.exe", false},
      {L"C:\\windows\\system32\\notepad.exe", false},
      {L"notepad.exe", false},
      {L"javascript:alert(1)", false},
      {L"https://", false},
  };
  for (const Address& a : addresses) {
    provider.AccountManagementURL = a.url;
    CProviderDialogTile tile(&provider, &account);
    CTileControl control(&tile);
    ASSERT_TRUE(control.Attach(dialog.Handle(), IDC_TEST_PROVIDER_TILE + 1));
    ASSERT_NE(tile.ManageLink(), nullptr);
    std::vector<std::wstring> opened;
    tile.ManageLink()->open = [&opened](const std::wstring& url) { opened.push_back(url); };
    const POINT p = Centre(tile.ManageLink()->state.area);
    const MouseAt at = Hover(control.Handle(), p.x, p.y);
    EXPECT_EQ(at.hit, HTCLIENT);
    EXPECT_EQ(at.cursor, hand);
    SendMessageW(control.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    EXPECT_EQ(opened.size(), a.opens ? 1u : 0u) << a.url;
    control.Unsubclass();
  }
}

TEST_F(TileControlTest, CertificateTileShowsThePictogramsInFlagOrderAndOnlyShowActs) {
  const CCertificatePolicy certificate = Certificate({0, 1, 2, 3, 4, 5});
  CCertDialogTile tile(&certificate);
  CTileControl control(&tile);
  ASSERT_TRUE(control.Attach(dialog.Handle(), IDC_TEST_CERT_TILE));
  std::vector<int> ids;
  float lastX = -1;
  for (const auto& pictogram : tile.Pictograms()) {
    ids.push_back(pictogram->state.id);
    EXPECT_GT(pictogram->imageRect.x, lastX);
    lastX = pictogram->imageRect.x;
    EXPECT_FALSE(pictogram->state.enabled);
    EXPECT_NE(pictogram->ToolTip(), nullptr) << "every pictogram explains itself";
  }
  EXPECT_EQ(ids, (std::vector<int>{10010, 10013, 10013, 10006, 10004, 10005}));
  ASSERT_NE(tile.ShowLink(), nullptr);
  EXPECT_EQ(tile.HotLinks().front().get(), tile.ShowLink()) << "the link comes first";

  int shown = 0;
  tile.ShowLink()->show = [&shown](const CSecureBuffer&, HWND) { ++shown; };
  // A pictogram: its tooltip, but neither the hand nor an action.
  const POINT picture = Centre(tile.Pictograms()[0]->state.area);
  const MouseAt overPicture = Hover(control.Handle(), picture.x, picture.y);
  EXPECT_EQ(overPicture.hit, HTCLIENT);
  EXPECT_EQ(overPicture.cursor, arrow);
  SendMessageW(control.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(picture.x, picture.y));
  EXPECT_EQ(shown, 0);

  // Tabbing into the tile puts the keyboard on "Show", underlined; the space bar opens the viewer.
  const CRectI area = tile.ShowLink()->state.area;
  const ui_test::CPainted plain = PaintOf(control.Handle());
  SendMessageW(control.Handle(), WM_SETFOCUS, 0, 0);
  EXPECT_TRUE(tile.ShowLink()->state.focused);
  const ui_test::CPainted underlined = PaintOf(control.Handle());
  int changed = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) changed += plain.At(x, y) != underlined.At(x, y);
  }
  if (GdiPlusDrawsUnderlines()) {
    EXPECT_GT(changed, 0) << "the focused link is drawn underlined";
  } else {
    std::printf("skipped the underline's pixels: this GDI+ draws underlined fonts plain\n");
  }
  SendMessageW(control.Handle(), WM_KEYUP, VK_SPACE, 0xC0000001);
  EXPECT_EQ(shown, 1);
  SendMessageW(control.Handle(), WM_KILLFOCUS, 0, 0);
  SendMessageW(control.Handle(), WM_KEYUP, VK_SPACE, 0xC0000001);
  EXPECT_EQ(shown, 1) << "without the keyboard focus the space bar does nothing";

  const POINT link = Centre(tile.ShowLink()->state.area);
  EXPECT_EQ(Hover(control.Handle(), link.x, link.y).cursor, hand);
  SendMessageW(control.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(link.x, link.y));
  EXPECT_EQ(shown, 2);
}

TEST_F(TileControlTest, AMissingPictogramLeavesNoGap) {
  const CCertificatePolicy certificate = Certificate({0, 1, 2, 4});
  CTileWithMissingPicture tile(&certificate);
  CTileControl control(&tile);
  ASSERT_TRUE(control.Attach(dialog.Handle(), IDC_TEST_CERT_TILE));
  ASSERT_EQ(tile.Pictograms().size(), 2u);
  const auto& first = tile.Pictograms()[0];
  const auto& second = tile.Pictograms()[1];
  EXPECT_EQ(first->state.id, 10010);
  EXPECT_EQ(second->state.id, 10004);
  const float margin = static_cast<float>(ScaleByDpi(control.Scale(), 8));
  EXPECT_EQ(second->imageRect.x, first->imageRect.x + first->imageRect.width + margin);
  EXPECT_EQ(tile.HotLinks().size(), 3u);
}

// Each state paints its theme's background; disabling paints DISABLED without the link and
// enabling brings back the state set last, also one set while disabled.
TEST_F(TileControlTest, StatesPaintTheirColoursAndDisablingHidesTheLink) {
  const CCertificatePolicy certificate = Certificate({4});
  CCertDialogTile tile(&certificate);
  CTileControl control(&tile);
  ASSERT_TRUE(control.Attach(dialog.Handle(), IDC_TEST_CERT_TILE + 2));
  const CRectI link = tile.ShowLink()->state.area;
  for (int state : {kTileFocus, kTileActive, kTileInactive, kTileDisabled}) {
    control.SetTileState(state);
    const ui_test::CPainted painted = PaintOf(control.Handle());
    EXPECT_EQ(painted.At(1, 1), kDefaultBackgrounds[state]) << state;
    EXPECT_EQ(painted.Uniform(link.left, link.top, link.right, link.bottom, kDefaultBackgrounds[state]),
              state == kTileDisabled)
        << "the link shows in every state but DISABLED: " << state;
  }
  control.SetTileState(kTileInactive);
  EnableWindow(control.Handle(), FALSE);
  ui_test::CPainted painted = PaintOf(control.Handle());
  EXPECT_EQ(painted.At(1, 1), 0xCBCBCBu);
  EXPECT_TRUE(painted.Uniform(link.left, link.top, link.right, link.bottom, 0xCBCBCB));
  EXPECT_EQ(tile.GetState(), kTileInactive);
  int shown = 0;
  tile.ShowLink()->show = [&shown](const CSecureBuffer&, HWND) { ++shown; };
  SendMessageW(control.Handle(), WM_SETFOCUS, 0, 0);
  SendMessageW(control.Handle(), WM_KEYUP, VK_SPACE, 0xC0000001);
  EXPECT_EQ(shown, 0) << "a disabled tile does nothing";

  control.SetTileState(kTileActive);
  EXPECT_EQ(PaintOf(control.Handle()).At(1, 1), 0xCBCBCBu) << "still disabled";
  EnableWindow(control.Handle(), TRUE);
  painted = PaintOf(control.Handle());
  EXPECT_EQ(painted.At(1, 1), 0x808080u);
  EXPECT_FALSE(painted.Uniform(link.left, link.top, link.right, link.bottom, 0x808080));
  // The pictogram is drawn: its area is not all background.
  const CRectI picture = tile.Pictograms()[0]->state.area;
  EXPECT_FALSE(
      painted.Uniform(picture.left + 2, picture.top + 2, picture.right - 2, picture.bottom - 2, 0x808080));
}

TEST_F(TileControlTest, TheViewerStartsOnlyForACertificate) {
  const BYTE notACertificate[] = {0x30, 0x03, 0x02, 0x01, 0x05};
  EXPECT_FALSE(StartCertificateViewer(CSecureBuffer(sizeof(notACertificate), notACertificate), nullptr));
  EXPECT_FALSE(StartCertificateViewer(CSecureBuffer(), nullptr));
}

}  // namespace
}  // namespace luma::ui
