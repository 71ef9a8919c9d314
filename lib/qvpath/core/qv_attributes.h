// The attribute vocabulary: which shape each style attribute has, how its
// value text is parsed, and how a value or default is written as text. Pure
// text and numbers; the getter in the GIMP layer adds context defaults,
// geometric defaults and helper paths.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/qv_transform.h"

enum class QVAttrShape {
  color,          // three numbers 0..255
  number,         // a double
  integer,        // an int (enumeration values)
  boolean,        // "on", "off" or an integer
  color_mode,     // "@-color-mode: "
  aspect_ratio,   // "aspect-ratio-mode: " bits
  name,           // a resource name: brush, pattern, gradient, font
  gradient_line,  // x1 y1 x2 y2
  rotation,       // angle x y
  triple,         // three numbers
  size,           // width height
  motion_angle,   // "@-motion-angle: "
  date,           // "@-date: "
  text,           // any other attribute: its text
};

// How text mode writes a number attribute's default ("%0.2f" and the like);
// also tells whether a present value is copied as written or re-formatted.
struct QVAttrInfo {
  QVAttrShape shape = QVAttrShape::text;
  double number_default = 0.0;    // number shapes
  int integer_default = 0;        // integer, boolean and color-mode shapes
  const char *format = nullptr;   // printf format of a number default
  bool copy_when_present = true;  // false: text mode re-formats the parsed value
};

QVAttrInfo qv_attribute_info(const std::string &key);

struct QVColor {
  double r = 0, g = 0, b = 0;  // 0..1
};
struct QVTriple {
  double v[3] = {0, 0, 0};
};
struct QVSize {
  double v[4] = {0, 0, 0, 0};  // v[2] width, v[3] height
};
struct QVmotionAngle {
  int32_t mode = 0;  // 0 fixed, 1 roll, 2 auto
  double angle = 0;
};

// Parsing. Numbers read as g_strtod/strtol would (leading blanks skipped,
// text after the number ignored, nothing readable gives 0), but always with
// "." as the decimal point and without undefined casts for huge values.
double qv_parse_number(const std::string &value);
int qv_parse_integer(const std::string &value);
// Reads up to `count` numbers, each starting where the previous one ended.
void qv_parse_numbers(const std::string &value, double *out, int count);
QVColor qv_parse_color(const std::string &value);
int qv_parse_boolean(const std::string &value);
int qv_parse_color_mode(const std::string &value);
const char *qv_color_mode_name(int mode);
// Bit 8 (use as marker) always brings bits 1 and 4 with it.
int qv_normalise_aspect_ratio(int mode);
// "angle x y": centre (x, y), handle 100 px away in the direction of angle;
// the handle length is that 100.
QVRotation qv_parse_rotation(const std::string &value);
QVRotation qv_parse_gradient_line(const std::string &value);
QVmotionAngle qv_parse_motion_angle(const std::string &value);
QVTriple qv_parse_triple(const std::string &value);
QVSize qv_parse_size(const std::string &value);

// ";" and what follows the first ";" of a value, or "".
std::string qv_value_extension(const std::string &value);

// printf with the C locale's "." whatever the process locale says.
std::string qv_format(const char *format, ...) __attribute__((format(printf, 1, 2)));

std::string qv_format_color(const QVColor &color);
std::string qv_format_rotation(const QVRotation &rotation);   // "%0.1f %0.0f %0.0f"
std::string qv_format_gradient_line(const QVRotation &line);  // "%0.1f %0.1f %0.1f %0.1f"

// The bracket tag of a path name decides the default of "aspect-ratio-mode: ".
int qv_aspect_ratio_default(const std::string &path_name);

// The text-mode default of "font-size: ": a size read off the path's points.
double qv_font_size_from_points(const std::string &path_name, const double *points, size_t count);

// The values a helper path's points (a triple list) spell. A rotation
// helper: centre = its first point, handle = its second point (fewer than
// five points) or its fourth. A gradient helper: start = its first point,
// end = its first, second or fourth point as it has fewer than 2, fewer than
// 4 or more points. None for a helper without points.
std::optional<QVRotation> qv_rotation_from_helper(const std::vector<double> &points);
std::optional<QVRotation> qv_gradient_line_from_helper(const std::vector<double> &points);
