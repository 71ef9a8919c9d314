#include "core/qv_keyframes.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <climits>
#include <cmath>

#include "core/qv_attributes.h"
#include "core/qv_dates.h"
#include "core/qv_style.h"

namespace {

enum class QVkeyKind { number, colour, image };

// Every output form is a run of equally precise numbers separated by blanks.
struct QVkeyForm {
  const char *key;
  QVkeyKind kind;
  int components;
  int precision;
};

constexpr QVkeyForm kForms[] = {
    {"stroke: ", QVkeyKind::colour, 3, 0},
    {"stroke-opacity: ", QVkeyKind::number, 1, 1},
    {"stroke-spacing: ", QVkeyKind::number, 1, 0},
    {"stroke-size: ", QVkeyKind::number, 1, 1},
    {"fill: ", QVkeyKind::colour, 3, 0},
    {"fill-opacity: ", QVkeyKind::number, 1, 1},
    {"selection-feather: ", QVkeyKind::number, 1, 1},
    {"gradient-fg: ", QVkeyKind::colour, 3, 0},
    {"gradient-bg: ", QVkeyKind::colour, 3, 0},
    {"gradient-offset: ", QVkeyKind::number, 1, 1},
    {"supersampling-depth: ", QVkeyKind::number, 1, 0},
    {"supersampling-threshold: ", QVkeyKind::number, 1, 2},
    {"gradient-line: ", QVkeyKind::number, 4, 1},
    {"rotate-at: ", QVkeyKind::number, 3, 1},
    {"rotate-at-add: ", QVkeyKind::number, 3, 1},
    {"translate: ", QVkeyKind::number, 2, 1},
    {"font-size: ", QVkeyKind::number, 1, 1},
    {"text-border: ", QVkeyKind::number, 1, 0},
    {"xalign: ", QVkeyKind::number, 1, 3},
    {"yalign: ", QVkeyKind::number, 1, 3},
    {"palign: ", QVkeyKind::number, 1, 3},
    {"letter-spacing: ", QVkeyKind::number, 1, 3},
    {"text-offset: ", QVkeyKind::number, 1, 3},
    {"baseshift: ", QVkeyKind::number, 1, 3},
    {"opacity: ", QVkeyKind::number, 1, 3},
    {"@-timeline-t: ", QVkeyKind::number, 1, 10},
    {"layer-position: ", QVkeyKind::number, 1, 0},
    {"image: ", QVkeyKind::image, 0, 0},
};

constexpr const char *kDateKey = "@-date: ";

using QVvec4 = std::array<double, 4>;

const QVkeyForm *find_form(const std::string &key) {
  for (const QVkeyForm &form : kForms)
    if (key == form.key) return &form;
  return nullptr;
}

double clamp_t(double t) { return std::isnan(t) ? 0.0 : std::clamp(t, 0.0, 1.0); }

// Exact at the ends, so that an infinite keyframe does not turn its
// neighbour's own position into NaN (0 × inf).
double lerp(double a, double b, double f) {
  if (f <= 0.0) return a;
  if (f >= 1.0) return b;
  return (1.0 - f) * a + f * b;
}

double printable(double v) {
  if (std::isnan(v)) return 0.0;
  return std::clamp(v, -DBL_MAX, DBL_MAX);
}

std::vector<std::string> split_keyframes(const std::string &value) {
  std::vector<std::string> frames;
  size_t start = 0;
  for (;;) {
    const size_t end = value.find(';', start);
    frames.push_back(value.substr(start, end == std::string::npos ? end : end - start));
    if (end == std::string::npos) return frames;
    start = end + 1;
  }
}

std::string trimmed(const std::string &text) {
  const char *blanks = " \t\r\n";
  const size_t begin = text.find_first_not_of(blanks);
  if (begin == std::string::npos) return {};
  return text.substr(begin, text.find_last_not_of(blanks) - begin + 1);
}

// --- Numbers -----------------------------------------------------------------

std::string format_numbers(const QVvec4 &v, const QVkeyForm &form) {
  std::string out;
  for (int i = 0; i < form.components; ++i) {
    if (i) out += ' ';
    out += qv_format("%0.*f", form.precision, printable(v[i]));
  }
  return out;
}

QVvec4 read_numbers(const std::string &text) {
  QVvec4 v{};
  qv_parse_numbers(text, v.data(), 4);
  return v;
}

QVvec4 lerp_numbers(const QVvec4 &a, const QVvec4 &b, double f) {
  QVvec4 v{};
  for (size_t i = 0; i < v.size(); ++i) v[i] = lerp(a[i], b[i], f);
  return v;
}

// --- Colours -----------------------------------------------------------------

struct QVhsv {
  double h = 0, s = 0, v = 0;  // all 0..1
};

// A colour channel in 0..1 whatever the text said.
double unit_channel(double c) { return std::isnan(c) ? 0.0 : std::clamp(c / 255.0, 0.0, 1.0); }

QVhsv rgb_to_hsv(double r, double g, double b) {
  const double max = std::max({r, g, b});
  const double min = std::min({r, g, b});
  const double delta = max - min;
  QVhsv out;
  out.v = max;
  if (max <= 0.0 || delta <= 0.0) return out;  // grey: the hue is arbitrary, say 0
  out.s = delta / max;
  double h;
  if (r == max)
    h = (g - b) / delta;
  else if (g == max)
    h = 2.0 + (b - r) / delta;
  else
    h = 4.0 + (r - g) / delta;
  h /= 6.0;
  out.h = h < 0.0 ? h + 1.0 : h;
  return out;
}

QVvec4 hsv_to_rgb(const QVhsv &c) {
  if (c.s <= 0.0) return {c.v, c.v, c.v, 0.0};
  const double h6 = (c.h >= 1.0 ? 0.0 : c.h) * 6.0;  // hue 1 is hue 0
  const int sector = std::clamp(static_cast<int>(h6), 0, 5);
  const double frac = h6 - sector;
  const double p = c.v * (1.0 - c.s);
  const double q = c.v * (1.0 - c.s * frac);
  const double u = c.v * (1.0 - c.s * (1.0 - frac));
  switch (sector) {
    case 0:
      return {c.v, u, p, 0.0};
    case 1:
      return {q, c.v, p, 0.0};
    case 2:
      return {p, c.v, u, 0.0};
    case 3:
      return {p, q, c.v, 0.0};
    case 4:
      return {u, p, c.v, 0.0};
    default:
      return {c.v, p, q, 0.0};
  }
}

// Moves one hue by a full turn so that the way from h1 to h2 runs the way
// the mode asks.
void adjust_hues(double &h1, double &h2, int mode) {
  double &smaller = h1 < h2 ? h1 : h2;
  const double gap = std::fabs(h1 - h2);
  switch (mode) {
    case QV_COLOUR_HSV_LONG:
      if (gap < 0.5) smaller += 1.0;
      break;
    case QV_COLOUR_HSV_CW:
      if (h2 < h1) h2 += 1.0;
      break;
    case QV_COLOUR_HSV_CCW:
      if (h2 > h1) h1 += 1.0;
      break;
    default:
      if (gap >= 0.5) smaller += 1.0;
      break;
  }
}

QVvec4 lerp_hsv(const QVvec4 &a, const QVvec4 &b, double f, int mode) {
  QVhsv from = rgb_to_hsv(unit_channel(a[0]), unit_channel(a[1]), unit_channel(a[2]));
  QVhsv to = rgb_to_hsv(unit_channel(b[0]), unit_channel(b[1]), unit_channel(b[2]));
  adjust_hues(from.h, to.h, mode);
  QVhsv mid{lerp(from.h, to.h, f), lerp(from.s, to.s, f), lerp(from.v, to.v, f)};
  if (mid.h > 1.0) mid.h -= 1.0;
  QVvec4 rgb = hsv_to_rgb(mid);
  for (double &c : rgb) c *= 255.0;
  return rgb;
}

// --- Frame numbers in file names -----------------------------------------------

struct QVframeName {
  std::string prefix;
  std::string digits;     // the run just before the extension; may be empty
  std::string extension;  // without its "."
  bool has_extension = false;
};

QVframeName split_frame_name(const std::string &name) {
  QVframeName out;
  // A "." in a folder name is no extension.
  const size_t dot = name.rfind('.');
  const size_t slash = name.find_last_of("/\\");
  size_t stem_end = name.size();
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
    out.has_extension = true;
    out.extension = name.substr(dot + 1);
    stem_end = dot;
  }
  size_t digits_begin = stem_end;
  while (digits_begin > 0 && g_ascii_isdigit(name[digits_begin - 1])) --digits_begin;
  out.prefix = name.substr(0, digits_begin);
  out.digits = name.substr(digits_begin, stem_end - digits_begin);
  return out;
}

double frame_number(const QVframeName &name) {
  return name.digits.empty() ? 0.0 : g_ascii_strtod(name.digits.c_str(), nullptr);
}

std::string interpolate_image(const std::string &w0, const std::string &w1, double f) {
  const QVframeName from = split_frame_name(trimmed(w0));
  if (from.digits.empty()) return w0;
  const double n =
      std::floor(lerp(frame_number(from), frame_number(split_frame_name(trimmed(w1))), f));
  if (!std::isfinite(n)) return w0;  // digit runs beyond any double
  const int width = static_cast<int>(std::min<size_t>(from.digits.size(), INT_MAX));
  std::string out = from.prefix + qv_format("%0*.0f", width, n);
  if (from.has_extension) out += "." + from.extension;
  return out;
}

// --- Dates -------------------------------------------------------------------

std::optional<std::string> interpolate_date(const std::string &w0, const std::string &w1,
                                            double f) {
  const QVdtfParsed d0 = qv_dtf_parse(w0.c_str(), -1);
  const QVdtfParsed d1 = qv_dtf_parse(w1.c_str(), -1);
  if (!d0.found && !d1.found) return std::nullopt;
  // A lone date means that date throughout, not a run towards the year 0.
  const QVdtfNumbers &a = d0.found ? d0.date : d1.date;
  const QVdtfNumbers &b = d1.found ? d1.date : d0.date;
  const QVdtfNumbers d = qv_dtf_interpolate(QV_DTF_DATE, a, b, f);
  const double year = printable(d.year);
  if (d.month > 0.1 && d.day > 0.1) return qv_format("%0.0f %0.0f %0.0f", d.day, d.month, year);
  if (d.month > 0.1) return qv_format("%0.0f %0.0f", d.month, year);
  return qv_format("%0.0f", year);
}

// --- One line ------------------------------------------------------------------

struct QVkeyPosition {
  size_t i = 0;
  double f = 0.0;
};

QVkeyPosition key_position(size_t count, double t) {
  const double p = static_cast<double>(count - 1) * t;
  const double i = std::floor(p);
  // t = 1 lands on the last keyframe itself; there is no keyframe after it.
  if (i >= static_cast<double>(count - 1)) return {count - 1, 0.0};
  return {static_cast<size_t>(i), p - i};
}

std::optional<std::string> interpolate_value(const QVkeyForm *form, const std::string &w0,
                                             const std::string &w1, double f, int colour_mode) {
  if (!form) return interpolate_date(w0, w1, f);
  if (form->kind == QVkeyKind::image) return interpolate_image(w0, w1, f);
  const QVvec4 a = read_numbers(w0);
  const QVvec4 b = read_numbers(w1);
  const bool hsv = form->kind == QVkeyKind::colour && colour_mode != QV_COLOUR_RGB;
  return format_numbers(hsv ? lerp_hsv(a, b, f, colour_mode) : lerp_numbers(a, b, f), *form);
}

}  // namespace

std::optional<std::string> qv_attribute_interpolate(const std::string &line, double t,
                                                    int colour_mode) {
  const size_t colon = line.find(':');
  if (colon == std::string::npos) return std::nullopt;
  const std::string key = line.substr(0, colon) + ": ";
  const QVkeyForm *form = find_form(key);
  if (!form && key != kDateKey) return std::nullopt;

  size_t value_begin = colon + 1;
  if (value_begin < line.size() && line[value_begin] == ' ') ++value_begin;
  const std::vector<std::string> frames = split_keyframes(line.substr(value_begin));
  if (frames.size() < 2) return std::nullopt;

  const QVkeyPosition at = key_position(frames.size(), clamp_t(t));
  if (at.f == 0.0) return key + frames[at.i];
  const auto value = interpolate_value(form, frames[at.i], frames[at.i + 1], at.f, colour_mode);
  if (!value) return std::nullopt;
  return key + *value;
}

std::optional<std::string> qv_attribute_interpolate_values(const std::string &key,
                                                           const std::string &w0,
                                                           const std::string &w1, double f,
                                                           int colour_mode) {
  const QVkeyForm *form = find_form(key);
  if (!form && key != kDateKey) return std::nullopt;
  f = clamp_t(f);
  if (f == 0.0) return key + w0;
  const auto value = interpolate_value(form, w0, w1, f, colour_mode);
  if (!value) return std::nullopt;
  return key + *value;
}

int qv_style_colour_mode(const std::vector<std::string> &lines) {
  static const std::string prefix = "@-color-mode: ";
  for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
    if (it->compare(0, prefix.size(), prefix) != 0) continue;
    const std::string name = it->substr(prefix.size());
    for (int mode = QV_COLOUR_RGB; mode <= QV_COLOUR_HSV_CCW; ++mode)
      if (name == qv_color_mode_name(mode)) return mode;
  }
  return QV_COLOUR_HSV_SHORT;
}

std::string qv_animated_attribute_text(const std::string &style_text, double t) {
  t = clamp_t(t);
  // The mode is looked for in the lines as written: a later misspelt mode
  // line must not hide an earlier valid one, as de-duplication would.
  const int mode = qv_style_colour_mode(qv_style_split(style_text));
  QVStyleItems out{qv_format("@-timeline-t: %0.10f", t)};
  // De-duplication keeps a trailing empty item; an empty line would only
  // add a stray TAB to the override text.
  for (const std::string &line : qv_style_merge(style_text, std::nullopt).value_or(QVStyleItems{}))
    if (!line.empty()) out.push_back(qv_attribute_interpolate(line, t, mode).value_or(line));
  return qv_style_join(out);
}

QVtimeCurveTarget qv_time_curve_target(double xb, double xp, double t) {
  QVtimeCurveTarget out;
  if (!std::isfinite(xb) || !std::isfinite(xp) || xb == xp) return out;
  t = clamp_t(t);
  out.unchanged = false;
  if (xb > xp) {
    out.x = xp * (1.0 - t) + xb * t;
    out.walk_mode = 4;
  } else {
    out.x = xb * (1.0 - t) + xp * t;
    out.walk_mode = 5;
  }
  return out;
}

double qv_time_curve_t(double y, double y_min, double y_max, double t) {
  const double span = y_max - y_min;
  const double result = 1.0 - (y - y_min) / span;
  if (span == 0.0 || std::isnan(result)) return clamp_t(t);
  return std::clamp(result, 0.0, 1.0);
}
