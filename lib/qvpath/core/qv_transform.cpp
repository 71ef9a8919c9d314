#include "core/qv_transform.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/qv_angles.h"

namespace {

// Inverse entries below this are rounding noise of an exact zero.
constexpr double kInverseZero = 1e-14;

// Three corners count as collinear when twice their triangle's area is below
// this share of the squared extent of the corner set: far below any visible
// skew, far above the rounding of the cross product (about 1e-16 of it).
constexpr double kCollinearShare = 1e-10;

bool is_finite(double v) { return std::isfinite(v); }

bool all_finite(const QVMatrix3 &m) { return std::all_of(m.m.begin(), m.m.end(), is_finite); }

double &at(QVMatrix3 &m, int row, int col) { return m.m[row * 3 + col]; }
double at(const QVMatrix3 &m, int row, int col) { return m.m[row * 3 + col]; }

QVAffine rotation_about(double radians, double cx, double cy) {
  QVAffine m = qv_affine_translation(-cx, -cy);
  m = qv_affine_then(m, qv_affine_rotation(radians));
  return qv_affine_then(m, qv_affine_translation(cx, cy));
}

// Swaps the row with the largest |entry| in column `col` (from row `col` down)
// into place; false when every such entry is exactly 0.
bool pivot(QVMatrix3 &a, QVMatrix3 &inv, int col) {
  int best = col;
  for (int r = col + 1; r < 3; ++r)
    if (std::fabs(at(a, r, col)) > std::fabs(at(a, best, col))) best = r;
  if (at(a, best, col) == 0.0) return false;
  for (int c = 0; c < 3; ++c) {
    std::swap(at(a, col, c), at(a, best, c));
    std::swap(at(inv, col, c), at(inv, best, c));
  }
  return true;
}

void eliminate(QVMatrix3 &a, QVMatrix3 &inv, int col) {
  const double p = at(a, col, col);
  for (int c = 0; c < 3; ++c) {
    at(a, col, c) /= p;
    at(inv, col, c) /= p;
  }
  for (int r = 0; r < 3; ++r) {
    if (r == col) continue;
    const double factor = at(a, r, col);
    if (factor == 0.0) continue;
    for (int c = 0; c < 3; ++c) {
      at(a, r, c) -= factor * at(a, col, c);
      at(inv, r, c) -= factor * at(inv, col, c);
    }
  }
}

// Twice the signed area of triangle p, q, r.
double cross(QVPoint p, QVPoint q, QVPoint r) {
  return (q.x - p.x) * (r.y - p.y) - (q.y - p.y) * (r.x - p.x);
}

// Whether any three of the four corners lie on one line, relative to the
// squared extent of the set; a set of equal corners is degenerate too.
bool degenerate(const std::array<QVPoint, 4> &c) {
  double x0 = c[0].x, x1 = c[0].x, y0 = c[0].y, y1 = c[0].y;
  for (const QVPoint &p : c) {
    if (!is_finite(p.x) || !is_finite(p.y)) return true;
    x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
  }
  const double extent = std::max(x1 - x0, y1 - y0);
  const double limit = kCollinearShare * extent * extent;
  if (!(extent > 0) || !is_finite(limit)) return true;
  static constexpr int triples[4][3] = {{0, 1, 2}, {0, 1, 3}, {0, 2, 3}, {1, 2, 3}};
  for (const auto &t : triples)
    if (std::fabs(cross(c[t[0]], c[t[1]], c[t[2]])) <= limit) return true;
  return false;
}

// The matrix that maps the projective base (1,0,0), (0,1,0), (0,0,1),
// (1,1,1) onto the four corners: the first three corners as homogeneous
// columns, each scaled by the solution λ of  [c0 c1 c2]·λ = c3.
QVMatrix3Result base_to_corners(const std::array<QVPoint, 4> &c) {
  QVMatrix3 a;
  for (int k = 0; k < 3; ++k) {
    at(a, 0, k) = c[k].x;
    at(a, 1, k) = c[k].y;
    at(a, 2, k) = 1.0;
  }
  const QVMatrix3Result inv = qv_matrix3_invert(a);
  if (!inv.ok) return {};
  double lambda[3];
  for (int r = 0; r < 3; ++r)
    lambda[r] =
        at(inv.matrix, r, 0) * c[3].x + at(inv.matrix, r, 1) * c[3].y + at(inv.matrix, r, 2);
  for (int k = 0; k < 3; ++k)
    for (int r = 0; r < 3; ++r) at(a, r, k) *= lambda[k];
  return {a, true};
}

std::array<QVPoint, 4> first_four_anchors(const std::vector<double> &points) {
  std::array<QVPoint, 4> corners;
  for (size_t i = 0; i < 4; ++i) corners[i] = {points[i * 9], points[i * 9 + 1]};
  return corners;
}

}  // namespace

// ---- Affine -----------------------------------------------------------------

QVAffine qv_affine_then(const QVAffine &m, const QVAffine &t) {
  return {t.a * m.a + t.c * m.b, t.b * m.a + t.d * m.b,       t.a * m.c + t.c * m.d,
          t.b * m.c + t.d * m.d, t.a * m.e + t.c * m.f + t.e, t.b * m.e + t.d * m.f + t.f};
}

QVAffine qv_affine_rotation(double radians) {
  const double c = std::cos(radians), s = std::sin(radians);
  return {c, s, -s, c, 0, 0};
}

QVAffine qv_affine_translation(double dx, double dy) { return {1, 0, 0, 1, dx, dy}; }

bool qv_affine_compose(QVAffine &m, std::string_view operation, double v0, double v1, double v2) {
  const bool rotate_degrees = operation == QV_OP_ROTATE_AT;
  if (rotate_degrees || operation == QV_OP_ROTATE_AT_RADIANS) {
    if (!is_finite(v0) || !is_finite(v1) || !is_finite(v2)) return false;
    const double radians = rotate_degrees ? qv_radians(v0) : v0;
    m = qv_affine_then(m, rotation_about(radians, v1, v2));
    return true;
  }
  if (operation == QV_OP_MOVE_TO) {
    if (!is_finite(v0) || !is_finite(v1)) return false;
    m = qv_affine_then(m, qv_affine_translation(v0, v1));
    return true;
  }
  return false;
}

QVPoint qv_affine_map(const QVAffine &m, QVPoint p) {
  return {m.a * p.x + m.c * p.y + m.e, m.b * p.x + m.d * p.y + m.f};
}

bool qv_affine_apply(const QVAffine &m, std::string_view operation, std::vector<double> &points) {
  if (operation != QV_OP_TRANSFORM_MATRIX) return false;
  for (size_t i = 0; i + 3 <= points.size(); i += 3) {
    const QVPoint q = qv_affine_map(m, {points[i], points[i + 1]});
    points[i] = q.x;
    points[i + 1] = q.y;
  }
  return true;
}

QVPoint qv_rotate_point(QVPoint p, QVPoint centre, double radians) {
  return qv_affine_map(rotation_about(radians, centre.x, centre.y), p);
}

bool qv_rotation_is_effective(double degrees) {
  const double hundredths = std::trunc(degrees * 100.0);
  // fmod is exact, so this holds for any finite magnitude without a cast to
  // an integer type that could overflow.
  return is_finite(hundredths) && std::fmod(hundredths, 36000.0) != 0.0;
}

QVAffine qv_placement_matrix(const QVRotation &rotate_at, const QVRotation &rotate_at_add,
                             double dx, double dy) {
  const double angle = rotate_at.angle + rotate_at_add.angle;
  QVAffine m;
  if (qv_rotation_is_effective(angle))
    qv_affine_compose(m, QV_OP_ROTATE_AT, angle, rotate_at.x + rotate_at_add.x,
                      rotate_at.y + rotate_at_add.y);
  qv_affine_compose(m, QV_OP_MOVE_TO, dx, dy);
  return m;
}

QVAffine qv_marker_matrix(QVPoint offset, QVMarkerEnd end, double path_angle, QVPoint at,
                          const QVRotation &rotate_at) {
  const double turn = end == QVMarkerEnd::start ? path_angle - QV_PI / 2 : path_angle + QV_PI / 2;
  QVAffine m = qv_affine_translation(-offset.x, -offset.y);
  qv_affine_compose(m, QV_OP_ROTATE_AT_RADIANS, turn, 0, 0);
  qv_affine_compose(m, QV_OP_MOVE_TO, at.x, at.y);
  qv_affine_compose(m, QV_OP_ROTATE_AT_RADIANS, qv_radians(rotate_at.angle), rotate_at.x,
                    rotate_at.y);
  return m;
}

// ---- Projective -------------------------------------------------------------

QVMatrix3 qv_matrix3_identity() { return {}; }

QVMatrix3 qv_matrix3_multiply(const QVMatrix3 &first, const QVMatrix3 &second) {
  QVMatrix3 r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      double sum = 0;
      for (int k = 0; k < 3; ++k) sum += at(first, i, k) * at(second, k, j);
      at(r, i, j) = sum;
    }
  return r;
}

QVMatrix3Result qv_matrix3_invert(const QVMatrix3 &m) {
  if (!all_finite(m)) return {};
  QVMatrix3 a = m, inv;
  for (int col = 0; col < 3; ++col) {
    if (!pivot(a, inv, col)) return {};
    eliminate(a, inv, col);
  }
  if (!all_finite(inv)) return {};
  for (double &v : inv.m)
    if (std::fabs(v) < kInverseZero) v = 0.0;
  return {inv, true};
}

std::optional<QVPoint> qv_matrix3_map(const QVMatrix3 &m, QVPoint p) {
  const double w = at(m, 2, 0) * p.x + at(m, 2, 1) * p.y + at(m, 2, 2);
  if (w == 0.0) return std::nullopt;
  const QVPoint q{(at(m, 0, 0) * p.x + at(m, 0, 1) * p.y + at(m, 0, 2)) / w,
                  (at(m, 1, 0) * p.x + at(m, 1, 1) * p.y + at(m, 1, 2)) / w};
  if (!is_finite(q.x) || !is_finite(q.y)) return std::nullopt;
  return q;
}

QVMatrix3Result qv_matrix3_from_corners(const std::array<QVPoint, 4> &from,
                                        const std::array<QVPoint, 4> &to) {
  if (degenerate(from) || degenerate(to)) return {};
  const QVMatrix3Result s = base_to_corners(from);
  const QVMatrix3Result t = base_to_corners(to);
  if (!s.ok || !t.ok) return {};
  const QVMatrix3Result s_inv = qv_matrix3_invert(s.matrix);
  if (!s_inv.ok) return {};
  const QVMatrix3 result = qv_matrix3_multiply(t.matrix, s_inv.matrix);
  if (!all_finite(result)) return {};
  return {result, true};
}

QVMatrix3Result qv_matrix3_from_point_lists(const std::vector<double> &source,
                                            const std::vector<double> &target) {
  if (source.size() <= 32 || target.size() <= 32) return {};
  return qv_matrix3_from_corners(first_four_anchors(source), first_four_anchors(target));
}
