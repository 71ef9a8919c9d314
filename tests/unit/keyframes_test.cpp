#include "core/qv_keyframes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "core/qv_attributes.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::string at(const std::string &line, double t, int mode = QV_COLOUR_HSV_SHORT) {
  return qv_attribute_interpolate(line, t, mode).value_or("<unchanged>");
}

TEST(KeyframesColour, RedToBlueAtHalf) {
  // Hues 0 and 2/3 lie more than half a turn apart: the short way runs
  // through magenta.
  EXPECT_EQ(at("stroke: 255 0 0;0 0 255", 0.5, QV_COLOUR_HSV_SHORT), "stroke: 255 0 255");
  EXPECT_EQ(at("stroke: 255 0 0;0 0 255", 0.5, QV_COLOUR_RGB), "stroke: 128 0 128");
}

TEST(KeyframesColour, HueDirectionFollowsTheMode) {
  struct Case {
    const char *line;
    int mode;
    const char *expected;
  };
  // Red (hue 0) and green (hue 1/3): halfway is yellow one way, blue the other.
  const Case cases[] = {
      {"fill: 255 0 0;0 255 0", QV_COLOUR_HSV_SHORT, "fill: 255 255 0"},
      {"fill: 255 0 0;0 255 0", QV_COLOUR_HSV_LONG, "fill: 0 0 255"},
      {"fill: 255 0 0;0 255 0", QV_COLOUR_HSV_CW, "fill: 255 255 0"},
      {"fill: 255 0 0;0 255 0", QV_COLOUR_HSV_CCW, "fill: 0 0 255"},
      {"fill: 0 255 0;255 0 0", QV_COLOUR_HSV_CW, "fill: 0 0 255"},
      {"fill: 0 255 0;255 0 0", QV_COLOUR_HSV_CCW, "fill: 255 255 0"},
      {"fill: 0 255 0;255 0 0", QV_COLOUR_HSV_LONG, "fill: 0 0 255"},
      {"gradient-fg: 255 0 0;0 255 0", 99, "gradient-fg: 255 255 0"},
      {"gradient-bg: 255 0 0;0 255 0", QV_COLOUR_RGB, "gradient-bg: 128 128 0"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(at(c.line, 0.5, c.mode), c.expected) << c.line << " mode " << c.mode;
}

TEST(KeyframesColour, GreyAndOutOfRangeChannelsStayInRange) {
  // Black has no hue; saturation and value still move linearly.
  EXPECT_EQ(at("stroke: 0 0 0;255 0 0", 0.5), "stroke: 128 64 64");
  EXPECT_EQ(at("stroke: 255 255 255;255 255 255", 0.3), "stroke: 255 255 255");
  const std::string wild = at("stroke: nan nan nan;1e300 -1e300 inf", 0.5);
  double v[3] = {-1, -1, -1};
  ASSERT_EQ(wild.rfind("stroke: ", 0), 0u) << wild;
  qv_parse_numbers(wild.substr(8), v, 3);
  for (double c : v) {
    EXPECT_GE(c, 0.0) << wild;
    EXPECT_LE(c, 255.0) << wild;
  }
}

TEST(KeyframesNumbers, KeyframePositionsAndClamping) {
  const std::string line = "opacity: 10;20.5 ;30";
  EXPECT_EQ(at(line, 0.5), "opacity: 20.5 ");
  EXPECT_EQ(at(line, 0.0), "opacity: 10");
  EXPECT_EQ(at(line, 1.0), "opacity: 30");
  EXPECT_EQ(at(line, 7.0), "opacity: 30");
  EXPECT_EQ(at(line, -3.0), "opacity: 10");
  EXPECT_EQ(at(line, kNaN), "opacity: 10");
  EXPECT_EQ(at(line, 0.75), "opacity: 25.250");
}

TEST(KeyframesNumbers, OutputFormsAndMissingComponents) {
  EXPECT_EQ(at("opacity: 100;0", 0.25), "opacity: 75.000");
  EXPECT_EQ(at("gradient-line: 0 0 0 0;10 20 30 40", 0.5), "gradient-line: 5.0 10.0 15.0 20.0");
  EXPECT_EQ(at("translate: 0 0 9;3 5 9", 0.5), "translate: 1.5 2.5");
  EXPECT_EQ(at("rotate-at: 90;0 10 20", 0.5), "rotate-at: 45.0 5.0 10.0");
  EXPECT_EQ(at("supersampling-threshold: 0;1", 1.0 / 3.0), "supersampling-threshold: 0.33");
  EXPECT_EQ(at("@-timeline-t: 0;1", 0.3), "@-timeline-t: 0.3000000000");
  EXPECT_EQ(at("layer-position:4;0", 0.5), "layer-position: 2");
}

TEST(KeyframesNumbers, LinesLeftAlone) {
  EXPECT_EQ(at("opacity: 50", 0.5), "<unchanged>");
  EXPECT_EQ(at("stroke-brush: Circle;Square", 0.5), "<unchanged>");
  EXPECT_EQ(at("no colon here;at all", 0.5), "<unchanged>");
  EXPECT_EQ(at("", 0.5), "<unchanged>");
}

TEST(KeyframesNumbers, NonFiniteAndHugeValuesGiveFiniteText) {
  EXPECT_EQ(at("opacity: nan;1", 0.5), "opacity: 0.000");
  EXPECT_EQ(at("opacity: inf;0", 0.0), "opacity: inf");  // a keyframe itself stays as written
  const std::string huge = at("opacity: inf;0", 0.5);
  EXPECT_EQ(huge.rfind("opacity: 17976931348623157", 0), 0u) << huge;
  EXPECT_EQ(at("font-size: 1e308;1e308", 0.5).size(), std::string("font-size: ").size() + 309 + 2);
}

TEST(KeyframesImage, FrameNumberMovesWithLeadingZeros) {
  EXPECT_EQ(at("image: frames/run001.png;frames/run101.png", 0.5), "image: frames/run051.png");
  EXPECT_EQ(at("image: img9.png; img11.png", 0.5), "image: img10.png");
  EXPECT_EQ(at("image: f1.tar.gz;f4.tar.gz", 0.5),
            "image: f1.tar.gz");  // digits not before the last "."
  EXPECT_EQ(at("image: v1.2/f1;v1.2/f3", 0.5), "image: v1.2/f2");
  EXPECT_EQ(at("image: a.png;b.png", 0.5), "image: a.png");
  EXPECT_EQ(at("image: a.png;b.png", 1.0), "image: b.png");
  EXPECT_EQ(at("image: a001.png;a101.png", 0.0), "image: a001.png");
}

TEST(KeyframesImage, DigitRunsBeyondAnyDouble) {
  const std::string digits(400, '9');
  const std::string first = "x" + digits + ".png";
  EXPECT_EQ(at("image: " + first + ";y1.png", 0.5), "image: " + first);
}

TEST(KeyframesDate, MovesBetweenTwoDatesKeepingTheYear) {
  EXPECT_EQ(at("@-date: 2000; 2010", 0.5), "@-date: 2005");
  EXPECT_EQ(at("@-date: Mar 2000; Mar 2001", 0.5), "@-date: 9 2000");
  EXPECT_EQ(at("@-date: 1. 1. 2000; 1. 1. 2000", 0.5), "@-date: 1 1 2000");
  EXPECT_EQ(at("@-date: -100; -50", 0.5), "@-date: -75");
  EXPECT_EQ(at("@-date: 2000; 2010", 1.0), "@-date:  2010");
  EXPECT_EQ(at("@-date: use pathname", 0.5), "<unchanged>");
  EXPECT_EQ(at("@-date: #soon;#later", 0.5), "<unchanged>");
  EXPECT_EQ(at("@-date: #soon; 2010", 0.5), "@-date: 2010");
}

TEST(KeyframesColourMode, LastExactModeLineDecides) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(qv_style_colour_mode(Lines{}), QV_COLOUR_HSV_SHORT);
  EXPECT_EQ(
      qv_style_colour_mode(Lines{"@-color-mode: RGB", "stroke: 1 2 3", "@-color-mode: HSV ccw"}),
      QV_COLOUR_HSV_CCW);
  EXPECT_EQ(qv_style_colour_mode(Lines{"@-color-mode: HSV long", "@-color-mode: hsv cw"}),
            QV_COLOUR_HSV_LONG);
  EXPECT_EQ(qv_style_colour_mode(Lines{"@-color-mode: RGB "}), QV_COLOUR_HSV_SHORT);
  EXPECT_EQ(qv_style_colour_mode(Lines{"@-color-mode: HSV cw"}), QV_COLOUR_HSV_CW);
}

TEST(KeyframesAnimatedText, FirstLineThenMergedInterpolatedLines) {
  const std::string style =
      "stroke: 255 0 0;0 0 255\t@-color-mode: RGB\topacity: 50\t\topacity: 100;0\tfont: Sans";
  EXPECT_EQ(qv_animated_attribute_text(style, 0.25),
            "@-timeline-t: 0.2500000000\tstroke: 191 0 64\t@-color-mode: RGB\topacity: "
            "75.000\tfont: Sans");
}

TEST(KeyframesAnimatedText, ModeFromWrittenLinesAndDegenerateInput) {
  // A later misspelt mode line does not hide the valid one before it.
  EXPECT_EQ(qv_animated_attribute_text(
                "@-color-mode: RGB\tfill: 255 0 0;0 0 255\t@-color-mode: rgb", 0.5),
            "@-timeline-t: 0.5000000000\tfill: 128 0 128\t@-color-mode: rgb");
  EXPECT_EQ(qv_animated_attribute_text("", kNaN), "@-timeline-t: 0.0000000000");
  EXPECT_EQ(qv_animated_attribute_text("opacity: 1\t\t", 0.5),
            "@-timeline-t: 0.5000000000\topacity: 1");
  EXPECT_EQ(qv_animated_attribute_text("fill: 0 0 0", 5.0),
            "@-timeline-t: 1.0000000000\tfill: 0 0 0");
}

TEST(KeyframesTimeCurve, StraightRisingLineGivesTBackEitherWay) {
  // From bottom left (0, 100) to top right (100, 0); image y grows downward.
  for (double t : {0.0, 0.2, 0.5, 0.9, 1.0}) {
    for (bool reversed : {false, true}) {
      const double xb = reversed ? 100.0 : 0.0;
      const double xp = reversed ? 0.0 : 100.0;
      const QVtimeCurveTarget target = qv_time_curve_target(xb, xp, t);
      ASSERT_FALSE(target.unchanged);
      EXPECT_EQ(target.walk_mode, reversed ? 4 : 5);
      EXPECT_DOUBLE_EQ(target.x, 100.0 * t);
      EXPECT_NEAR(qv_time_curve_t(100.0 - target.x, 0.0, 100.0, t), t, 1e-12);
    }
  }
}

TEST(KeyframesTimeCurve, DegenerateCurvesLeaveT) {
  EXPECT_TRUE(qv_time_curve_target(40.0, 40.0, 0.3).unchanged);
  EXPECT_TRUE(qv_time_curve_target(kNaN, 40.0, 0.3).unchanged);
  EXPECT_TRUE(qv_time_curve_target(0.0, kInf, 0.3).unchanged);
  EXPECT_DOUBLE_EQ(qv_time_curve_target(0.0, 10.0, kNaN).x, 0.0);
  EXPECT_DOUBLE_EQ(qv_time_curve_t(5.0, 7.0, 7.0, 0.3), 0.3);
  EXPECT_DOUBLE_EQ(qv_time_curve_t(kNaN, 0.0, 10.0, 0.3), 0.3);
  EXPECT_DOUBLE_EQ(qv_time_curve_t(-5.0, 0.0, 10.0, 0.3), 1.0);
  EXPECT_DOUBLE_EQ(qv_time_curve_t(2.5, 0.0, 10.0, 0.3), 0.75);
}

}  // namespace
