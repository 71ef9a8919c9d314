// Plane transforms that place drawn things: affine matrices composed from the
// placement attributes, and projective 3×3 matrices that map four corners onto
// four corners.
//
// Affine matrix (a, b, c, d, e, f) maps (x, y) to
//   x' = a·x + c·y + e,   y' = b·x + d·y + f.
// Appending T to M gives T ∘ M: operations act on a point in the order they
// were appended.
//
// Projective matrix: row-major 3×3, applied to (x, y, 1), the result divided
// by its third component.
#pragma once

#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "core/qv_geometry.h"  // QVPoint

struct QVAffine {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
};

// A rotation as the style attributes "rotate-at: " and "rotate-at-add: " give
// it: centre, handle (the point at `length` from the centre in the direction
// of `angle`), angle in degrees and handle length.
struct QVRotation {
  double x = 0, y = 0;
  double x2 = 100, y2 = 0;
  double angle = 0;
  double length = 100;
};

// ---- Affine -----------------------------------------------------------------

// Operation names understood by qv_affine_compose.
inline constexpr std::string_view QV_OP_ROTATE_AT = "rotate-at: ";
inline constexpr std::string_view QV_OP_ROTATE_AT_RADIANS = "rotate-at-radians: ";
inline constexpr std::string_view QV_OP_MOVE_TO = "move-to: ";
inline constexpr std::string_view QV_OP_TRANSFORM_MATRIX = "transform-matrix: ";

// T ∘ m.
QVAffine qv_affine_then(const QVAffine &m, const QVAffine &t);

QVAffine qv_affine_rotation(double radians);
QVAffine qv_affine_translation(double dx, double dy);

// Appends the named operation to `m`:
//   "rotate-at: "          (degrees, cx, cy)  rotation about (cx, cy)
//   "rotate-at-radians: "  (radians, cx, cy)  the same in radians
//   "move-to: "            (dx, dy)           translation
// Returns false, leaving `m` unchanged, for any other name and when an
// argument the operation uses is not finite (a NaN would poison every point
// mapped afterwards).
bool qv_affine_compose(QVAffine &m, std::string_view operation, double v0, double v1 = 0,
                       double v2 = 0);

QVPoint qv_affine_map(const QVAffine &m, QVPoint p);

// Maps x and y of every (x, y, type) triple of a point list; types and a
// trailing incomplete triple stay as they are. Runs only when `operation` is
// exactly "transform-matrix: "; returns whether it ran.
bool qv_affine_apply(const QVAffine &m, std::string_view operation, std::vector<double> &points);

// p rotated about `centre` by `radians` (counter-clockwise in a y-up frame,
// clockwise on screen where y points down).
QVPoint qv_rotate_point(QVPoint p, QVPoint centre, double radians);

// Whether a placement rotation by `degrees` is drawn at all: it is skipped
// when the angle in hundredths of a degree, cut toward zero, is a multiple of
// 36000, so that 0.004° and 360° count as none but 359.996° does not.
// Non-finite angles count as none.
bool qv_rotation_is_effective(double degrees);

// Placement of a path: rotation by the sum of both rotation records' angles
// about the sum of their centres (when effective), then translation by
// (dx, dy).
QVAffine qv_placement_matrix(const QVRotation &rotate_at, const QVRotation &rotate_at_add,
                             double dx, double dy);

enum class QVMarkerEnd { start, end };

// Placement of a marker's points: shift by −offset, turn by the path's
// direction at that end (start angle − π/2, end angle + π/2), move onto the
// end point `at`, then the path's own rotation (`rotate_at`, degrees) about
// its centre.
QVAffine qv_marker_matrix(QVPoint offset, QVMarkerEnd end, double path_angle, QVPoint at,
                          const QVRotation &rotate_at);

// ---- Projective -------------------------------------------------------------

struct QVMatrix3 {
  std::array<double, 9> m{1, 0, 0, 0, 1, 0, 0, 0, 1};
};

// A matrix with the outcome of building it; `matrix` is the identity when
// `ok` is false.
struct QVMatrix3Result {
  QVMatrix3 matrix;
  bool ok = false;
};

QVMatrix3 qv_matrix3_identity();

// first × second: r[i][j] = Σk first[i][k] · second[k][j].
QVMatrix3 qv_matrix3_multiply(const QVMatrix3 &first, const QVMatrix3 &second);

// Gauss–Jordan inversion with partial pivoting. Fails when a column has no
// non-zero pivot left, or when an entry of the input or the inverse is not
// finite. On success entries with |v| < 1e-14 are set to 0, so that exact
// inputs give exact zeros rather than rounding noise.
QVMatrix3Result qv_matrix3_invert(const QVMatrix3 &m);

// The image of p, or none when the third component is 0 (p maps to infinity)
// or the result is not finite.
std::optional<QVPoint> qv_matrix3_map(const QVMatrix3 &m, QVPoint p);

// The projective matrix that maps corner from[i] onto to[i] for i = 0..3.
// Fails when three corners of either set lie on one line (within a tolerance
// relative to the size of that set: 1e-10 of the squared extent), when a
// coordinate is not finite, or when a system turns out singular.
QVMatrix3Result qv_matrix3_from_corners(const std::array<QVPoint, 4> &from,
                                        const std::array<QVPoint, 4> &to);

// The projective matrix from the first four anchors (points 0, 3, 6, 9) of the
// source point list onto those of the target list. Both lists must hold more
// than 32 values.
QVMatrix3Result qv_matrix3_from_point_lists(const std::vector<double> &source,
                                            const std::vector<double> &target);
