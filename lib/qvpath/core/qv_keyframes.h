// Keyframe animation of style attributes: a keyspline's attribute may hold
// several values separated by ";", spaced evenly over t in 0..1, and the
// value at t is written back in the attribute's own text form. Also the
// arithmetic of the keyspline time curve; the walks along the path that
// feed it are made on the GIMP side. Pure logic over GLib.
//
// Every t is cut to 0..1 and a NaN t counts as 0; values read from style
// text may be anything (NaN, infinities, huge numbers) and never lead to
// undefined behaviour.
#pragma once

#include <optional>
#include <string>
#include <vector>

// Colour modes, numbered as qv_parse_color_mode reads them. Any other
// number interpolates as HSV short.
constexpr int QV_COLOUR_RGB = 0;
constexpr int QV_COLOUR_HSV_SHORT = 1;
constexpr int QV_COLOUR_HSV_LONG = 2;
constexpr int QV_COLOUR_HSV_CW = 3;
constexpr int QV_COLOUR_HSV_CCW = 4;

// The line "key: w0;w1;...;wm" at t, or none when the line stays as it is
// (not an animated attribute, or fewer than two keyframes). A t that falls
// exactly on a keyframe gives "key: " and that keyframe's text unchanged.
// Colours interpolate in RGB or along the HSV hue circle; "image: " moves the
// frame number in the file name; "@-date: " moves between two dates and
// always keeps the year. Interpolated numbers that come out NaN are written
// as 0, infinite ones as the largest finite double of their sign.
std::optional<std::string> qv_attribute_interpolate(const std::string &line, double t,
                                                    int colour_mode);

// The same for one pair of values of attribute `key` ("stroke: "): the line
// at fraction f from w0 to w1, or none when the attribute does not animate.
// The in-between of two styles reads its pairs this way.
std::optional<std::string> qv_attribute_interpolate_values(const std::string &key,
                                                           const std::string &w0,
                                                           const std::string &w1, double f,
                                                           int colour_mode);

// The colour mode a style's lines ask for: the last line that is exactly
// one of the five "@-color-mode: ..." lines; none: HSV short.
int qv_style_colour_mode(const std::vector<std::string> &lines);

// The override text that carries a keyspline's animation to the drawing:
// "@-timeline-t: " with t ("%0.10f"), then the style's lines (merged, the
// last occurrence of each attribute winning), each taken at t with the
// style's colour mode; TAB-separated.
std::string qv_animated_attribute_text(const std::string &style_text, double t);

// --- Keyspline time curve ----------------------------------------------------
//
// A keyspline is read as the graph of a function: x runs from the smaller to
// the larger of its begin x (xb) and its end x (xp), and the higher the
// curve at that x, the larger t'. Image y grows downward.

struct QVtimeCurveTarget {
  bool unchanged = true;  // xb == xp (or not finite): t' = t, no walk needed
  double x = 0.0;         // the coordinate the walk is to reach
  int walk_mode = 5;      // the walk mode to reach x with: 4 when xb > xp, else 5
};

// Where the second walk of the path must go for t.
QVtimeCurveTarget qv_time_curve_target(double xb, double xp, double t);

// t' from the y that the walk found at the target x, within the path's
// vertical extent y_min..y_max: 1 - (y - y_min) / (y_max - y_min), cut to
// 0..1. A flat extent (or a result that is not a number) leaves t.
double qv_time_curve_t(double y, double y_min, double y_max, double t);
