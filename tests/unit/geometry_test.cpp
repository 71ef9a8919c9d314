#include "core/qv_geometry.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <vector>

namespace {

using Points = std::vector<double>;
constexpr double kKappa = 0.5522847498;

void add(Points &p, double x, double y, double type) { p.insert(p.end(), {x, y, type}); }

// A straight segment with its controls on the anchors, as the reader lists it
// (anchor, out-handle, in-handle, anchor, out-handle).
Points line(double x0, double y0, double x1, double y1) {
  Points p;
  add(p, x0, y0, 1);
  add(p, x0, y0, 2);
  add(p, x1, y1, 2);
  add(p, x1, y1, 1);
  add(p, x1, y1, 2);
  return p;
}

// The four Bézier quarters of a circle around the origin, starting at (r, 0).
// Closed: as the reader lists a closed stroke (the last point is the first
// anchor's in-handle). Open: the first anchor repeated at the end.
Points circle(double r, bool closed, double first_type = 1) {
  const double k = kKappa * r;
  const double a[4][2] = {{r, 0}, {0, r}, {-r, 0}, {0, -r}};
  const double out[4][2] = {{r, k}, {-k, r}, {-r, -k}, {k, -r}};
  const double in[4][2] = {{r, -k}, {k, r}, {-r, k}, {-k, -r}};
  Points p;
  for (int i = 0; i < 4; ++i) {
    add(p, a[i][0], a[i][1], i == 0 ? first_type : 1);
    add(p, out[i][0], out[i][1], 2);
    if (i < 3) add(p, in[i + 1][0], in[i + 1][1], 2);
  }
  add(p, in[0][0], in[0][1], 2);
  if (!closed) {
    add(p, a[0][0], a[0][1], 1);
    add(p, out[0][0], out[0][1], 2);
  }
  return p;
}

// Arc length of one cubic by composite Simpson on |B'(t)|, exact far beyond
// what the subdivision promises.
double reference_length(const QVBezier &b) {
  auto speed = [&](double t) {
    const double u = 1 - t;
    double dx = 3 * u * u * (b.p[1].x - b.p[0].x) + 6 * u * t * (b.p[2].x - b.p[1].x) +
                3 * t * t * (b.p[3].x - b.p[2].x);
    double dy = 3 * u * u * (b.p[1].y - b.p[0].y) + 6 * u * t * (b.p[2].y - b.p[1].y) +
                3 * t * t * (b.p[3].y - b.p[2].y);
    return std::hypot(dx, dy);
  };
  const int n = 20000;
  double sum = speed(0) + speed(1);
  for (int i = 1; i < n; ++i) sum += speed(double(i) / n) * (i % 2 ? 4 : 2);
  return sum / (3.0 * n);
}

double reference_circle(double r) {
  const double k = kKappa * r;
  return 4 * reference_length({{{r, 0}, {r, k}, {k, r}, {0, r}}});
}

QVpathCalc measure(const Points &p, int mode, double length = 0,
                   std::vector<QVCalcNewPath> *out = nullptr) {
  QVpathCalc calc;
  calc.mode = mode;
  calc.length = length;
  qv_path_calculate_points(p, calc, out);
  return calc;
}

// Cut parts end on their last anchor; written and read back they gain its
// out-handle, and only then count as a walkable path of five points.
Points as_read(Points p) {
  if (p.size() >= 3 && p.back() != QV_POINT_CONTROL) add(p, p[p.size() - 3], p[p.size() - 2], 2);
  return p;
}

double length_of(const Points &p) { return measure(as_read(p), QV_CALC_LENGTH).length; }

std::vector<QVCalcNewPath> cut(const Points &p, int mode, double at, double to = 0,
                               const char *begin_name = "", const char *end_name = "") {
  QVpathCalc calc;
  calc.mode = mode;
  calc.length = at;
  calc.second_length = to;
  calc.begin_name = begin_name;
  calc.end_name = end_name;
  std::vector<QVCalcNewPath> out;
  EXPECT_EQ(1, qv_path_calculate_points(p, calc, &out));
  return out;
}

}  // namespace

TEST(GeometryLength, StraightBezierMeasuresItsChord) {
  const auto c = measure(line(0, 0, 100, 0), QV_CALC_LENGTH);
  EXPECT_EQ(1, c.status);
  EXPECT_NEAR(100.0, c.length, 1e-9);
  EXPECT_DOUBLE_EQ(100.0, c.x);
  EXPECT_DOUBLE_EQ(0.0, c.y);
  EXPECT_DOUBLE_EQ(0.0, c.begin_angle);
  EXPECT_DOUBLE_EQ(100.0, c.end_x);
  EXPECT_DOUBLE_EQ(0.0, c.end_angle);
}

TEST(GeometryLength, CircleOfBezierQuartersMatchesIntegral) {
  for (double r : {100.0, 1000.0}) {
    const double ref = reference_circle(r);
    EXPECT_NEAR(ref, length_of(circle(r, false)), ref * 1e-3) << r;
    // The closing segment of a closed stroke is part of the path.
    const auto c = measure(circle(r, true), QV_CALC_LENGTH);
    EXPECT_NEAR(ref, c.length, ref * 1e-3) << r;
    EXPECT_DOUBLE_EQ(r, c.end_x);
    EXPECT_DOUBLE_EQ(0.0, c.end_y);
    EXPECT_NEAR(M_PI / 2, c.end_angle, 1e-9);  // arriving upwards at (r, 0)
    EXPECT_NEAR(-r, c.y_min, 0.5);
    EXPECT_NEAR(r, c.x_max, 0.5);
  }
}

TEST(GeometryLength, StrokesAddWithoutTheGapBetweenThem) {
  Points p = line(0, 0, 100, 0);
  Points second = line(0, 50, 0, 80);
  second[2] = QV_POINT_STROKE_START;
  p.insert(p.end(), second.begin(), second.end());
  const auto c = measure(p, QV_CALC_LENGTH);
  EXPECT_NEAR(130.0, c.length, 1e-9);
  EXPECT_DOUBLE_EQ(80.0, c.end_y);
  EXPECT_DOUBLE_EQ(80.0, c.y_max);
  // A closed second stroke closes onto its own first anchor, not the path's.
  Points closed_second = line(0, 0, 100, 0);
  Points ring = circle(10, true, QV_POINT_STROKE_START);
  closed_second.insert(closed_second.end(), ring.begin(), ring.end());
  const auto d = measure(closed_second, QV_CALC_LENGTH);
  EXPECT_NEAR(100.0 + reference_circle(10), d.length, 0.1);
  EXPECT_DOUBLE_EQ(10.0, d.end_x);
}

TEST(GeometryNearest, LengthAtThePointNearestToTheTarget) {
  QVpathCalc c;
  c.mode = QV_CALC_NEAREST;
  c.target_x = 30;
  c.target_y = 10;
  ASSERT_EQ(1, qv_path_calculate_points(line(0, 0, 100, 0), c, nullptr));
  EXPECT_NEAR(30.0, c.nearest_length, 0.5);
  EXPECT_NEAR(100.0, c.length, 1e-9);
  // A target before the start is nearest to the start.
  c.target_x = -20;
  qv_path_calculate_points(line(0, 0, 100, 0), c, nullptr);
  EXPECT_DOUBLE_EQ(0.0, c.nearest_length);
}

TEST(GeometryBbox, FlattenedCurveNotControlPolygon) {
  Points p;
  add(p, 0, 0, 1);
  add(p, 0, -100, 2);
  add(p, 100, -100, 2);
  add(p, 100, 0, 1);
  add(p, 100, 0, 2);
  const auto c = measure(p, QV_CALC_BBOX);
  EXPECT_NEAR(-75.0, c.y_min, 0.5);  // y(t) = -300 t (1 - t)
  EXPECT_DOUBLE_EQ(0.0, c.y_max);
  EXPECT_DOUBLE_EQ(0.0, c.x_min);
  EXPECT_DOUBLE_EQ(100.0, c.x_max);
}

TEST(GeometryFewPoints, FourPointsReportTheBeginAndLengthZero) {
  Points p;
  add(p, 5, 6, 1);
  add(p, 7, 8, 2);
  add(p, 20, 8, 2);
  add(p, 30, 6, 1);
  QVpathCalc c = measure(p, QV_CALC_AT_LENGTH, 10);
  EXPECT_EQ(1, c.status);
  EXPECT_DOUBLE_EQ(0.0, c.length);
  EXPECT_DOUBLE_EQ(5.0, c.x);
  EXPECT_DOUBLE_EQ(6.0, c.y);
  EXPECT_DOUBLE_EQ(5.0, c.handle_in_x);
  EXPECT_DOUBLE_EQ(7.0, c.handle_out_x);
  EXPECT_DOUBLE_EQ(8.0, c.handle_out_y);
  EXPECT_DOUBLE_EQ(5.0, c.begin_x);
  std::vector<QVCalcNewPath> out;
  measure(p, QV_CALC_NEW_BOTH, 10, &out);
  EXPECT_TRUE(out.empty());
}

TEST(GeometryFewPoints, OnePointOrNoneHasNoPoints) {
  for (const Points &p : {Points{3, 4, 1}, Points{}, Points{3, 4}}) {
    QVpathCalc c;
    c.length = 7;
    c.x = c.x_max = c.end_angle = 9;
    EXPECT_EQ(0, qv_path_calculate_points(p, c, nullptr));
    EXPECT_EQ(-1, c.status);
    EXPECT_EQ(0.0, c.length);
    EXPECT_EQ(0.0, c.x);
    EXPECT_EQ(0.0, c.x_max);
    EXPECT_EQ(0.0, c.end_angle);
  }
}

TEST(GeometryAtLength, PointHandlesAndAngleOnAQuarterCircle) {
  const double r = 100, k = kKappa * r;
  Points p;
  add(p, r, 0, 1);
  add(p, r, k, 2);
  add(p, k, r, 2);
  add(p, 0, r, 1);
  add(p, -k, r, 2);
  const double half = reference_length({{{r, 0}, {r, k}, {k, r}, {0, r}}}) / 2;
  const auto c = measure(p, QV_CALC_AT_LENGTH, half);
  // The walk stops after the flat piece that reaches the length: a piece
  // within 0.5 in x and in y is at most 0.5 * sqrt(2) long.
  EXPECT_GE(c.length, half);
  EXPECT_NEAR(half, c.length, 0.71);
  const double s = r / std::sqrt(2.0);
  EXPECT_NEAR(s, c.x, 0.5);
  EXPECT_NEAR(s, c.y, 0.5);
  EXPECT_NEAR(3 * M_PI / 4, c.angle, 0.01);  // the tangent, counter-clockwise
  // The handles lie on the tangent, before and after the point.
  EXPECT_NEAR(c.angle, std::atan2(c.y - c.handle_in_y, c.x - c.handle_in_x), 1e-6);
  EXPECT_NEAR(c.angle, std::atan2(c.handle_out_y - c.y, c.handle_out_x - c.x), 1e-6);
}

TEST(GeometryAtLength, BeyondTheEndGivesTheEndWithMirroredHandles) {
  Points p;
  add(p, 0, 0, 1);
  add(p, 10, 0, 2);
  add(p, 90, 10, 2);
  add(p, 100, 0, 1);
  add(p, 100, 0, 2);
  QVpathCalc c;
  c.mode = QV_CALC_AT_LENGTH | (5 << 16);
  c.length = 1000;
  qv_path_calculate_points(p, c, nullptr);
  EXPECT_EQ(QV_CALC_AT_LENGTH | (5 << 16), c.mode);
  EXPECT_EQ(5, c.option_flags);
  EXPECT_NEAR(length_of(p), c.length, 1e-9);
  EXPECT_DOUBLE_EQ(100.0, c.x);
  EXPECT_DOUBLE_EQ(90.0, c.handle_in_x);
  EXPECT_DOUBLE_EQ(110.0, c.handle_out_x);
  EXPECT_DOUBLE_EQ(-10.0, c.handle_out_y);
  EXPECT_NEAR(std::atan2(-10.0, 10.0), c.angle, 1e-12);
  // At length 0 the point is the start, heading to the first handle.
  const auto z = measure(p, QV_CALC_AT_LENGTH, 0);
  EXPECT_DOUBLE_EQ(0.0, z.x);
  EXPECT_DOUBLE_EQ(0.0, z.angle);
}

TEST(GeometryUntilX, StopsWhereTheBoxReachesTheCoordinate) {
  QVpathCalc c;
  c.mode = QV_CALC_UNTIL_X_MAX;
  c.length = 1e9;
  c.target_coordinate = 40;
  qv_path_calculate_points(line(0, 0, 100, 0), c, nullptr);
  EXPECT_NEAR(40.0, c.x, 0.5);
  EXPECT_NEAR(40.0, c.length, 0.5);
  c.mode = QV_CALC_UNTIL_X_MIN;
  c.length = 1e9;
  qv_path_calculate_points(line(100, 0, 0, 0), c, nullptr);
  EXPECT_NEAR(40.0, c.x, 0.5);
  EXPECT_NEAR(60.0, c.length, 0.5);
  // The "at" length still limits the walk.
  c.mode = QV_CALC_UNTIL_X_MAX;
  c.length = 10;
  qv_path_calculate_points(line(0, 0, 100, 0), c, nullptr);
  EXPECT_NEAR(10.0, c.x, 0.5);
  // Already there at the start.
  c.length = 1e9;
  c.target_coordinate = -5;
  qv_path_calculate_points(line(0, 0, 100, 0), c, nullptr);
  EXPECT_DOUBLE_EQ(0.0, c.length);
  EXPECT_DOUBLE_EQ(0.0, c.x);
}

TEST(GeometryCut, BeginEndAndBothSplitAtTheLength) {
  const Points straight = line(0, 0, 100, 0);
  auto begin = cut(straight, QV_CALC_NEW_BEGIN, 40);
  ASSERT_EQ(1u, begin.size());
  EXPECT_EQ("begin", begin[0].name);
  EXPECT_NEAR(40.0, length_of(begin[0].points), 0.5);
  auto end = cut(straight, QV_CALC_NEW_END, 40, 0, "", "tail");
  ASSERT_EQ(1u, end.size());
  EXPECT_EQ("tail", end[0].name);
  EXPECT_NEAR(60.0, length_of(end[0].points), 0.5);

  const Points ring = circle(100, false);
  const double total = length_of(ring);
  auto both = cut(ring, QV_CALC_NEW_BOTH, 200, 0, "a", "");
  ASSERT_EQ(2u, both.size());
  EXPECT_EQ("a", both[0].name);
  EXPECT_EQ("end", both[1].name);
  const double a = length_of(both[0].points), b = length_of(both[1].points);
  EXPECT_NEAR(200.0, a, 0.5);
  EXPECT_NEAR(total, a + b, 0.5);
  // Both parts meet at the cut point.
  const auto &e = both[1].points;
  const auto &s = both[0].points;
  EXPECT_DOUBLE_EQ(s[s.size() - 3], e[0]);
  EXPECT_DOUBLE_EQ(s[s.size() - 2], e[1]);
}

TEST(GeometryCut, EndPartOfAClosedStrokeRunsBackToItsStart) {
  const Points ring = circle(100, true);
  const double total = length_of(ring);
  for (double at : {100.0, 500.0}) {  // a middle quarter, then the closing one
    auto both = cut(ring, QV_CALC_NEW_BOTH, at);
    ASSERT_EQ(2u, both.size());
    const auto &e = both[1].points;
    EXPECT_NEAR(total - at, length_of(e), 0.5) << at;
    const auto c = measure(as_read(e), QV_CALC_LENGTH);
    EXPECT_DOUBLE_EQ(100.0, c.end_x);
    EXPECT_DOUBLE_EQ(0.0, c.end_y);
    EXPECT_EQ(QV_POINT_ANCHOR, e.back());  // open: the writer must not close it
  }
}

TEST(GeometryCut, MiddleBetweenTwoLengths) {
  auto middle = cut(line(0, 0, 100, 0), QV_CALC_NEW_MIDDLE, 20, 50);
  ASSERT_EQ(1u, middle.size());
  EXPECT_EQ("middle", middle[0].name);
  EXPECT_NEAR(30.0, length_of(middle[0].points), 1.0);
  EXPECT_NEAR(20.0, middle[0].points[0], 0.5);
  auto named = cut(circle(100, true), QV_CALC_NEW_MIDDLE, 100, 400, "ignored", "arc");
  ASSERT_EQ(1u, named.size());
  EXPECT_EQ("arc", named[0].name);
  EXPECT_NEAR(300.0, length_of(named[0].points), 1.0);
  QVpathCalc c;
  c.mode = QV_CALC_NEW_MIDDLE;
  c.length = 20;
  c.second_length = 50;
  std::vector<QVCalcNewPath> out;
  qv_path_calculate_points(line(0, 0, 100, 0), c, &out);
  EXPECT_EQ(QV_CALC_NEW_MIDDLE, c.mode);
  EXPECT_NEAR(30.0, c.length, 1.0);
  EXPECT_NEAR(50.0, c.x, 1.0);
  EXPECT_TRUE(c.end_name.empty());  // inputs are not rewritten
}

TEST(GeometryCut, DegenerateLengths) {
  const Points p = line(0, 0, 100, 0);
  auto at_zero = cut(p, QV_CALC_NEW_BOTH, 0);
  ASSERT_EQ(2u, at_zero.size());
  EXPECT_EQ(Points(p.begin(), p.begin() + 6), at_zero[0].points);
  EXPECT_EQ(p, at_zero[1].points);
  auto beyond = cut(p, QV_CALC_NEW_BOTH, 500);
  ASSERT_EQ(2u, beyond.size());
  EXPECT_EQ(p, beyond[0].points);
  EXPECT_EQ((Points{100, 0, 1, 100, 0, 2}), beyond[1].points);
  // Both lengths beyond the end: the middle is the end point.
  auto middle = cut(p, QV_CALC_NEW_MIDDLE, 200, 300);
  ASSERT_EQ(1u, middle.size());
  EXPECT_EQ((Points{100, 0, 1, 100, 0, 2}), middle[0].points);
}

TEST(GeometryRobustness, PartialTripleIsIgnored) {
  Points p = line(0, 0, 100, 0);
  const auto plain = measure(p, QV_CALC_LENGTH);
  p.insert(p.end(), {500, 500});
  const auto padded = measure(p, QV_CALC_LENGTH);
  EXPECT_DOUBLE_EQ(plain.length, padded.length);
  EXPECT_DOUBLE_EQ(plain.end_x, padded.end_x);
  EXPECT_DOUBLE_EQ(plain.x_max, padded.x_max);
}

TEST(GeometryRobustness, NonFiniteSegmentsContributeNothing) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Points p = line(0, 0, 100, 0);
  Points tail = line(100, 0, 100, 50);
  p.insert(p.end(), tail.begin() + 6, tail.end());  // continue the stroke upwards
  p[3 * 4] = nan;                                   // the first control of the second segment
  ASSERT_NEAR(150.0, length_of(line(0, 0, 100, 0)) + length_of(tail), 1e-9);
  const auto c = measure(p, QV_CALC_LENGTH);
  EXPECT_EQ(1, c.status);
  EXPECT_NEAR(100.0, c.length, 1e-9);
  EXPECT_DOUBLE_EQ(0.0, c.y_min);
  EXPECT_DOUBLE_EQ(0.0, c.y_max);  // the bad segment's end is not in the box
}

TEST(GeometryRobustness, HugeCoordinatesFinishQuickly) {
  const auto start = std::chrono::steady_clock::now();
  for (double big : {1e12, 1e300, 1.7e308}) {
    const auto c = measure(line(-big, 0, big, 1), QV_CALC_AT_LENGTH, 1e6);
    EXPECT_EQ(1, c.status) << big;
    EXPECT_FALSE(std::isnan(c.x)) << big;
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_NEAR(2e12, length_of(line(-1e12, 0, 1e12, 0)), 1.0);
}

TEST(GeometryRobustness, UnknownModeFails) {
  QVpathCalc c;
  c.mode = 10;
  EXPECT_EQ(0, qv_path_calculate_points(line(0, 0, 100, 0), c, nullptr));
  EXPECT_EQ(10, c.mode);
}

TEST(GeometrySplit, SplitPointIsTheCurvePointAtT) {
  const QVBezier b{{{0, 0}, {10, 40}, {70, -20}, {100, 10}}};
  QVBezier l, r;
  const double t = 0.3, u = 0.7;
  qv_bezier_split(b, t, l, r);
  const double x = u * u * u * 0 + 3 * u * u * t * 10 + 3 * u * t * t * 70 + t * t * t * 100;
  const double y = 3 * u * u * t * 40 + 3 * u * t * t * -20 + t * t * t * 10;
  EXPECT_NEAR(x, l.p[3].x, 1e-12);
  EXPECT_NEAR(y, l.p[3].y, 1e-12);
  EXPECT_EQ(l.p[3].x, r.p[0].x);
  EXPECT_EQ(b.p[0].x, l.p[0].x);
  EXPECT_EQ(b.p[3].y, r.p[3].y);
}
