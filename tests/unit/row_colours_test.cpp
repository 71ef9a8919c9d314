#include "core/qv_row_colours.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr QVRgb16 kBlack = {0, 0, 0};
constexpr QVRgb16 kWhite = {0xFFFF, 0xFFFF, 0xFFFF};

QVRgb16 grey(std::uint16_t level) { return {level, level, level}; }

}  // namespace

TEST(RowColoursContrast, FollowsWcagReferenceValues) {
  struct Case {
    QVRgb16 a, b;
    double ratio;
  };
  // Reference ratios as WCAG's own examples and common checkers give them.
  const std::vector<Case> cases = {
      {kBlack, kWhite, 21.0},
      {kWhite, kWhite, 1.0},
      {kBlack, kBlack, 1.0},
      {grey(0x7777), kWhite, 4.48},        // #777 on white, just below 4.5
      {grey(0x7676), kWhite, 4.54},        // #767676, the lightest grey passing on white
      {{0xFFFF, 0, 0}, kWhite, 4.0},       // pure red
      {{0, 0, 0xFFFF}, kWhite, 8.59},      // pure blue
      {grey(0xDDDD), grey(0x3B3B), 8.25},  // GIMP's dark theme: text on its selection
  };
  for (const Case &c : cases) {
    EXPECT_NEAR(qv_contrast_ratio(c.a, c.b), c.ratio, 0.01)
        << c.a.red << " " << c.a.green << " " << c.a.blue;
    EXPECT_DOUBLE_EQ(qv_contrast_ratio(c.a, c.b), qv_contrast_ratio(c.b, c.a));
  }
  EXPECT_DOUBLE_EQ(qv_relative_luminance(kBlack), 0.0);
  EXPECT_NEAR(qv_relative_luminance(kWhite), 1.0, 1e-12);
  // Green weighs most, blue least.
  EXPECT_GT(qv_relative_luminance({0, 0xFFFF, 0}), qv_relative_luminance({0xFFFF, 0, 0}));
  EXPECT_GT(qv_relative_luminance({0xFFFF, 0, 0}), qv_relative_luminance({0, 0, 0xFFFF}));
}

TEST(RowColoursForeground, PicksBlackOnLightAndWhiteOnDark) {
  EXPECT_EQ(qv_readable_foreground(kWhite), kBlack);
  EXPECT_EQ(qv_readable_foreground(kBlack), kWhite);
  EXPECT_EQ(qv_readable_foreground(grey(0x3030)), kWhite);  // a dark theme's base
  EXPECT_EQ(qv_readable_foreground(grey(0xDDDD)), kBlack);  // a dark theme's light text
  EXPECT_EQ(qv_readable_foreground({0, 0, 0xFFFF}), kWhite);
  EXPECT_EQ(qv_readable_foreground({0xFFFF, 0xFFFF, 0}), kBlack);
}

// Whatever the background, the chosen foreground is readable: a sweep over
// the RGB cube, including the greys near the point where black and white
// contrast alike.
TEST(RowColoursForeground, ReadableOnEveryBackground) {
  double worst = 21.0;
  for (int r = 0; r <= 0xFFFF; r += 0x1111)
    for (int g = 0; g <= 0xFFFF; g += 0x1111)
      for (int b = 0; b <= 0xFFFF; b += 0x1111) {
        const QVRgb16 background = {std::uint16_t(r), std::uint16_t(g), std::uint16_t(b)};
        worst = std::min(worst, qv_contrast_ratio(qv_readable_foreground(background), background));
      }
  for (int level = 0x7000; level <= 0x8000; level += 0x10)
    worst = std::min(worst, qv_contrast_ratio(qv_readable_foreground(grey(level)), grey(level)));
  EXPECT_GE(worst, QV_READABLE_CONTRAST);
}

TEST(RowColoursTimeline, CurrentAndRecentHaveReadableColoursRestHasNone) {
  const auto current = qv_timeline_row_colours(QVTimelineGroup::current);
  const auto recent = qv_timeline_row_colours(QVTimelineGroup::recent);
  ASSERT_TRUE(current);
  ASSERT_TRUE(recent);
  EXPECT_EQ(current->background, (QVRgb16{0xEF00, 0xCF00, 0x8300}));
  EXPECT_EQ(recent->background, (QVRgb16{0xF000, 0xDB00, 0xA900}));
  EXPECT_FALSE(current->background == recent->background) << "the groups must be told apart";
  for (const QVRowColours &colours : {*current, *recent}) {
    EXPECT_GE(qv_contrast_ratio(colours.foreground, colours.background), QV_READABLE_CONTRAST);
    // A dark theme's text (GIMP's is #DDDDDD) would not be.
    EXPECT_LT(qv_contrast_ratio(grey(0xDDDD), colours.background), 2.0);
  }
  EXPECT_FALSE(qv_timeline_row_colours(QVTimelineGroup::rest));
}
