#include "core/qv_keyspline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

// A straight path from (x0, y0) to (x1, y1) as the reader lists it: anchor,
// out-handle, in-handle, anchor, out-handle (handles on their anchors).
std::vector<double> line(double x0, double y0, double x1, double y1) {
  return {x0, y0, 1, x0, y0, 2, x1, y1, 2, x1, y1, 1, x1, y1, 2};
}

TEST(KeysplineKeyPair, LastListedKeyIsTheShapeAtZero) {
  const auto start = qv_keyspline_key_pair(3, 0.0);
  ASSERT_TRUE(start);
  EXPECT_EQ(start->from, 2u);
  EXPECT_EQ(start->to, 1u);
  EXPECT_EQ(start->f, 0.0);

  const auto between = qv_keyspline_key_pair(3, 0.75);
  ASSERT_TRUE(between);
  EXPECT_EQ(between->from, 1u);
  EXPECT_EQ(between->to, 0u);
  EXPECT_DOUBLE_EQ(between->f, 0.5);

  const auto end = qv_keyspline_key_pair(3, 1.0);
  ASSERT_TRUE(end);
  EXPECT_EQ(end->from, 0u);
  EXPECT_EQ(end->to, 0u);
  EXPECT_EQ(end->f, 0.0);
}

TEST(KeysplineKeyPair, OneKeyIsThatKeyThroughoutAndNoKeyIsNothing) {
  for (double t : {0.0, 0.3, 1.0, std::numeric_limits<double>::quiet_NaN()}) {
    const auto pair = qv_keyspline_key_pair(1, t);
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->from, 0u);
    EXPECT_EQ(pair->to, 0u);
    EXPECT_EQ(pair->f, 0.0);
  }
  EXPECT_FALSE(qv_keyspline_key_pair(0, 0.5));
}

TEST(KeysplineTattoos, GroupsAndListsDropWhatIsNoTattoo) {
  const auto groups = qv_keyspline_tattoo_groups(" 12 13 ;; x 14;-3 0 99999999999");
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[0], (std::vector<int32_t>{12, 13}));
  EXPECT_EQ(groups[1], (std::vector<int32_t>{14}));
  EXPECT_EQ(qv_keyspline_tattoo_list("5 6;7\t8 7x"), (std::vector<int32_t>{5, 6, 7, 8}));
  EXPECT_TRUE(qv_keyspline_tattoo_groups("").empty());
}

TEST(KeysplineTimeCurve, RisingLineKeepsTAndFallingLineReversesIt) {
  const auto rising = line(0, 100, 100, 0);  // bottom left to top right
  const auto falling = line(0, 0, 100, 100);
  for (double t : {0.0, 0.25, 0.5, 0.9, 1.0}) {
    EXPECT_NEAR(qv_time_curve_of_points(rising, t), t, 0.01) << t;
    EXPECT_NEAR(qv_time_curve_of_points(falling, t), 1.0 - t, 0.01) << t;
  }
  // Drawn right to left, the curve is read from its smaller x all the same.
  EXPECT_NEAR(qv_time_curve_of_points(line(100, 0, 0, 100), 0.25), 0.25, 0.01);
}

TEST(KeysplineTimeCurve, VerticalOrTooShortPathsLeaveT) {
  EXPECT_EQ(qv_time_curve_of_points(line(50, 0, 50, 100), 0.3), 0.3);
  EXPECT_EQ(qv_time_curve_of_points({1, 2, 1}, 0.3), 0.3);
  EXPECT_EQ(qv_time_curve_of_points({}, 0.7), 0.7);
}

TEST(KeysplineMotion, ShiftFromStartAndTheThreeAngleModes) {
  const auto down = line(10, 20, 10, 220);  // 200 px straight down
  const auto fixed = qv_motion_placement(down, 0.5, {0, 30});
  ASSERT_TRUE(fixed);
  EXPECT_NEAR(fixed->dx, 0, 0.01);
  EXPECT_NEAR(fixed->dy, 100, 1.0);
  EXPECT_EQ(fixed->start_x, 10);
  EXPECT_EQ(fixed->start_y, 20);
  EXPECT_NEAR(fixed->angle_degrees, 30, 1e-9);

  const auto follows = qv_motion_placement(down, 0.5, {2, 10});
  ASSERT_TRUE(follows);
  EXPECT_NEAR(follows->angle_degrees, 100, 0.5);  // heading down (90) plus 10

  // Roll: one turn per d pixels; d <= 0 counts as 100.
  const auto roll = qv_motion_placement(down, 0.25, {1, 200});
  ASSERT_TRUE(roll);
  EXPECT_NEAR(roll->angle_degrees, 90, 1.0);
  const auto roll_default = qv_motion_placement(down, 0.25, {1, 0});
  ASSERT_TRUE(roll_default);
  EXPECT_NEAR(roll_default->angle_degrees, 180, 2.0);
}

TEST(KeysplineMotion, TooFewPointsGiveNoPlacement) {
  EXPECT_FALSE(qv_motion_placement({}, 0.5, {}));
  EXPECT_FALSE(qv_motion_placement({1, 1, 1}, 0.5, {}));
}

TEST(KeysplineSequence, OffsetIsTheLeadingNumberOfTheOwnName) {
  EXPECT_EQ(qv_sequence_offset("120 second stroke"), 120);
  EXPECT_EQ(qv_sequence_offset("{3}40.5 in a group"), 40.5);
  EXPECT_EQ(qv_sequence_offset("stroke 120"), 0);
  EXPECT_EQ(qv_sequence_offset(""), 0);
  EXPECT_EQ(qv_sequence_offset("1e999"), 0);
}

TEST(KeysplineDates, RangeGivesEndsAndInterpolatesBetween) {
  const auto start = qv_date_range_at("1. 1. 2000; 1. 1. 2010", 0.0);
  ASSERT_TRUE(start);
  EXPECT_EQ(start->year, 2000);
  const auto end = qv_date_range_at("1. 1. 2000; 1. 1. 2010", 1.0);
  ASSERT_TRUE(end);
  EXPECT_EQ(end->year, 2010);
  const auto mid = qv_date_range_at("1. 1. 2000; 1. 1. 2010", 0.5);
  ASSERT_TRUE(mid);
  EXPECT_EQ(mid->year, 2005);

  // One date alone is stored at its own end only.
  EXPECT_TRUE(qv_date_range_at("Mar 2007", 0.0));
  EXPECT_FALSE(qv_date_range_at("Mar 2007", 0.5));
  EXPECT_FALSE(qv_date_range_at("Mar 2007", 1.0));
  EXPECT_FALSE(qv_date_range_at("no date here", 0.5));
}

TEST(KeysplineDates, UsePathnameReadsTheNameWithoutItsBracket) {
  EXPECT_EQ(qv_date_value_text(" Use Pathname ", "[@] 1990; 2000"), " 1990; 2000");
  EXPECT_EQ(qv_date_value_text("use pathname", "1990; 2000"), "1990; 2000");
  EXPECT_EQ(qv_date_value_text("1. 1. 1990", "[@] 2000"), "1. 1. 1990");
  EXPECT_EQ(qv_style_resolve_date_name("fill: 1 2 3\t@-date: use pathname", "[@] 1990; 2000"),
            "fill: 1 2 3\t@-date:  1990; 2000");
  const auto year = qv_date_range_at(qv_date_value_text("use pathname", "[@] 1990; 2000"), 0.25);
  ASSERT_TRUE(year);
  EXPECT_EQ(year->year, 1992);
}

}  // namespace
