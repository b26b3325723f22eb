// The browser login's rules without windows: request header splitting, the key filter and the frame's
// placement and progress bar.
#include <gtest/gtest.h>

#include "ui/core/browser_frame_geometry.h"
#include "ui/core/browser_keys.h"
#include "ui/core/http_headers.h"

namespace luma::ui {
namespace {

TEST(HttpHeadersTest, SplitsLinesIntoTrimmedPairsAndSkipsEmptyLines) {
  std::vector<CHttpHeader> headers = {{L"stale", L"entry"}};
  ParseHttpHeaders(L"Content-Type: application/x-www-form-urlencoded\r\nReferer:https://idp.example/\r\n\r\n",
                   headers);
  const std::vector<CHttpHeader> expected = {{L"Content-Type", L"application/x-www-form-urlencoded"},
                                             {L"Referer", L"https://idp.example/"}};
  EXPECT_EQ(expected, headers);

  ParseHttpHeaders(L"\n\r\nA: 1\n\n\rB:2:3", headers);
  const std::vector<CHttpHeader> mixed = {{L"A", L"1"}, {L"B", L"2:3"}};
  EXPECT_EQ(mixed, headers);

  ParseHttpHeaders(L"", headers);
  EXPECT_TRUE(headers.empty());
}

TEST(HttpHeadersTest, LineWithoutNameGivesEmptyPair) {
  EXPECT_EQ((CHttpHeader{L"", L""}), ParseHttpHeaderLine(L":::"));
  EXPECT_EQ((CHttpHeader{L"", L""}), ParseHttpHeaderLine(L""));
  EXPECT_EQ((CHttpHeader{L"Name", L"value"}), ParseHttpHeaderLine(L"::  Name :  value  "));
  EXPECT_EQ((CHttpHeader{L"NoColon", L""}), ParseHttpHeaderLine(L"NoColon"));
}

TEST(HttpHeadersTest, SelectCookiePicksTheNamedCookieOfAList) {
  struct Case {
    const wchar_t* list;
    const wchar_t* name;
    const wchar_t* expected;
  } cases[] = {
      {L"AL_SESS-S=abc", L"AL_SESS-S", L"AL_SESS-S=abc"},
      {L"lang=de; AL_SESS-S=abc=; other=1", L"AL_SESS-S", L"AL_SESS-S=abc="},
      {L"AL_SESS-SX=1;  AL_SESS-S=two ", L"AL_SESS-S", L"AL_SESS-S=two"},
      {L"al_sess-s=lower", L"AL_SESS-S", L""},  // names compare exactly
      {L"lang=de", L"AL_SESS-S", L""},
      {L"bare-value", L"AL_SESS-S", L"bare-value"},
      {L"", L"AL_SESS-S", L""},
      {L"a=1;;; ;b=2", L"b", L"b=2"},
      {L"a=1", L"", L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, SelectCookie(c.list, c.name)) << c.list;
  }
}

TEST(BrowserKeysTest, SwallowsNewWindowPrintAndNavigationKeysButLetsEditingAndAltGrPass) {
  const CBrowserKeyState none;
  CBrowserKeyState ctrl;
  ctrl.control = true;
  CBrowserKeyState altGr = ctrl;
  altGr.alt = true;
  CBrowserKeyState leftOnly;
  leftOnly.leftControl = true;
  struct Case {
    unsigned key;
    CBrowserKeyState state;
    bool swallowed;
  } cases[] = {
      {'N', ctrl, true},       {'P', ctrl, true},      {'O', ctrl, true},      {'F', ctrl, true},
      {'C', ctrl, false},      {'V', ctrl, false},     {'A', ctrl, false},     {'X', ctrl, false},
      {'Z', ctrl, false},      {'Y', ctrl, false},     {0x08, ctrl, false},    {0x25, ctrl, false},
      {0x28, ctrl, false},     {0x2E, ctrl, false},    {0x2F, ctrl, false},    {'N', altGr, false},
      {'Q', altGr, false},     {0x24, leftOnly, true}, {0x25, leftOnly, true}, {0x27, leftOnly, true},
      {0x26, leftOnly, false}, {'N', leftOnly, false}, {0xA6, none, true},     {0xA7, none, true},
      {0xA8, none, false},     {0xAC, none, true},     {0xAD, none, false},    {'N', none, false},
      {0x74, none, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.swallowed, IsBrowserKeySwallowed(c.key, c.state)) << std::hex << c.key;
  }
}

TEST(BrowserFrameGeometryTest, CentresOverOwnerAndStaysOnScreen) {
  const CBrowserFrameSize standard;  // 70 x 50 characters
  // A 7 x 15 pixel dialog font: 490 x 750 pixels, centred over the owner.
  CRectI owner{100, 100, 500, 400};
  EXPECT_EQ((CRectI{55, 0, 545, 750}), BrowserFrameRect(standard, 7, 15, &owner, 1280, 1024));
  owner = CRectI{200, 400, 600, 700};
  EXPECT_EQ((CRectI{155, 175, 645, 925}), BrowserFrameRect(standard, 7, 15, &owner, 1280, 1024));
  // An owner at the right edge pushes the frame left to end at the screen's edge.
  owner = CRectI{1000, 400, 1280, 700};
  EXPECT_EQ((CRectI{790, 175, 1280, 925}), BrowserFrameRect(standard, 7, 15, &owner, 1280, 1024));
  // OffsetX -20 moves it 20 characters left, but never off the left edge.
  CBrowserFrameSize left = standard;
  left.offsetX = -20;
  owner = CRectI{400, 400, 800, 700};
  EXPECT_EQ((CRectI{215, 175, 705, 925}), BrowserFrameRect(left, 7, 15, &owner, 1280, 1024));
  owner = CRectI{0, 400, 300, 700};
  EXPECT_EQ((CRectI{0, 175, 490, 925}), BrowserFrameRect(left, 7, 15, &owner, 1280, 1024));
  // Without an owner: centred on the screen.
  EXPECT_EQ((CRectI{395, 137, 885, 887}), BrowserFrameRect(standard, 7, 15, nullptr, 1280, 1024));
}

TEST(BrowserFrameGeometryTest, ProgressShowsPercentageAtLeastOneOrHides) {
  struct Case {
    long long progress, max;
    bool visible;
    int position;
  } cases[] = {{0, 100, true, 1},   {50, 200, true, 25}, {200, 200, true, 100}, {300, 200, true, 100},
               {-1, 100, false, 0}, {5, 0, false, 0},    {5, -3, false, 0},     {1, 1000000, true, 1}};
  for (const Case& c : cases) {
    const CProgressState state = BrowserProgress(c.progress, c.max);
    EXPECT_EQ(c.visible, state.visible) << c.progress << "/" << c.max;
    EXPECT_EQ(c.position, state.position) << c.progress << "/" << c.max;
  }
}

}  // namespace
}  // namespace luma::ui
