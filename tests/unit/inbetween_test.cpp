#include "core/qv_inbetween.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

std::string name_of(const std::string &p0, const std::string &p1, double t,
                    const std::set<std::string> &taken = {}) {
  return qv_inbetween_name(p0, p1, t, [&](const std::string &n) { return taken.count(n) > 0; });
}

TEST(InbetweenName, NumberAfterTheLastHashMoves) {
  EXPECT_EQ(name_of("Star#0", "Star#10", 0.5), "Star#5");
  EXPECT_EQ(name_of("Star#0", "Star#10", 0.25), "Star#2.50");
  EXPECT_EQ(name_of("Star", "Star", 0.0), "Star#0");
  EXPECT_EQ(name_of("B#4", "B#4", 1.0), "B#4");
  EXPECT_EQ(name_of("A#2#x", "C#8", 0.5), "A#2#4");
}

TEST(InbetweenName, TakenNamesGetACounter) {
  EXPECT_EQ(name_of("A#0", "A#10", 0.5, {"A#5"}), "A#5:1");
  EXPECT_EQ(name_of("Star", "Star", 0.0, {"Star#0", "Star#0:1"}), "Star#0:2");
  EXPECT_EQ(name_of("B#4", "B#4", 1.0, {"B#4"}), "B#4:1");
}

TEST(InbetweenPoints, InterpolatesPairwiseAndKeepsTheSurplus) {
  const std::vector<double> from = {0, 0, 1, 10, 10, 2, 20, 20, 1};
  const std::vector<double> to = {100, 50, 3, 110, 60, 2};
  const auto mid = qv_inbetween_points(from, to, 0.5);
  EXPECT_EQ(mid, (std::vector<double>{50, 25, 1, 60, 35, 2, 20, 20, 1}));
  EXPECT_EQ(qv_inbetween_points(from, to, -1.0), from);
}

TEST(InbetweenStyle, AnimatedAttributesMoveOthersStay) {
  const std::string from = "stroke: 255 0 0\tfill-opacity: 100\tfont: Sans\tstroke-width: 4";
  const std::string to = "fill-opacity: 0\tstroke: 0 0 255\tfont: Serif\topacity: 50";
  EXPECT_EQ(qv_inbetween_style(from, to, 0.5, "A", "B"),
            "stroke: 255 0 255\tfill-opacity: 50.0\tfont: Sans\tstroke-width: 4");
}

TEST(InbetweenStyle, ColourModeComesFromTheFirstStyle) {
  const std::string from = "fill: 255 0 0\t@-color-mode: RGB";
  EXPECT_EQ(qv_inbetween_style(from, "fill: 0 0 255", 0.5, "A", "B"),
            "fill: 128 0 128\t@-color-mode: RGB");
  EXPECT_EQ(
      qv_inbetween_style("fill: 255 0 0\t@-color-mode: HSV long", "fill: 0 0 255", 0.5, "A", "B"),
      "fill: 0 255 0\t@-color-mode: HSV long");
}

TEST(InbetweenStyle, DatesFromValuesOrNames) {
  EXPECT_EQ(qv_inbetween_style("@-date: 1. 1. 2000", "@-date: 1. 1. 2010", 0.5, "A", "B"),
            "@-date: 1 1 2005");
  EXPECT_EQ(qv_inbetween_style("@-date: use pathname", "@-date: 2000", 0.5, "1990", "B"),
            "@-date: 1995");
  // The second style has no date: the line stays as it is.
  EXPECT_EQ(qv_inbetween_style("@-date: 2000", "fill: 1 2 3", 0.5, "A", "B"), "@-date: 2000");
}

}  // namespace
