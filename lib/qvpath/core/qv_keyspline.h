// The arithmetic of keyspline animation that needs no GIMP: which two key
// paths an in-between runs between at t, the keyspline read as a time curve,
// the placement along a motion path, the start offsets of sequence paths,
// the tattoo lists and the date a date range gives at t.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/qv_attributes.h"
#include "core/qv_dates.h"

// In-between of key paths K0..Kn-1 at t: the last listed key is the shape at
// t = 0, the first listed the shape at t = 1.
struct QVkeyPair {
  size_t from = 0;  // index into the listed keys
  size_t to = 0;
  double f = 0.0;  // fraction from `from` to `to`
};
// None for n = 0.
std::optional<QVkeyPair> qv_keyspline_key_pair(size_t n, double t);

// "@-tattoos: " of an in-between: groups separated by ";", tattoos within a
// group by blanks. Words that are no positive whole number are dropped, and
// so are groups left empty.
std::vector<std::vector<int32_t>> qv_keyspline_tattoo_groups(const std::string &value);
// Of a sequence: every tattoo in listed order, ";" counting as a blank.
std::vector<int32_t> qv_keyspline_tattoo_list(const std::string &value);

// t' of a path read as the graph of a function (see qv_keyframes.h): t
// unchanged when the path has fewer than two points or begins and ends at
// the same x.
double qv_time_curve_of_points(const std::vector<double> &points, double t);

// Where motion parameter m (0..1) puts a shape that travels along a motion
// path: the shift from the path's start point S to the point at m of its
// length, and the turn about S in degrees.
struct QVmotionPlacement {
  double dx = 0, dy = 0;
  double angle_degrees = 0;
  double start_x = 0, start_y = 0;
};
// None when the motion path has fewer than two points.
std::optional<QVmotionPlacement> qv_motion_placement(const std::vector<double> &motion_points,
                                                     double m, const QVmotionAngle &angle);

// The start offset of a sequence path: the number its name (after a group
// prefix) begins with, 0 when it begins with none.
double qv_sequence_offset(const std::string &name);

// The text a "@-date: " value stands for: for "use pathname" (in any case,
// blanks around it ignored) the path's name without its bracket part, whose
// "[@]" would be read as a month word; otherwise the value itself.
std::string qv_date_value_text(const std::string &value, const std::string &path_name);

// The style with every "@-date: use pathname" line replaced by the dates the
// path's name holds. A keyspline's lines travel down to the key paths it
// draws, where "use pathname" would read the key path's name instead.
std::string qv_style_resolve_date_name(const std::string &style, const std::string &path_name);

// The date a "@-date: " range gives at t: the start date at t = 0 and the
// end date at t = 1 when they can be read, between them the interpolated
// date when both can be read; none otherwise (nothing is to be stored).
std::optional<QVdtfNumbers> qv_date_range_at(const std::string &text, double t);
