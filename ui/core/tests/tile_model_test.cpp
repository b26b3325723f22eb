#include "ui/core/tile_model.h"

#include <gtest/gtest.h>

namespace luma::ui {
namespace {

CDpiScale Scale(int percent) { return {percent, percent, 1}; }

TEST(TileLayoutTest, TextsLinkAndPictogramsAtTheirPlaces) {
  struct Case {
    int percent;
    int pictograms;
    CRectF title, secondLine, link;
    CRectI linkArea;
    float pictogramY;
    std::vector<float> pictogramX;
  } cases[] = {
      {100, 3, {8, 8, 284, 22}, {8, 32, 284, 32}, {252, 77, 40, 15}, {250, 75, 294, 94}, 68, {8, 40, 72}},
      {150, 2, {12, 12, 276, 33}, {12, 48, 276, 48}, {248, 73, 40, 15}, {246, 71, 290, 90}, 52, {12, 48}},
      {100, 0, {8, 8, 284, 22}, {8, 32, 284, 32}, {252, 77, 40, 15}, {250, 75, 294, 94}, 0, {}},
  };
  for (const Case& c : cases) {
    CTileMetrics metrics;
    metrics.width = 300;
    metrics.height = 100;
    metrics.scale = Scale(c.percent);
    metrics.hasLink = true;
    metrics.linkWidth = 40;
    metrics.linkHeight = 15;
    metrics.pictograms.assign(static_cast<size_t>(c.pictograms), CSizeI{24, 24});
    const CTileLayout layout = LayoutTile(metrics);
    EXPECT_EQ(layout.title, c.title) << c.percent;
    EXPECT_EQ(layout.secondLine, c.secondLine) << c.percent;
    EXPECT_EQ(layout.link, c.link) << c.percent;
    EXPECT_EQ(layout.linkArea, c.linkArea) << c.percent;
    ASSERT_EQ(layout.pictograms.size(), c.pictogramX.size());
    for (size_t i = 0; i < c.pictogramX.size(); ++i) {
      EXPECT_EQ(layout.pictograms[i], (CRectF{c.pictogramX[i], c.pictogramY, 24, 24}))
          << c.percent << " #" << i;
      EXPECT_EQ(layout.pictogramAreas[i], HotAreaAround(layout.pictograms[i]));
    }
  }
}

TEST(TileLayoutTest, PictogramsOfDifferentWidthsFollowEachOtherAndAFractionalLinkIsCovered) {
  CTileMetrics metrics;
  metrics.width = 200;
  metrics.height = 80;
  metrics.scale = Scale(100);
  metrics.hasLink = true;
  metrics.linkWidth = 30.5f;
  metrics.linkHeight = 14.25f;
  metrics.pictograms = {{36, 24}, {12, 24}, {24, 24}};
  const CTileLayout layout = LayoutTile(metrics);
  EXPECT_EQ(layout.pictograms[1].x, 52);  // 8 + 36 + 8
  EXPECT_EQ(layout.pictograms[2].x, 72);  // 52 + 12 + 8
  EXPECT_EQ(layout.link, (CRectF{161.5f, 57.75f, 30.5f, 14.25f}));
  EXPECT_EQ(layout.linkArea, (CRectI{159, 55, 194, 74}));

  metrics.hasLink = false;
  EXPECT_EQ(LayoutTile(metrics).linkArea, CRectI{}) << "no link, no hot area";
}

TEST(TileLayoutTest, FontSizesAndPictogramsOfTheCertificateTypes) {
  EXPECT_EQ(TileFontPixels({}, 12), 12) << "mode 0 takes points as pixels";
  EXPECT_EQ(TileFontPixels(Scale(100), 12), 16);
  EXPECT_EQ(TileFontPixels(Scale(100), 9), 12);
  EXPECT_EQ(TileFontPixels(Scale(150), 9), 18);
  EXPECT_EQ(TileFontPixels({150, 100, 1}, 9), 12) << "mode 1 keeps the first measured scale";

  const bool all[kCertificateTypeFlags] = {true, true, true, true, true, true};
  std::vector<int> ids;
  for (const CPictogramRef& p : PictogramsForTypes(all)) ids.push_back(p.resourceId);
  EXPECT_EQ(ids, (std::vector<int>{10010, 10013, 10013, 10006, 10004, 10005}));
  const bool encryption[kCertificateTypeFlags] = {false, false, false, false, false, true};
  ASSERT_EQ(PictogramsForTypes(encryption).size(), 1u);
  EXPECT_EQ(PictogramsForTypes(encryption)[0].tooltipId, 10061);
  const bool none[kCertificateTypeFlags] = {};
  EXPECT_TRUE(PictogramsForTypes(none).empty());
}

// Disabling draws DISABLED and keeps what the page set last; a state set while disabled is
// remembered for enabling again and does not show meanwhile.
TEST(TileStatesTest, DisablingKeepsTheRememberedState) {
  CTileStates states;
  EXPECT_EQ(states.Drawn(), kTileActive);
  struct Step {
    char action;  // 's' set state, 'e' enable, 'd' disable
    int state;
    int drawn, remembered;
    bool toolTips;
  } steps[] = {
      {'s', kTileInactive, kTileInactive, kTileInactive, true},
      {'d', 0, kTileDisabled, kTileInactive, false},
      {'s', kTileFocus, kTileDisabled, kTileFocus, false},
      {'e', 0, kTileFocus, kTileFocus, true},
      {'s', kTileDisabled, kTileDisabled, kTileDisabled, false},
      {'s', 7, kTileDisabled, kTileDisabled, false},  // refused
      {'s', -1, kTileDisabled, kTileDisabled, false},
      {'s', kTileActive, kTileActive, kTileActive, true},
  };
  for (const Step& s : steps) {
    if (s.action == 's') {
      EXPECT_EQ(states.SetState(s.state), s.state >= 0 && s.state < kTileStateCount);
    } else {
      states.Enable(s.action == 'e');
    }
    EXPECT_EQ(states.Drawn(), s.drawn) << s.action << s.state;
    EXPECT_EQ(states.Remembered(), s.remembered) << s.action << s.state;
    EXPECT_EQ(states.ToolTipsActive(), s.toolTips) << s.action << s.state;
  }
}

// A certificate tile's links: "Show" (id 1, enabled) and two pictograms (disabled, their tooltips
// only).
class TileInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    show = {1, true, {250, 75, 294, 94}};
    qualified = {10010, false, {6, 66, 34, 94}};
    encryption = {10005, false, {38, 66, 66, 94}};
    links = {&show, &qualified, &encryption};
  }
  CHotLinkState show, qualified, encryption;
  CHotLinkList links;
  CTileInput input;
  std::vector<CRectI> repaint;
};

TEST_F(TileInputTest, HoveringHitsLinksAndOnlyTheEnabledOneTakesTheHand) {
  struct Step {
    CPointI at;
    bool onLink;
    int hovered;
    bool hand;
    size_t repaints;  // areas whose underline changed
  } steps[] = {
      {{100, 20}, false, 0, false, 0},  // the tile's text: not the control's
      {{260, 80}, true, 1, true, 1},    // "Show" turns hot
      {{261, 81}, true, 1, true, 0},
      {{20, 80}, true, 0, false, 1},    // a pictogram: its tooltip, no hand; "Show" cools
      {{249, 80}, false, 0, false, 0},  // just left of the hot area
      {{293, 93}, true, 1, true, 1},    // its last pixel
      {{294, 93}, false, 0, false, 1},
  };
  for (const Step& s : steps) {
    repaint.clear();
    EXPECT_EQ(input.HitTest(links, s.at, repaint), s.onLink) << s.at.x << "," << s.at.y;
    EXPECT_EQ(input.Hovered(), s.hovered) << s.at.x << "," << s.at.y;
    EXPECT_EQ(input.ShowsHand(s.onLink), s.hand) << s.at.x << "," << s.at.y;
    EXPECT_EQ(repaint.size(), s.repaints) << s.at.x << "," << s.at.y;
    EXPECT_FALSE(qualified.hot || encryption.hot);
  }
  input.HitTest(links, {260, 80}, repaint);
  repaint.clear();
  input.MouseLeave(links, repaint);
  EXPECT_FALSE(show.hot);
  EXPECT_EQ(input.Hovered(), 0);
  ASSERT_EQ(repaint.size(), 1u);
  EXPECT_EQ(repaint[0], show.area);

  input.Enable(false);
  input.HitTest(links, {260, 80}, repaint);
  EXPECT_FALSE(input.ShowsHand(true)) << "a disabled control shows the arrow";
}

TEST_F(TileInputTest, ClicksAndTheSpaceBarStartOnlyTheEnabledLink) {
  EXPECT_EQ(input.ButtonUp(links, {20, 80}), 0) << "a pictogram does nothing";
  EXPECT_EQ(input.ButtonUp(links, {100, 20}), 0);
  EXPECT_EQ(input.ButtonUp(links, {260, 80}), 1);
  EXPECT_EQ(input.Focused(), 1);
  EXPECT_EQ(input.SpaceUp(), 1);

  input.KillFocus(links, repaint);
  EXPECT_EQ(input.SpaceUp(), 0) << "without the keyboard no link has the focus";
  repaint.clear();
  input.SetFocus(links, repaint);  // tabbing into the tile
  EXPECT_TRUE(input.HasFocus());
  EXPECT_TRUE(show.focused && show.Underlined());
  EXPECT_EQ(repaint.size(), 1u);
  EXPECT_EQ(input.SpaceUp(), 1);

  input.Enable(false);
  EXPECT_EQ(input.SpaceUp(), 0);
  EXPECT_EQ(input.ButtonUp(links, {260, 80}), 0);
  input.Enable(true);

  input.HitTest(links, {260, 80}, repaint);
  repaint.clear();
  input.KillFocus(links, repaint);
  EXPECT_FALSE(show.focused || show.hot);
  EXPECT_EQ(repaint.size(), 1u);
  EXPECT_FALSE(input.HasFocus());
}

TEST_F(TileInputTest, ATileWithoutLinkNeverTakesTheMouse) {
  CHotLinkList none;
  for (CPointI at : {CPointI{0, 0}, CPointI{260, 80}, CPointI{20, 80}}) {
    EXPECT_FALSE(input.HitTest(none, at, repaint));
    EXPECT_FALSE(input.ShowsHand(false));
  }
  input.SetFocus(none, repaint);
  EXPECT_EQ(input.SpaceUp(), 0);
  EXPECT_TRUE(repaint.empty());
}

}  // namespace
}  // namespace luma::ui
