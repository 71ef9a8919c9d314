#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

#include "core/qv_attributes.h"

namespace {

TEST(Attributes, VocabularyShapesAndDefaults) {
  EXPECT_EQ(qv_attribute_info("stroke: ").shape, QVAttrShape::color);
  EXPECT_EQ(qv_attribute_info("opacity: ").shape, QVAttrShape::number);
  EXPECT_DOUBLE_EQ(qv_attribute_info("opacity: ").number_default, 100.0);
  EXPECT_EQ(qv_attribute_info("text-border: ").integer_default, -1);
  EXPECT_EQ(qv_attribute_info("css-priority: ").integer_default, 1);
  EXPECT_EQ(qv_attribute_info("gradient-inverse: ").integer_default, 0);
  // Keys are exact: the colon and blank belong to them.
  EXPECT_EQ(qv_attribute_info("stroke:").shape, QVAttrShape::text);
  EXPECT_EQ(qv_attribute_info("unknown: ").shape, QVAttrShape::text);
}

TEST(Attributes, ColoursReadThreeNumbersAndFormatRounded) {
  EXPECT_EQ(qv_format_color(qv_parse_color("255 128 0")), "255 128 0");
  EXPECT_EQ(qv_format_color(qv_parse_color("255.4 0 0")), "255 0 0");
  EXPECT_EQ(qv_format_color(qv_parse_color("  12")), "12 0 0");
  EXPECT_EQ(qv_format_color(qv_parse_color("red")), "0 0 0");
  EXPECT_NEAR(qv_parse_color("255 0 0").r, 1.0, 1e-12);
}

TEST(Attributes, BooleansColourModesAndAspectRatio) {
  EXPECT_EQ(qv_parse_boolean(" ON "), 1);
  EXPECT_EQ(qv_parse_boolean("off"), 0);
  EXPECT_EQ(qv_parse_boolean("2"), 2);
  EXPECT_EQ(qv_parse_boolean("maybe"), 0);
  EXPECT_EQ(qv_parse_color_mode("HSV long"), 2);
  EXPECT_EQ(qv_parse_color_mode("hsv long"), 1) << "the names are exact";
  EXPECT_EQ(qv_parse_color_mode("RGB"), 0);
  EXPECT_STREQ(qv_color_mode_name(4), "HSV ccw");
  EXPECT_EQ(qv_normalise_aspect_ratio(8), 13);
  EXPECT_EQ(qv_normalise_aspect_ratio(2), 2);
  EXPECT_EQ(qv_aspect_ratio_default("plain"), 1);
  EXPECT_EQ(qv_aspect_ratio_default("[Image] sun"), 1);
  EXPECT_EQ(qv_aspect_ratio_default("{2}[Symbol] star"), 7);
}

TEST(Attributes, IntegersClampInsteadOfOverflowing) {
  EXPECT_EQ(qv_parse_integer("99999999999999999999"), 2147483647);
  EXPECT_EQ(qv_parse_integer("-99999999999999999999"), -2147483647 - 1);
  EXPECT_EQ(qv_parse_integer(" 42px"), 42);
}

TEST(Attributes, MotionAngleForms) {
  auto m = qv_parse_motion_angle("roll 0");
  EXPECT_EQ(m.mode, 1);
  EXPECT_DOUBLE_EQ(m.angle, 100.0);
  m = qv_parse_motion_angle("30 auto");
  EXPECT_EQ(m.mode, 2);
  EXPECT_DOUBLE_EQ(m.angle, 30.0);
  m = qv_parse_motion_angle("45");
  EXPECT_EQ(m.mode, 0);
  EXPECT_DOUBLE_EQ(m.angle, 45.0);
  m = qv_parse_motion_angle(" AUTO 12 ");
  EXPECT_EQ(m.mode, 2);
  EXPECT_DOUBLE_EQ(m.angle, 12.0);
  m = qv_parse_motion_angle("fixed 7");
  EXPECT_EQ(m.mode, 0);
  EXPECT_DOUBLE_EQ(m.angle, 7.0);
}

TEST(Attributes, RotationHandleIs100PixelsAlongTheAngle) {
  const QVRotation r = qv_parse_rotation("90 10 20;keep");
  EXPECT_DOUBLE_EQ(r.angle, 90);
  EXPECT_DOUBLE_EQ(r.x, 10);
  EXPECT_DOUBLE_EQ(r.y, 20);
  EXPECT_NEAR(r.x2, 10, 1e-9);
  EXPECT_NEAR(r.y2, 120, 1e-9);
  EXPECT_EQ(qv_format_rotation(r), "90.0 10 20");
  EXPECT_EQ(qv_value_extension("10 20 30;abc"), ";abc");
  EXPECT_EQ(qv_value_extension("10 20 30"), "");
  const QVRotation line = qv_parse_gradient_line("1 2.25 3 4");
  EXPECT_EQ(qv_format_gradient_line(line), "1.0 2.2 3.0 4.0");
}

TEST(Attributes, FormattingUsesPointsWhateverTheLocale) {
  const char *old = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = old ? old : "C";
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
    GTEST_SKIP() << "no decimal-comma locale installed";
  EXPECT_EQ(qv_format("%0.1f", 2.5), "2.5");
  EXPECT_DOUBLE_EQ(qv_parse_number("2.5"), 2.5);
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(Attributes, FontSizeFromPoints) {
  // Five points of a plain path: |y3 - y0|.
  const double plain[] = {0, 10, 1, 0, 10, 2, 0, 10, 2, 0, 34, 1, 0, 34, 2};
  EXPECT_DOUBLE_EQ(qv_font_size_from_points("text", plain, 15), 24);
  EXPECT_DOUBLE_EQ(qv_font_size_from_points("text", plain, 12), 0);
  double tagged[33] = {};
  tagged[6 * 3 + 1] = 5;
  tagged[9 * 3 + 1] = 17;
  EXPECT_DOUBLE_EQ(qv_font_size_from_points("[Frame] text", tagged, 33), 12);
}

TEST(Attributes, SizeAndTripleRecords) {
  const QVSize s = qv_parse_size("640 480");
  EXPECT_DOUBLE_EQ(s.v[2], 640);
  EXPECT_DOUBLE_EQ(s.v[3], 480);
  const QVTriple t = qv_parse_triple("1 -2");
  EXPECT_DOUBLE_EQ(t.v[0], 1);
  EXPECT_DOUBLE_EQ(t.v[1], -2);
  EXPECT_DOUBLE_EQ(t.v[2], 0);
}

}  // namespace

namespace {

TEST(Attributes, HelperPathsSpellRotationAndGradientLine) {
  // Two anchors read as five points: centre, its handle, the handle's in-handle, handle, out.
  const std::vector<double> two = {10, 10, 1, 10, 10, 2, 10, 60, 2, 10, 60, 1, 10, 60, 2};
  auto r = qv_rotation_from_helper(two);
  ASSERT_TRUE(r);
  EXPECT_NEAR(r->angle, 90, 1e-9);
  EXPECT_DOUBLE_EQ(r->length, 50);
  EXPECT_DOUBLE_EQ(r->x2, 10) << "fourth point of five";
  // Fewer than five points: the second point is the handle.
  r = qv_rotation_from_helper({0, 0, 1, 30, 0, 2});
  EXPECT_DOUBLE_EQ(r->x2, 30);
  EXPECT_FALSE(qv_rotation_from_helper({}));

  auto line = qv_gradient_line_from_helper({1, 2, 1, 30, 40, 2});
  ASSERT_TRUE(line);
  EXPECT_DOUBLE_EQ(line->x2, 30) << "two points: from the first to the second";
  line = qv_gradient_line_from_helper({1, 2, 1});
  EXPECT_DOUBLE_EQ(line->x2, 1) << "one point: a line of no length";
  line = qv_gradient_line_from_helper(two);
  EXPECT_DOUBLE_EQ(line->y2, 60) << "four or more: the fourth point";
}

}  // namespace
