#include "core/qv_draw_settings.h"

#include <gtest/gtest.h>

namespace {

QVDrawSettings scan(const std::string &text) { return qv_draw_settings_scan(qv_style_split(text)); }

void expect_colour(const QVColor &c, double r, double g, double b) {
  EXPECT_DOUBLE_EQ(c.r, r);
  EXPECT_DOUBLE_EQ(c.g, g);
  EXPECT_DOUBLE_EQ(c.b, b);
}

TEST(DrawSettings, TheLastFillLineDecidesTheKind) {
  auto s = scan("fill-gradient: FG to BG (RGB)\tfill: 255 0 0");
  EXPECT_EQ(s.fill, QVFillKind::color);
  expect_colour(s.fill_color, 1, 0, 0);
  EXPECT_EQ(s.gradient, "FG to BG (RGB)") << "the name is kept, only the kind changes";

  s = scan("fill: 255 0 0\tfill-pattern: Pine");
  EXPECT_EQ(s.fill, QVFillKind::pattern);
  EXPECT_EQ(s.pattern, "Pine");

  s = scan("fill-pattern: Pine\tgradient-system-nr: 2");
  EXPECT_EQ(s.fill, QVFillKind::gradient);
  EXPECT_EQ(s.gradient_number, 2);
}

TEST(DrawSettings, NeitherStrokeNorFillFillsBlack) {
  auto s = scan("stroke-opacity: 50\tfill-opacity: 80\topacity: 40");
  EXPECT_FALSE(s.stroke);
  EXPECT_EQ(s.fill, QVFillKind::color) << "opacity lines are no fill lines";
  expect_colour(s.fill_color, 0, 0, 0);
  EXPECT_DOUBLE_EQ(s.stroke_opacity, 50);
  EXPECT_DOUBLE_EQ(s.fill_opacity, 80);

  s = scan("stroke: 0 0 255");
  EXPECT_TRUE(s.stroke);
  EXPECT_EQ(s.fill, QVFillKind::none) << "a stroke alone is not filled";
  expect_colour(s.stroke_color, 0, 0, 1);
}

TEST(DrawSettings, ValuesAndLaterLinesOverwrite) {
  auto s = scan(
      "fill-gradient: G\tstroke-spacing: 20\tstroke-spacing: 50\tstroke-brush: 2. Hardness 100\t"
      "stroke-paintmode: 3\tfill-paintmode: 28\tselection-feather: 2.5\tgradient-fg: 0 255 0\t"
      "gradient-bg: 0 0 255\tgradient-inverse: 1\tgradient-dithering: on\tgradient-supersampling: "
      "0\t"
      "gradient-form: 2\tgradient-repeat: 1\tgradient-offset: 12.5\tsupersampling-depth: 4\t"
      "supersampling-threshold: 0.5\tgradient-line: 1 2 3 4");
  EXPECT_EQ(s.stroke_spacing, 50u);
  EXPECT_EQ(s.stroke_brush, "2. Hardness 100");
  EXPECT_EQ(s.stroke_mode, 3);
  EXPECT_EQ(s.fill_mode, 28);
  EXPECT_DOUBLE_EQ(s.feather, 2.5);
  expect_colour(s.gradient_fg, 0, 1, 0);
  // The gradient's background end is the fill colour.
  expect_colour(s.fill_color, 0, 0, 1);
  EXPECT_TRUE(s.gradient_reverse);
  EXPECT_TRUE(s.dither);
  EXPECT_FALSE(s.supersample);
  EXPECT_EQ(s.gradient_type, 2);
  EXPECT_EQ(s.gradient_repeat, 1);
  EXPECT_DOUBLE_EQ(s.gradient_offset, 12.5);
  EXPECT_EQ(s.supersample_depth, 4);
  EXPECT_DOUBLE_EQ(s.supersample_threshold, 0.5);
  EXPECT_TRUE(s.has_gradient_line);

  EXPECT_EQ(scan("stroke-spacing: -5").stroke_spacing, 0u)
      << "a negative spacing means the brush's own";
  EXPECT_DOUBLE_EQ(scan("stroke-size: 7.5").stroke_size, 7.5);
  for (const char *own :
       {"stroke-size: 0", "stroke-size: -3", "stroke-size: nan", "stroke-size: x"})
    EXPECT_DOUBLE_EQ(scan(own).stroke_size, 0) << own << ": the brush's own size";
  EXPECT_FALSE(scan("gradient-inverse: 1\tgradient-inverse: 0").gradient_reverse);
}

TEST(DrawSettings, MarkersAndTheirSuppression) {
  auto s = scan("marker-start: Arrow\tmarker-end: Dot");
  EXPECT_EQ(s.marker_start, "Arrow");
  EXPECT_EQ(s.marker_end, "Dot");
  s = scan("marker-attr-ignore: yes\tmarker-start: Arrow\tmarker-end: Dot");
  EXPECT_EQ(s.marker_start, "") << "suppression holds wherever its line stands";
  EXPECT_EQ(s.marker_end, "");
}

struct GradientNumber : ::testing::Test {
  QVColor fg{0.2, 0.4, 0.6}, bg{0.8, 0.3, 0.1};
  QVGradientSegment segment(int coloring, std::array<double, 4> right) {
    QVGradientSegment s;
    s.left = {fg.r, fg.g, fg.b, 1};
    s.right = right;
    s.coloring = coloring;
    return s;
  }
  std::array<double, 4> to_bg() { return {bg.r, bg.g, bg.b, 1}; }
};

TEST_F(GradientNumber, ColouringTypeAndEndsGiveTheNumber) {
  EXPECT_EQ(qv_gradient_system_number(segment(0, to_bg()), fg, bg), 0);
  EXPECT_EQ(qv_gradient_system_number(segment(2, to_bg()), fg, bg), 1) << "HSV clockwise";
  EXPECT_EQ(qv_gradient_system_number(segment(1, to_bg()), fg, bg), 2) << "HSV counter-clockwise";
  EXPECT_EQ(qv_gradient_system_number(segment(0, {fg.r, fg.g, fg.b, 0}), fg, bg), 3);
}

TEST_F(GradientNumber, AnythingElseHasNoNumber) {
  auto s = segment(0, to_bg());
  s.blending = 5;  // hard edge
  EXPECT_FALSE(qv_gradient_system_number(s, fg, bg));
  s = segment(0, to_bg());
  s.middle_pos = 0.4;
  EXPECT_FALSE(qv_gradient_system_number(s, fg, bg));
  s = segment(0, to_bg());
  s.segments = 2;
  EXPECT_FALSE(qv_gradient_system_number(s, fg, bg));
  s = segment(0, to_bg());
  s.left[3] = 0.5;
  EXPECT_FALSE(qv_gradient_system_number(s, fg, bg));
  // Stored colours that do not follow the context: black to white.
  s = segment(0, {1, 1, 1, 1});
  s.left = {0, 0, 0, 1};
  EXPECT_FALSE(qv_gradient_system_number(s, fg, bg));
}

TEST_F(GradientNumber, ColoursAreComparedToFourDecimals) {
  auto s = segment(0, to_bg());
  s.left[0] += 0.00004;
  EXPECT_EQ(qv_gradient_system_number(s, fg, bg), 0);
  s.left[0] += 0.0002;
  EXPECT_FALSE(qv_gradient_system_number(s, fg, bg));
}

}  // namespace
