#include "core/qv_transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kPi = 3.14159265358979323846;

void expect_point(QVPoint expected, QVPoint actual, double tolerance = 1e-9) {
  EXPECT_NEAR(expected.x, actual.x, tolerance);
  EXPECT_NEAR(expected.y, actual.y, tolerance);
}

void expect_matrix(const QVMatrix3 &expected, const QVMatrix3 &actual, double tolerance = 1e-9) {
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(expected.m[i], actual.m[i], tolerance) << "entry " << i;
}

bool same(const QVAffine &p, const QVAffine &q) {
  return p.a == q.a && p.b == q.b && p.c == q.c && p.d == q.d && p.e == q.e && p.f == q.f;
}

const std::array<QVPoint, 4> kSquare = {{{100, 0}, {0, 0}, {0, 100}, {100, 100}}};
const std::array<QVPoint, 4> kQuad = {{{180, 20}, {10, 5}, {30, 160}, {150, 140}}};

// An 11-point list whose anchors 0, 3, 6, 9 are the given corners.
std::vector<double> list_with_anchors(const std::array<QVPoint, 4> &corners) {
  std::vector<double> points;
  for (int i = 0; i < 11; ++i) {
    const QVPoint p = i % 3 == 0 && i / 3 < 4 ? corners[i / 3] : QVPoint{-1, -1};
    points.insert(points.end(), {p.x, p.y, i % 3 == 0 ? 1.0 : 2.0});
  }
  return points;
}

// ---- Affine composer ----------------------------------------------------------

TEST(TransformAffine, RotateAtTurnsAboutTheCentre) {
  QVAffine m;
  ASSERT_TRUE(qv_affine_compose(m, QV_OP_ROTATE_AT, 90, 100, 100));
  expect_point({100, 200}, qv_affine_map(m, {200, 100}));
  expect_point({100, 100}, qv_affine_map(m, {100, 100}));

  QVAffine r;
  ASSERT_TRUE(qv_affine_compose(r, QV_OP_ROTATE_AT_RADIANS, kPi / 2, 100, 100));
  expect_point({100, 200}, qv_affine_map(r, {200, 100}));
}

TEST(TransformAffine, OperationsActInTheOrderAppended) {
  QVAffine m;
  qv_affine_compose(m, QV_OP_ROTATE_AT, 90, 0, 0);
  qv_affine_compose(m, QV_OP_MOVE_TO, 10, 0);
  expect_point({10, 1}, qv_affine_map(m, {1, 0}));

  // The other order moves first: (1, 0) → (11, 0) → (0, 11).
  QVAffine n;
  qv_affine_compose(n, QV_OP_MOVE_TO, 10, 0);
  qv_affine_compose(n, QV_OP_ROTATE_AT, 90, 0, 0);
  expect_point({0, 11}, qv_affine_map(n, {1, 0}));
}

TEST(TransformAffine, UnknownNamesAndNonFiniteArgumentsLeaveTheMatrix) {
  QVAffine m;
  qv_affine_compose(m, QV_OP_MOVE_TO, 3, 4);
  const QVAffine before = m;
  EXPECT_FALSE(qv_affine_compose(m, "rotate-at:", 90, 0, 0));  // no blank
  EXPECT_FALSE(qv_affine_compose(m, "translate: ", 1, 1));
  EXPECT_FALSE(qv_affine_compose(m, "", 1, 1));
  EXPECT_FALSE(qv_affine_compose(m, QV_OP_ROTATE_AT, kNaN, 0, 0));
  EXPECT_FALSE(qv_affine_compose(m, QV_OP_ROTATE_AT, 90, kInf, 0));
  EXPECT_FALSE(qv_affine_compose(m, QV_OP_MOVE_TO, 1, kNaN));
  EXPECT_TRUE(same(before, m));
}

TEST(TransformAffine, TransformMatrixMapsCoordinatesAndKeepsTypes) {
  QVAffine m;
  qv_affine_compose(m, QV_OP_MOVE_TO, 5, -5);
  std::vector<double> points = {0, 0, 1, 1, 1, 2, 2, 2, 3, 7, 7};  // trailing pair
  const std::vector<double> original = points;

  EXPECT_FALSE(qv_affine_apply(m, "transform-matrix:", points));
  EXPECT_FALSE(qv_affine_apply(m, "move-to: ", points));
  EXPECT_EQ(original, points);

  ASSERT_TRUE(qv_affine_apply(m, QV_OP_TRANSFORM_MATRIX, points));
  EXPECT_EQ((std::vector<double>{5, -5, 1, 6, -4, 2, 7, -3, 3, 7, 7}), points);
}

TEST(TransformAffine, RotatePointMatchesTheComposedRotation) {
  expect_point({0, 2}, qv_rotate_point({1, 1}, {0, 1}, kPi / 2));
  QVAffine m;
  qv_affine_compose(m, QV_OP_ROTATE_AT_RADIANS, 0.7, 3, -2);
  expect_point(qv_affine_map(m, {8, 9}), qv_rotate_point({8, 9}, {3, -2}, 0.7));
}

// ---- Placement ----------------------------------------------------------------

TEST(TransformPlacement, RotationSkippedAtWholeTurnsInHundredths) {
  EXPECT_FALSE(qv_rotation_is_effective(0));
  EXPECT_FALSE(qv_rotation_is_effective(360));
  EXPECT_FALSE(qv_rotation_is_effective(-720));
  EXPECT_FALSE(qv_rotation_is_effective(0.004));
  EXPECT_FALSE(qv_rotation_is_effective(-0.009));
  EXPECT_FALSE(qv_rotation_is_effective(360.009));
  EXPECT_TRUE(qv_rotation_is_effective(359.996));
  EXPECT_TRUE(qv_rotation_is_effective(0.01));
  EXPECT_TRUE(qv_rotation_is_effective(-90));
  // No integer cast: huge and non-finite angles are decided without UB.
  EXPECT_FALSE(qv_rotation_is_effective(kNaN));
  EXPECT_FALSE(qv_rotation_is_effective(kInf));
  EXPECT_FALSE(qv_rotation_is_effective(1e300 * 1e10));
  EXPECT_FALSE(qv_rotation_is_effective(std::ldexp(360.0, 60)));  // 1125·2^65 hundredths
  EXPECT_TRUE(qv_rotation_is_effective(std::ldexp(1.5, 70)));
}

TEST(TransformPlacement, SumsBothRotationsThenTranslates) {
  QVRotation at, add;
  at.angle = 60, at.x = 40, at.y = 50;
  add.angle = 30, add.x = 60, add.y = 50;  // together 90° about (100, 100)
  const QVAffine m = qv_placement_matrix(at, add, 5, 7);
  expect_point({105, 207}, qv_affine_map(m, {200, 100}));

  // A skipped rotation leaves only the translation, exactly.
  at.angle = 360.004, add.angle = 0.0;
  const QVAffine t = qv_placement_matrix(at, add, 5, 7);
  EXPECT_TRUE(same(qv_affine_translation(5, 7), t));

  // NaN inputs cannot spread into the drawn points.
  at.angle = kNaN;
  const QVAffine n = qv_placement_matrix(at, add, kNaN, 7);
  EXPECT_TRUE(same(QVAffine{}, n));
}

TEST(TransformPlacement, MarkerTurnsOntoTheEndDirection) {
  QVRotation none;
  // A marker drawn pointing up (−y), its tip at the offset (0, −10), on a
  // path that runs along +x through (50, 50): the tip lands on the end point
  // and the body lies along the path at the start, beyond it at the end.
  const QVAffine s = qv_marker_matrix({0, -10}, QVMarkerEnd::start, 0.0, {50, 50}, none);
  expect_point({50, 50}, qv_affine_map(s, {0, -10}));
  expect_point({60, 50}, qv_affine_map(s, {0, 0}));
  const QVAffine e = qv_marker_matrix({0, -10}, QVMarkerEnd::end, 0.0, {50, 50}, none);
  expect_point({50, 50}, qv_affine_map(e, {0, -10}));
  expect_point({40, 50}, qv_affine_map(e, {0, 0}));

  // The path's own rotation acts last, about its centre.
  QVRotation turned;
  turned.angle = 180, turned.x = 50, turned.y = 0;
  const QVAffine r = qv_marker_matrix({0, -10}, QVMarkerEnd::end, 0.0, {50, 50}, turned);
  expect_point({60, -50}, qv_affine_map(r, {0, 0}));
}

// ---- 3×3 matrices -------------------------------------------------------------

TEST(TransformMatrix3, ProductIsRowByColumn) {
  const QVMatrix3 a{{1, 2, 3, 4, 5, 6, 7, 8, 10}};
  const QVMatrix3 b{{0, 1, 0, 0, 0, 1, 1, 0, 0}};  // cyclic permutation
  expect_matrix(QVMatrix3{{3, 1, 2, 6, 4, 5, 10, 7, 8}}, qv_matrix3_multiply(a, b), 0);
  expect_matrix(a, qv_matrix3_multiply(a, qv_matrix3_identity()), 0);
}

TEST(TransformMatrix3, InverseRoundTrip) {
  const QVMatrix3 a{{2, 1, 0, 1, 3, 1, 0.5, 0, 4}};
  const QVMatrix3Result inv = qv_matrix3_invert(a);
  ASSERT_TRUE(inv.ok);
  expect_matrix(qv_matrix3_identity(), qv_matrix3_multiply(a, inv.matrix), 1e-12);
  expect_matrix(qv_matrix3_identity(), qv_matrix3_multiply(inv.matrix, a), 1e-12);

  // A zero on the first pivot needs a row exchange, not a failure.
  const QVMatrix3 p{{0, 1, 0, 1, 0, 0, 0, 0, 1}};
  const QVMatrix3Result pinv = qv_matrix3_invert(p);
  ASSERT_TRUE(pinv.ok);
  expect_matrix(p, pinv.matrix, 0);
}

TEST(TransformMatrix3, InverseCleansRoundingNoise) {
  // With decimal entries the inverse's [1][0] is 0; elimination leaves about
  // 1e-16 there, which must come back as a clean 0.
  const QVMatrix3 a{{1.1, 0.4, 0.1, 0.4, 1.1, 1.1, 0.4, 0.7, 1.1}};
  const QVMatrix3Result inv = qv_matrix3_invert(a);
  ASSERT_TRUE(inv.ok);
  EXPECT_EQ(0.0, inv.matrix.m[3]);
  expect_matrix(qv_matrix3_identity(), qv_matrix3_multiply(a, inv.matrix), 1e-12);
}

TEST(TransformMatrix3, SingularOrNonFiniteInverseFailsWithIdentity) {
  const QVMatrix3 rows_equal{{1, 2, 3, 1, 2, 3, 0, 1, 5}};
  const QVMatrix3 zero_column{{1, 0, 3, 4, 0, 6, 7, 0, 9}};
  const QVMatrix3 with_nan{{1, 0, 0, 0, kNaN, 0, 0, 0, 1}};
  const QVMatrix3 overflow{{1e-310, 0, 0, 0, 1, 0, 0, 0, 1}};  // 1/1e-310 = inf
  for (const QVMatrix3 &m : {rows_equal, zero_column, with_nan, overflow, QVMatrix3{{}}}) {
    const QVMatrix3Result r = qv_matrix3_invert(m);
    EXPECT_FALSE(r.ok);
    expect_matrix(qv_matrix3_identity(), r.matrix, 0);
  }
}

TEST(TransformMatrix3, MapDividesByTheThirdComponent) {
  const QVMatrix3 m{{2, 0, 1, 0, 2, 0, 0, 0, 2}};
  const auto p = qv_matrix3_map(m, {3, 4});
  ASSERT_TRUE(p);
  expect_point({3.5, 4}, *p, 0);

  // The line x = 1 maps to infinity under this matrix.
  const QVMatrix3 horizon{{1, 0, 0, 0, 1, 0, -1, 0, 1}};
  EXPECT_FALSE(qv_matrix3_map(horizon, {1, 7}));
  EXPECT_FALSE(qv_matrix3_map(m, {kNaN, 0}));
  EXPECT_TRUE(qv_matrix3_map(horizon, {2, 7}));
}

// ---- Projective matrix from corners ---------------------------------------------

TEST(TransformProjective, EqualCornersGiveTheIdentity) {
  const QVMatrix3Result same_square = qv_matrix3_from_corners(kSquare, kSquare);
  ASSERT_TRUE(same_square.ok);
  // Defined up to a scale factor: compare after normalising m[8] to 1.
  QVMatrix3 n = same_square.matrix;
  for (double &v : n.m) v /= same_square.matrix.m[8];
  expect_matrix(qv_matrix3_identity(), n, 1e-12);

  const QVMatrix3Result same_quad = qv_matrix3_from_corners(kQuad, kQuad);
  ASSERT_TRUE(same_quad.ok);
  for (const QVPoint &p : {QVPoint{77, 31}, QVPoint{-5, 300}})
    expect_point(p, *qv_matrix3_map(same_quad.matrix, p), 1e-9);
}

TEST(TransformProjective, MapsEachCornerOntoItsTarget) {
  const QVMatrix3Result r = qv_matrix3_from_corners(kSquare, kQuad);
  ASSERT_TRUE(r.ok);
  for (int i = 0; i < 4; ++i) {
    const auto p = qv_matrix3_map(r.matrix, kSquare[i]);
    ASSERT_TRUE(p);
    expect_point(kQuad[i], *p, 1e-9);
  }
  // The inverse direction takes the target back.
  const QVMatrix3Result back = qv_matrix3_invert(r.matrix);
  ASSERT_TRUE(back.ok);
  expect_point({100, 100}, *qv_matrix3_map(back.matrix, kQuad[3]), 1e-9);
}

TEST(TransformProjective, DegenerateCornersFail) {
  // Three on one line, in either set and at any position among the four.
  const std::array<QVPoint, 4> first_three{{{0, 0}, {50, 50}, {100, 100}, {0, 100}}};
  const std::array<QVPoint, 4> last_three{{{0, 100}, {0, 0}, {50, 50}, {100, 100}}};
  const std::array<QVPoint, 4> two_equal{{{0, 0}, {0, 0}, {100, 0}, {0, 100}}};
  const std::array<QVPoint, 4> all_equal{{{7, 7}, {7, 7}, {7, 7}, {7, 7}}};
  // Collinear up to rounding at a large scale, where exact-zero tests miss.
  const std::array<QVPoint, 4> nearly{{{0, 0}, {1e6 / 3, 1e6 / 7}, {1e6, 3e6 / 7}, {0, 1e6}}};
  for (const auto &bad : {first_three, last_three, two_equal, all_equal, nearly}) {
    const QVMatrix3Result a = qv_matrix3_from_corners(kSquare, bad);
    const QVMatrix3Result b = qv_matrix3_from_corners(bad, kSquare);
    EXPECT_FALSE(a.ok);
    EXPECT_FALSE(b.ok);
    expect_matrix(qv_matrix3_identity(), a.matrix, 0);
  }
  std::array<QVPoint, 4> with_nan = kQuad;
  with_nan[2].y = kNaN;
  EXPECT_FALSE(qv_matrix3_from_corners(kSquare, with_nan).ok);
  EXPECT_FALSE(qv_matrix3_from_corners(with_nan, kSquare).ok);
}

TEST(TransformProjective, SmallButProperQuadsStillWork) {
  // The collinearity tolerance is relative: a tiny square is not degenerate.
  std::array<QVPoint, 4> tiny;
  for (int i = 0; i < 4; ++i) tiny[i] = {kSquare[i].x * 1e-6, kSquare[i].y * 1e-6};
  const QVMatrix3Result r = qv_matrix3_from_corners(tiny, kSquare);
  ASSERT_TRUE(r.ok);
  expect_point({100, 100}, *qv_matrix3_map(r.matrix, tiny[3]), 1e-6);
}

TEST(TransformProjective, FromPointListsUsesAnchorsZeroThreeSixNine) {
  const auto from = list_with_anchors(kSquare);
  const auto to = list_with_anchors(kQuad);
  ASSERT_EQ(33u, from.size());
  const QVMatrix3Result r = qv_matrix3_from_point_lists(from, to);
  ASSERT_TRUE(r.ok);
  expect_matrix(qv_matrix3_from_corners(kSquare, kQuad).matrix, r.matrix, 1e-12);

  // 32 values are too few, in either list.
  const std::vector<double> short_list(to.begin(), to.begin() + 32);
  EXPECT_FALSE(qv_matrix3_from_point_lists(from, short_list).ok);
  EXPECT_FALSE(qv_matrix3_from_point_lists(short_list, to).ok);
  EXPECT_FALSE(qv_matrix3_from_point_lists({}, {}).ok);
}

}  // namespace
