// Path geometry on the point triple list (x, y, type per point; type 1
// anchor, 2 control point, 3 anchor that starts a further stroke). Cubic
// segments are anchor, control, control, anchor; lengths are measured by
// subdividing each segment until it is flat to within half a pixel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr double QV_POINT_ANCHOR = 1.0;
constexpr double QV_POINT_CONTROL = 2.0;
constexpr double QV_POINT_STROKE_START = 3.0;

// Modes of a measurement (the low 16 bits of QVpathCalc::mode).
enum QVCalcMode : int32_t {
  QV_CALC_LENGTH = 0,       // total length, begin, end, bounding box
  QV_CALC_AT_LENGTH = 1,    // point, angle and handles at `length`
  QV_CALC_NEAREST = 2,      // point nearest to (target_x, target_y)
  QV_CALC_BBOX = 3,         // bounding box
  QV_CALC_UNTIL_X_MIN = 4,  // walk until x-min <= target_coordinate
  QV_CALC_UNTIL_X_MAX = 5,  // walk until x-max >= target_coordinate
  QV_CALC_NEW_BEGIN = 6,    // new path: beginning to `length`
  QV_CALC_NEW_END = 7,      // new path: `length` to the end
  QV_CALC_NEW_BOTH = 8,     // both new paths
  QV_CALC_NEW_MIDDLE = 9,   // new path: `length` to `second_length`
};

// In and out parameters of a measurement.
struct QVpathCalc {
  int32_t mode = 0;                           // low 16 bits the mode, high 16 bits option flags
  int32_t status = 0;                         // out: 1 computed, -1 the path has no points
  double length = 0;                          // in: the "at" length; out: the walked length
  double nearest_length = 0;                  // out (mode 2)
  double second_length = 0;                   // in (mode 9): the "to" length
  double angle = 0;                           // out: direction at the point found, radians
  double x = 0, y = 0;                        // out: the point found
  double handle_in_x = 0, handle_in_y = 0;    // out: control point before it
  double handle_out_x = 0, handle_out_y = 0;  // out: control point after it
  double target_x = 0, target_y = 0;          // in (mode 2)
  double begin_x = 0, begin_y = 0, begin_angle = 0;   // out
  double end_x = 0, end_y = 0, end_angle = 0;         // out
  double x_min = 0, y_min = 0, x_max = 0, y_max = 0;  // out: bounding box
  double target_coordinate = 0;                       // in (modes 4 and 5)
  std::string begin_name;    // in: name of the begin part (modes 6, 8); "" = "begin"
  std::string end_name;      // in: name of the end part (modes 7, 8, 9); "" = "end" / "middle"
  int32_t option_flags = 0;  // out: copy of the mode's high 16 bits
};

// New paths cut by modes 6 to 9, as point lists with their names.
struct QVCalcNewPath {
  std::string name;
  std::vector<double> points;
};

// Measures a point list. Returns 1 when computed, 0 on failure (fewer than
// two points: status -1 and all outputs 0; an unknown mode: status 0).
// Lengths are sums of chords of pieces flat to 0.5 px, so they fall short of
// the arc length by far less than 0.1 %; a walk that stops at a length
// overshoots it by at most one piece (0.71 px). A trailing partial triple is
// ignored; segments with a non-finite coordinate contribute nothing. A closed
// stroke (one that ends in two control points) includes its closing segment.
// Modes 6 to 9 append the new paths to `new_paths` (may be null for the other
// modes) in the order begin part, end part; mode 9 appends only the middle.
int qv_path_calculate_points(const std::vector<double> &points, QVpathCalc &calc,
                             std::vector<QVCalcNewPath> *new_paths);

struct QVPoint {
  double x = 0, y = 0;
};

// A cubic Bézier segment: anchor, control, control, anchor.
struct QVBezier {
  QVPoint p[4];
};

// De Casteljau split at parameter t (0..1): `left` covers [0, t] and `right`
// [t, 1]; left.p[3] == right.p[0] is the point at t. Exact up to rounding;
// the affine form never overflows for finite input.
void qv_bezier_split(const QVBezier &b, double t, QVBezier &left, QVBezier &right);
