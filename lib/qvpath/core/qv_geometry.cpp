#include "core/qv_geometry.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace {

// A piece counts as flat once every coordinate of P0-P1, P2-P3 and P0-P3
// differs by at most this many pixels; its chord then stands for its length.
constexpr double kFlatness = 0.5;
constexpr double kSplitAt = 0.5;
// 2^20 pieces per segment reach the flatness for any segment shorter than
// 2^19 pixels (GIMP's largest image side). Beyond that the pieces stay a
// million chords, which is still exact to far below a pixel relative to the
// segment, while the work per segment stays bounded for absurd coordinates.
constexpr int kMaxDepth = 20;
// Fewer points than this carry no complete segment with its out-handle.
constexpr size_t kMinWalkPoints = 5;

// The point triple list seen as points; a trailing partial triple is ignored.
struct PointList {
  const double *v;
  size_t n;
  QVPoint at(size_t i) const { return {v[3 * i], v[3 * i + 1]}; }
  double type(size_t i) const { return v[3 * i + 2]; }
  bool anchor(size_t i) const {
    return type(i) == QV_POINT_ANCHOR || type(i) == QV_POINT_STROKE_START;
  }
  bool control(size_t i) const { return type(i) == QV_POINT_CONTROL; }
};

bool same(QVPoint a, QVPoint b) { return a.x == b.x && a.y == b.y; }
bool all_finite(QVPoint a) { return std::isfinite(a.x) && std::isfinite(a.y); }
double direction(QVPoint from, QVPoint to) { return std::atan2(to.y - from.y, to.x - from.x); }
// The affine form: never overflows where a + t * (b - a) would.
QVPoint lerp(QVPoint a, QVPoint b, double t) {
  return {(1 - t) * a.x + t * b.x, (1 - t) * a.y + t * b.y};
}

// The first candidate that differs from `p`, or the last one when all coincide.
QVPoint first_apart(QVPoint p, std::initializer_list<QVPoint> candidates) {
  for (QVPoint c : candidates)
    if (!same(c, p)) return c;
  return *(candidates.end() - 1);
}

struct Box {
  bool empty = true;
  double x_min = 0, y_min = 0, x_max = 0, y_max = 0;
  void add(QVPoint p) {
    if (!all_finite(p)) return;
    if (empty) {
      x_min = x_max = p.x;
      y_min = y_max = p.y;
      empty = false;
      return;
    }
    x_min = std::min(x_min, p.x);
    y_min = std::min(y_min, p.y);
    x_max = std::max(x_max, p.x);
    y_max = std::max(y_max, p.y);
  }
};

// A stroke: points [begin, end). It is closed when it ends in two control
// points, the same rule the path writer uses; its closing segment then runs
// from the last anchor back to the first.
struct Stroke {
  size_t begin, end;
};

std::vector<Stroke> strokes_of(const PointList &pl) {
  std::vector<Stroke> strokes;
  size_t begin = 0;
  for (size_t i = 1; i <= pl.n; ++i) {
    if (i == pl.n || pl.type(i) == QV_POINT_STROKE_START) {
      strokes.push_back({begin, i});
      begin = i;
    }
  }
  return strokes;
}

bool closed(const PointList &pl, const Stroke &s) {
  return s.end - s.begin >= 3 && pl.control(s.end - 1) && pl.control(s.end - 2);
}

// One segment of the walk. `last` is the index of its end anchor, or npos for
// the closing segment of a closed stroke (whose end anchor is the stroke's first).
struct Segment {
  QVBezier bez;
  size_t first = 0;
  size_t last = 0;
  Stroke stroke{0, 0};
};
constexpr size_t kClosing = static_cast<size_t>(-1);

// Calls f(segment) for every anchor-control-control-anchor run in list order;
// other shapes (straight pieces between anchors, stray controls) are stepped
// over and contribute nothing. f returns false to end the walk.
template <typename F>
void for_each_segment(const PointList &pl, F &&f) {
  for (const Stroke &s : strokes_of(pl)) {
    const bool is_closed = closed(pl, s) && pl.anchor(s.begin);
    size_t i = s.begin;
    while (i + 2 < s.end) {
      if (!(pl.anchor(i) && pl.control(i + 1) && pl.control(i + 2))) {
        ++i;
        continue;
      }
      Segment seg;
      seg.first = i;
      seg.stroke = s;
      if (i + 3 < s.end && pl.anchor(i + 3)) {
        seg.last = i + 3;
      } else if (i + 3 == s.end && is_closed) {
        seg.last = kClosing;
      } else {
        ++i;
        continue;
      }
      const size_t end_index = seg.last == kClosing ? s.begin : seg.last;
      seg.bez = {{pl.at(i), pl.at(i + 1), pl.at(i + 2), pl.at(end_index)}};
      if (!f(seg)) return;
      i += 3;
    }
  }
}

struct Walk {
  int mode = 0;
  bool stop_flag = false;
  double stop_length = 0;
  double length = 0;
  double min_distance = 0;
  double nearest_length = 0;
  double t_remainder = 0;
  QVPoint target;
  double target_coordinate = 0;
  Box box;

  bool stopped() const { return stop_flag && length >= stop_length; }
};

bool flat(const QVBezier &b) {
  const QVPoint *p = b.p;
  return !(std::fabs(p[0].x - p[1].x) > kFlatness || std::fabs(p[0].y - p[1].y) > kFlatness ||
           std::fabs(p[2].x - p[3].x) > kFlatness || std::fabs(p[2].y - p[3].y) > kFlatness ||
           std::fabs(p[0].x - p[3].x) > kFlatness || std::fabs(p[0].y - p[3].y) > kFlatness);
}

// std::hypot is several times slower than the square root and only needed
// once the squares overflow.
double distance(QVPoint a, QVPoint b) {
  const double dx = b.x - a.x, dy = b.y - a.y, squared = dx * dx + dy * dy;
  return std::isfinite(squared) ? std::sqrt(squared) : std::hypot(dx, dy);
}

void add_flat_piece(const QVBezier &b, Walk &w) {
  const double chord = distance(b.p[0], b.p[3]);
  if (std::isfinite(chord)) w.length += chord;
  if (w.mode == QV_CALC_NEAREST) {
    const double d = distance(b.p[3], w.target);
    if (d < w.min_distance) {
      w.min_distance = d;
      w.nearest_length = w.length;
    }
  }
  w.box.add(b.p[3]);
}

// Measures the piece covering `weight` of its segment's parameter range.
// Once the walk has stopped, pieces only record how much of the segment lies
// beyond the stop, which places the stop point on the segment.
void measure(const QVBezier &b, double weight, int depth, Walk &w) {
  if (!w.stopped()) {
    if ((w.mode == QV_CALC_UNTIL_X_MIN && !w.box.empty && w.box.x_min <= w.target_coordinate) ||
        (w.mode == QV_CALC_UNTIL_X_MAX && !w.box.empty && w.box.x_max >= w.target_coordinate))
      w.stop_length = w.length;
  }
  if (w.stopped()) {
    w.t_remainder += weight;
    return;
  }
  if (flat(b) || depth >= kMaxDepth) {
    add_flat_piece(b, w);
    return;
  }
  QVBezier left, right;
  qv_bezier_split(b, kSplitAt, left, right);
  measure(left, kSplitAt * weight, depth + 1, w);
  measure(right, (1 - kSplitAt) * weight, depth + 1, w);
}

bool all_finite(const QVBezier &b) {
  return all_finite(b.p[0]) && all_finite(b.p[1]) && all_finite(b.p[2]) && all_finite(b.p[3]);
}

void push(std::vector<double> &out, QVPoint p, double type) {
  out.insert(out.end(), {p.x, p.y, type});
}

void push_range(std::vector<double> &out, const PointList &pl, size_t begin, size_t end) {
  out.insert(out.end(), pl.v + 3 * begin, pl.v + 3 * end);
}

struct Parts {
  std::vector<double> begin, end;
};

// Cuts the list at parameter t of `seg`. The end part of a cut closed stroke
// runs out to the stroke's first anchor and stays open: left closed, the
// writer would close it onto the cut point instead.
Parts cut(const PointList &pl, const Segment &seg, double t) {
  QVBezier left, right;
  qv_bezier_split(seg.bez, t, left, right);
  Parts parts;
  push_range(parts.begin, pl, 0, seg.first + 1);
  push(parts.begin, left.p[1], QV_POINT_CONTROL);
  push(parts.begin, left.p[2], QV_POINT_CONTROL);
  push(parts.begin, left.p[3], QV_POINT_ANCHOR);

  push(parts.end, right.p[0], QV_POINT_ANCHOR);
  push(parts.end, right.p[1], QV_POINT_CONTROL);
  push(parts.end, right.p[2], QV_POINT_CONTROL);
  push(parts.end, right.p[3], QV_POINT_ANCHOR);
  const bool closing = seg.last == kClosing;
  if (!closing) push_range(parts.end, pl, seg.last + 1, seg.stroke.end);
  if (!closing && closed(pl, seg.stroke)) push(parts.end, pl.at(seg.stroke.begin), QV_POINT_ANCHOR);
  push_range(parts.end, pl, seg.stroke.end, pl.n);
  return parts;
}

void set_begin(const PointList &pl, QVpathCalc &calc) {
  const QVPoint p0 = pl.at(0);
  const QVPoint to = pl.n > 3   ? first_apart(p0, {pl.at(1), pl.at(2), pl.at(3)})
                     : pl.n > 2 ? first_apart(p0, {pl.at(1), pl.at(2)})
                                : pl.at(1);
  calc.begin_x = p0.x;
  calc.begin_y = p0.y;
  calc.begin_angle = direction(p0, to);
}

// The direction of arrival at point `e`: from the nearest of the up to three
// points before it that does not coincide with it.
double arrival(const PointList &pl, size_t e) {
  const QVPoint end = pl.at(e);
  if (e >= 3) return direction(first_apart(end, {pl.at(e - 1), pl.at(e - 2), pl.at(e - 3)}), end);
  if (e == 2) return direction(first_apart(end, {pl.at(1), pl.at(0)}), end);
  return direction(pl.at(0), end);
}

// Lists from the reader end with the last anchor and its out-handle, or with
// the out-handle and the stroke's first in-handle when the last stroke is
// closed. A list that ends on an anchor (hand-made, or a cut begin part) ends
// there.
void set_end(const PointList &pl, QVpathCalc &calc) {
  const size_t n = pl.n;
  QVPoint end;
  double angle;
  if (pl.anchor(n - 1)) {
    end = pl.at(n - 1);
    angle = arrival(pl, n - 1);
  } else if (!pl.control(n - 2)) {
    end = pl.at(n - 2);
    angle = arrival(pl, n - 2);
  } else {
    size_t s = n - 1;
    while (s > 0 && pl.type(s) != QV_POINT_STROKE_START) --s;
    end = pl.at(s);
    const QVPoint from = n >= 3 ? first_apart(end, {pl.at(n - 1), pl.at(n - 2), pl.at(n - 3)})
                                : first_apart(end, {pl.at(n - 1), pl.at(n - 2)});
    angle = direction(from, end);
  }
  calc.end_x = end.x;
  calc.end_y = end.y;
  calc.end_angle = angle;
}

void set_found(QVpathCalc &calc, QVPoint p, QVPoint in, QVPoint out, double angle) {
  calc.x = p.x;
  calc.y = p.y;
  calc.handle_in_x = in.x;
  calc.handle_in_y = in.y;
  calc.handle_out_x = out.x;
  calc.handle_out_y = out.y;
  calc.angle = angle;
}

// The point at t on the segment, its handles and the direction through it.
void set_found_on(QVpathCalc &calc, const QVBezier &b, double t) {
  QVBezier l, r;
  qv_bezier_split(b, t, l, r);
  const QVPoint s = l.p[3];
  const QVPoint before = first_apart(s, {l.p[2], l.p[1], l.p[0], s});
  const QVPoint after = first_apart(s, {r.p[1], r.p[2], r.p[3], s});
  set_found(calc, s, l.p[2], r.p[1], same(before, after) ? 0.0 : direction(before, after));
}

// The end anchor of the walk's last segment, its in-handle, and that handle
// mirrored around it.
void set_found_at_end(QVpathCalc &calc, const QVBezier &b) {
  const QVPoint e = b.p[3];
  const QVPoint in = b.p[2];
  const QVPoint from = first_apart(e, {b.p[2], b.p[1], b.p[0]});
  set_found(calc, e, in, {2 * e.x - in.x, 2 * e.y - in.y}, direction(from, e));
}

void set_box(QVpathCalc &calc, const Box &box) {
  calc.x_min = box.x_min;
  calc.y_min = box.y_min;
  calc.x_max = box.x_max;
  calc.y_max = box.y_max;
}

void clear_outputs(QVpathCalc &calc) {
  calc.length = calc.nearest_length = calc.angle = 0;
  set_found(calc, {}, {}, {}, 0);
  calc.begin_x = calc.begin_y = calc.begin_angle = 0;
  calc.end_x = calc.end_y = calc.end_angle = 0;
  set_box(calc, Box{});
}

bool cuts(int mode) { return mode >= QV_CALC_NEW_BEGIN && mode <= QV_CALC_NEW_MIDDLE; }

struct WalkResult {
  Walk w;
  Segment last;  // the segment the walk stopped in, or its last one
  bool have_last = false;
  bool stopped = false;
};

WalkResult walk(const PointList &pl, const QVpathCalc &calc, int mode) {
  WalkResult r;
  Walk &w = r.w;
  const QVPoint p0 = pl.at(0);
  w.mode = mode;
  w.box.add(p0);
  w.stop_flag = !(mode == QV_CALC_LENGTH || mode == QV_CALC_NEAREST || mode == QV_CALC_BBOX);
  w.stop_length = calc.length;
  w.target = {calc.target_x, calc.target_y};
  w.target_coordinate = calc.target_coordinate;
  if (mode == QV_CALC_NEAREST) w.min_distance = distance(p0, w.target);
  for_each_segment(pl, [&](const Segment &seg) {
    if (!all_finite(seg.bez)) return true;
    w.box.add(seg.bez.p[0]);
    measure(seg.bez, 1.0, 0, w);
    r.last = seg;
    r.have_last = true;
    r.stopped = w.stopped();
    return !r.stopped;
  });
  return r;
}

// A walk that stopped at length 0 leaves the first two points before the cut;
// one that never stopped leaves the whole path, and the end anchor after it.
Parts cut_parts(const PointList &pl, const QVpathCalc &calc, const WalkResult &r, double t) {
  if (r.stopped && r.w.length > 0) return cut(pl, r.last, t);
  Parts parts;
  if (r.stopped) {
    push_range(parts.begin, pl, 0, 2);
    push_range(parts.end, pl, 0, pl.n);
  } else {
    push_range(parts.begin, pl, 0, pl.n);
    const QVPoint e{calc.end_x, calc.end_y};
    push(parts.end, e, QV_POINT_ANCHOR);
    push(parts.end, e, QV_POINT_CONTROL);
  }
  return parts;
}

// One measurement of `mode` (0 to 8). Returns false when the list has no
// points; `parts`, when given, receives the cut parts in the cutting modes.
bool run(const PointList &pl, QVpathCalc &calc, int mode, Parts *parts) {
  calc.status = 1;
  if (pl.n < 2) {
    calc.status = -1;
    clear_outputs(calc);
    return false;
  }
  const QVPoint p0 = pl.at(0);
  set_begin(pl, calc);
  set_end(pl, calc);
  set_found(calc, p0, p0, pl.at(1), calc.begin_angle);
  calc.nearest_length = 0;
  if (pl.n < kMinWalkPoints) {
    Box box;
    box.add(p0);
    calc.length = 0;
    set_box(calc, box);
    return true;
  }
  const WalkResult r = walk(pl, calc, mode);
  calc.length = r.w.length;
  calc.nearest_length = r.w.nearest_length;
  set_box(calc, r.w.box);
  const double t = std::clamp(1.0 - r.w.t_remainder, 0.0, 1.0);
  if (r.stopped)
    set_found_on(calc, r.last.bez, t);
  else if (r.have_last)
    set_found_at_end(calc, r.last.bez);
  if (parts && cuts(mode)) *parts = cut_parts(pl, calc, r, t);
  return true;
}

std::string or_default(const std::string &name, const char *fallback) {
  return name.empty() ? fallback : name;
}

// Mode 9: cut off the beginning as mode 7 would, then cut the remainder
// after (second - at) as mode 6 would; only that piece is kept.
bool run_middle(const PointList &pl, QVpathCalc &calc, std::vector<QVCalcNewPath> *new_paths) {
  const double at = calc.length;
  Parts first;
  if (!run(pl, calc, QV_CALC_NEW_END, &first)) return false;
  if (first.end.empty()) return true;  // too few points to cut
  const std::string name = or_default(calc.end_name, "middle");
  const PointList rest{first.end.data(), first.end.size() / 3};
  calc.length = calc.second_length - at;
  Parts second;
  if (!run(rest, calc, QV_CALC_NEW_BEGIN, &second)) return false;
  // Both lengths beyond the end: the remainder is the end point alone.
  if (second.begin.empty()) second.begin = std::move(first.end);
  if (new_paths) new_paths->push_back({name, std::move(second.begin)});
  return true;
}

}  // namespace

void qv_bezier_split(const QVBezier &b, double t, QVBezier &left, QVBezier &right) {
  const QVPoint *p = b.p;
  const QVPoint p01 = lerp(p[0], p[1], t), p12 = lerp(p[1], p[2], t), p23 = lerp(p[2], p[3], t);
  const QVPoint a = lerp(p01, p12, t), c = lerp(p12, p23, t);
  const QVPoint s = lerp(a, c, t);
  left = {{p[0], p01, a, s}};
  right = {{s, c, p23, p[3]}};
}

int qv_path_calculate_points(const std::vector<double> &points, QVpathCalc &calc,
                             std::vector<QVCalcNewPath> *new_paths) {
  const int32_t entry_mode = calc.mode;
  const int mode = static_cast<int>(static_cast<uint32_t>(entry_mode) & 0xffffu);
  calc.option_flags = static_cast<int32_t>(static_cast<uint32_t>(entry_mode) >> 16);
  if (mode > QV_CALC_NEW_MIDDLE) {
    calc.status = 0;
    return 0;
  }
  const PointList pl{points.data(), points.size() / 3};
  bool ok;
  if (mode == QV_CALC_NEW_MIDDLE) {
    ok = run_middle(pl, calc, new_paths);
  } else {
    Parts parts;
    ok = run(pl, calc, mode, &parts);
    if (ok && new_paths) {
      if ((mode == QV_CALC_NEW_BEGIN || mode == QV_CALC_NEW_BOTH) && !parts.begin.empty())
        new_paths->push_back({or_default(calc.begin_name, "begin"), std::move(parts.begin)});
      if ((mode == QV_CALC_NEW_END || mode == QV_CALC_NEW_BOTH) && !parts.end.empty())
        new_paths->push_back({or_default(calc.end_name, "end"), std::move(parts.end)});
    }
  }
  calc.mode = entry_mode;
  return ok ? 1 : 0;
}
