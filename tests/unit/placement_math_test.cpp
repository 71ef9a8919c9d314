#include "core/qv_placement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "core/qv_angles.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Box {
  double left, top, right, bottom;
};

void expect_box(const Box &expected, const QVFrame &f) {
  EXPECT_NEAR(expected.left, f.left, 1e-9);
  EXPECT_NEAR(expected.top, f.top, 1e-9);
  EXPECT_NEAR(expected.right, f.right, 1e-9);
  EXPECT_NEAR(expected.bottom, f.bottom, 1e-9);
}

// A list of `count` anchors, anchor k at (10k, 100 + k).
std::vector<double> anchors(int count) {
  std::vector<double> points;
  for (int k = 0; k < count; ++k) points.insert(points.end(), {10.0 * k, 100.0 + k, 1});
  return points;
}

// ---- Frames from two corners ---------------------------------------------------

struct FrameCase {
  const char *name;
  QVPoint c1, c2;
  int aspect;
  Box box;
  bool flip_h, flip_v;
};

TEST(PlacementFrame, CornersSpanTheFrameWithItsFlips) {
  const FrameCase cases[] = {
      {"forward", {10, 20}, {110, 70}, 0, {10, 20, 110, 70}, false, false},
      {"backwards in x", {110, 20}, {10, 70}, 0, {10, 20, 110, 70}, true, false},
      {"backwards in y", {10, 70}, {110, 20}, 0, {10, 20, 110, 70}, false, true},
      {"both backwards", {110, 70}, {10, 20}, 0, {10, 20, 110, 70}, true, true},
      {"centred on corner 1",
       {50, 50},
       {60, 70},
       QV_ASPECT_CENTRE_ON_FIRST,
       {40, 30, 60, 70},
       false,
       false},
      {"centred, backwards",
       {50, 50},
       {40, 30},
       QV_ASPECT_CENTRE_ON_FIRST,
       {40, 30, 60, 70},
       true,
       true},
      {"marker: never flipped",
       {110, 70},
       {10, 20},
       QV_ASPECT_MARKER,
       {10, 20, 110, 70},
       false,
       false},
      {"one point", {5, 5}, {5, 5}, 0, {5, 5, 5, 5}, false, false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const QVFrame f = qv_frame_from_corners(c.c1, c.c2, c.aspect);
    expect_box(c.box, f);
    EXPECT_EQ(c.flip_h, f.flip_h);
    EXPECT_EQ(c.flip_v, f.flip_v);
  }
}

TEST(PlacementFrame, CentreAndDistanceFollowTheMode) {
  const QVFrame between = qv_frame_from_corners({0, 0}, {30, 40}, 0);
  EXPECT_DOUBLE_EQ(15, between.cx);
  EXPECT_DOUBLE_EQ(20, between.cy);
  EXPECT_DOUBLE_EQ(50, between.d);
  const QVFrame centred = qv_frame_from_corners({0, 0}, {30, 40}, QV_ASPECT_CENTRE_ON_FIRST);
  EXPECT_DOUBLE_EQ(0, centred.cx);
  EXPECT_DOUBLE_EQ(0, centred.cy);
  EXPECT_DOUBLE_EQ(100, centred.d);
}

TEST(PlacementFrame, MarkerAngleTurnsTheDownwardAxisOntoTheCorners) {
  const struct {
    QVPoint c2;
    double degrees;
  } cases[] = {
      {{0, 10}, 0},      // straight down: upright
      {{0, 0}, 0},       // no axis at all: upright
      {{10, 0}, -90},    // to the right
      {{-10, 0}, 90},    // to the left
      {{0, -10}, -180},  // straight up: upside down
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.degrees);
    const QVFrame f = qv_frame_from_corners({0, 0}, c.c2, QV_ASPECT_MARKER);
    EXPECT_NEAR(qv_radians(c.degrees), f.angle, 1e-12);
  }
  EXPECT_EQ(0, qv_frame_from_corners({0, 0}, {10, 0}, QV_ASPECT_KEEP).angle);
}

TEST(PlacementFrame, UsableNeedsAWholePixelEachWayUnlessItMayOverflow) {
  const int keep_outside = QV_ASPECT_KEEP | QV_ASPECT_DRAW_OUTSIDE;
  const struct {
    QVPoint c2;
    int aspect;
    bool usable;
  } cases[] = {
      {{10, 10}, 0, true},
      {{10, 0}, 0, false},    // zero height
      {{0, 10}, 0, false},    // zero width
      {{0.5, 10}, 0, false},  // under a pixel wide
      {{1, 1}, 0, true},
      {{10, 0}, QV_ASPECT_KEEP, false},
      {{10, 0}, keep_outside, true},  // one side is enough when it may overflow
      {{0, 0}, keep_outside, false},
      {{10, 0}, QV_ASPECT_DRAW_OUTSIDE, false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.c2.x << "," << c.c2.y << " mode " << c.aspect);
    EXPECT_EQ(c.usable, qv_frame_usable(qv_frame_from_corners({0, 0}, c.c2, c.aspect), c.aspect));
  }
}

// ---- Fitting the image's aspect ------------------------------------------------------

struct FitCase {
  const char *name;
  QVPoint c1, c2;
  int aspect;
  double iw, ih;
  Box box;
};

TEST(PlacementFit, ModesFitCoverOrStretch) {
  const int keep = QV_ASPECT_KEEP, outside = QV_ASPECT_KEEP | QV_ASPECT_DRAW_OUTSIDE;
  const FitCase cases[] = {
      {"stretch", {0, 0}, {100, 50}, 0, 10, 10, {0, 0, 100, 50}},
      {"keep: wide frame, square image", {0, 0}, {100, 50}, keep, 10, 10, {25, 0, 75, 50}},
      {"keep: tall frame, square image", {0, 0}, {50, 100}, keep, 10, 10, {0, 25, 50, 75}},
      {"outside: wide frame covers", {0, 0}, {100, 50}, outside, 10, 10, {0, -25, 100, 75}},
      {"outside: tall frame covers", {0, 0}, {50, 100}, outside, 10, 10, {-25, 0, 75, 100}},
      {"keep: same aspect stays", {0, 0}, {200, 100}, keep, 20, 10, {0, 0, 200, 100}},
      {"outside: flat frame grows tall", {0, 0}, {100, 0}, outside, 20, 10, {0, -25, 100, 25}},
      {"outside: thin frame grows wide", {0, 0}, {0, 100}, outside, 20, 10, {-100, 0, 100, 100}},
      {"marker: d high about the centre",
       {0, 0},
       {0, 40},
       QV_ASPECT_MARKER,
       20,
       10,
       {-40, 0, 40, 40}},
      {"no image area", {0, 0}, {100, 50}, keep, 0, 10, {0, 0, 100, 50}},
      {"negative side", {0, 0}, {100, 50}, keep, 10, -10, {0, 0, 100, 50}},
      {"NaN side", {0, 0}, {100, 50}, QV_ASPECT_MARKER, kNaN, 10, {0, 0, 100, 50}},
      {"infinite side", {0, 0}, {100, 50}, keep, kInf, 10, {0, 0, 100, 50}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    QVFrame f = qv_frame_from_corners(c.c1, c.c2, c.aspect);
    qv_frame_fit(f, c.aspect, c.iw, c.ih);
    expect_box(c.box, f);
  }
}

TEST(PlacementFit, FittingKeepsFlipsAndCentre) {
  QVFrame f = qv_frame_from_corners({100, 50}, {0, 0}, QV_ASPECT_KEEP);
  qv_frame_fit(f, QV_ASPECT_KEEP, 10, 10);
  EXPECT_TRUE(f.flip_h);
  EXPECT_TRUE(f.flip_v);
  EXPECT_DOUBLE_EQ(50, (f.left + f.right) / 2);
  EXPECT_DOUBLE_EQ(f.width(), f.height());
}

// ---- Corners ----------------------------------------------------------------------

TEST(PlacementCorners, FlipsSwapTheSides) {
  const struct {
    QVPoint c1, c2;
    QVCorners expected;  // top-left, top-right, bottom-left, bottom-right of the image
  } cases[] = {
      {{0, 0}, {10, 20}, {{{0, 0}, {10, 0}, {0, 20}, {10, 20}}}},
      {{10, 0}, {0, 20}, {{{10, 0}, {0, 0}, {10, 20}, {0, 20}}}},
      {{0, 20}, {10, 0}, {{{0, 20}, {10, 20}, {0, 0}, {10, 0}}}},
      {{10, 20}, {0, 0}, {{{10, 20}, {0, 20}, {10, 0}, {0, 0}}}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << "from " << c.c1.x << "," << c.c1.y);
    const QVCorners got = qv_frame_corners(qv_frame_from_corners(c.c1, c.c2, 0));
    for (size_t i = 0; i < 4; ++i) {
      EXPECT_EQ(c.expected[i].x, got[i].x) << "corner " << i;
      EXPECT_EQ(c.expected[i].y, got[i].y) << "corner " << i;
    }
  }
}

// ---- The place on the path ---------------------------------------------------------

TEST(PlacementPlace, TwoCornersOrFourFromThePointList) {
  EXPECT_FALSE(qv_image_place({}));
  EXPECT_FALSE(qv_image_place(anchors(3)));
  std::vector<double> short_last = anchors(4);
  short_last.pop_back();  // the type of point 3 is missing, its coordinates are not
  ASSERT_TRUE(qv_image_place(short_last));

  const auto two = qv_image_place(anchors(10));  // 30 values
  ASSERT_TRUE(two);
  EXPECT_EQ(0, two->c1.x);
  EXPECT_EQ(30, two->c2.x);
  EXPECT_EQ(103, two->c2.y);
  EXPECT_FALSE(two->quad);

  const auto four = qv_image_place(anchors(11));  // 33 values
  ASSERT_TRUE(four && four->quad);
  const double xs[] = {0, 30, 60, 90};
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(xs[i], (*four->quad)[i].x) << "corner " << i;
}

TEST(PlacementPlace, ImageValueSplitsAtTheFirstSemicolon) {
  const struct {
    const char *value, *file;
    const char *layer;  // null: none
  } cases[] = {
      {"pic.png", "pic.png", nullptr},   {"pic.xcf;Layer", "pic.xcf", "Layer"},
      {"pic.xcf;a;b", "pic.xcf", "a;b"}, {"pic.xcf;", "pic.xcf", ""},
      {";Layer", "", "Layer"},           {"", "", nullptr},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.value);
    const auto [file, layer] = qv_image_value_split(c.value);
    EXPECT_EQ(c.file, file);
    ASSERT_EQ(c.layer != nullptr, layer.has_value());
    if (c.layer) {
      EXPECT_EQ(c.layer, *layer);
    }
  }
}

TEST(PlacementPlace, LayerCoordinatesCutTowardZeroAndStayInRange) {
  const struct {
    double v;
    int expected;
  } cases[] = {
      {0, 0},    {12.9, 12}, {-12.9, -12}, {-0.5, 0}, {1e12, 1000000000}, {-1e12, -1000000000},
      {kNaN, 0}, {kInf, 0},  {-kInf, 0},
  };
  for (const auto &c : cases) EXPECT_EQ(c.expected, qv_layer_coordinate(c.v)) << c.v;
}

TEST(PlacementAngles, DegreesAndRadiansConvertBothWays) {
  EXPECT_DOUBLE_EQ(QV_PI / 2, qv_radians(90));
  EXPECT_DOUBLE_EQ(-QV_PI, qv_radians(-180));
  EXPECT_DOUBLE_EQ(270, qv_degrees(qv_radians(270)));
  EXPECT_DOUBLE_EQ(std::acos(-1.0), QV_PI);
}

}  // namespace
