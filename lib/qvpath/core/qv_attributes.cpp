#include "core/qv_attributes.h"

#include <glib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <map>

#include "core/qv_angles.h"
#include "core/qv_names.h"

namespace {

QVAttrInfo number(double def, const char *format) {
  return {QVAttrShape::number, def, 0, format, true};
}
QVAttrInfo formatted(QVAttrShape shape, int def) { return {shape, 0.0, def, "%d", false}; }

const std::map<std::string, QVAttrInfo> &vocabulary() {
  static const std::map<std::string, QVAttrInfo> table = [] {
    std::map<std::string, QVAttrInfo> t;
    for (const char *k : {"stroke: ", "gradient-fg: ", "fill: ", "gradient-bg: "})
      t[k] = {QVAttrShape::color, 0, 0, nullptr, false};
    for (const char *k : {"xalign: ", "yalign: ", "supersampling-threshold: ", "palign: ",
                          "@-timeline-t: ", "@-timeline-t-temp: ", "@-timeline-dur: "})
      t[k] = number(0.0, "%0.2f");
    for (const char *k : {"stroke-spacing: ", "selection-feather: ", "gradient-offset: ",
                          "letter-spacing: ", "text-offset: ", "baseshift: ", "font-size: "})
      t[k] = number(0.0, "%0.0f");
    for (const char *k : {"fill-opacity: ", "stroke-opacity: ", "opacity: "})
      t[k] = number(100.0, "%0.1f");
    t["stroke-size: "] = number(0.0, "%0.1f");  // 0: the brush's own size
    for (const char *k :
         {"stroke-paintmode: ", "fill-paintmode: ", "paintmode: ", "gradient-form: ",
          "gradient-repeat: ", "supersampling-depth: ", "image-merge-visible: "})
      t[k] = formatted(QVAttrShape::integer, 0);
    for (const char *k : {"text-border: ", "gradient-system-nr: ", "layer-position: "})
      t[k] = formatted(QVAttrShape::integer, -1);
    t["aspect-ratio-mode: "] = formatted(QVAttrShape::aspect_ratio, 1);
    t["@-color-mode: "] = formatted(QVAttrShape::color_mode, 1);
    for (const char *k : {"text-antialising: ", "css-priority: "})
      t[k] = formatted(QVAttrShape::boolean, 1);
    for (const char *k : {"gradient-inverse: ", "gradient-dithering: ", "gradient-supersampling: "})
      t[k] = formatted(QVAttrShape::boolean, 0);
    for (const char *k : {"stroke-brush: ", "fill-pattern: ", "fill-gradient: ", "font-name: "})
      t[k] = {QVAttrShape::name, 0, 0, nullptr, true};
    t["gradient-line: "] = {QVAttrShape::gradient_line, 0, 0, nullptr, false};
    t["rotate-at: "] = {QVAttrShape::rotation, 0, 0, nullptr, false};
    t["rotate-at-add: "] = {QVAttrShape::rotation, 0, 0, nullptr, true};
    for (const char *k : {"translate: ", "marker-offsets: "})
      t[k] = {QVAttrShape::triple, 0, 0, nullptr, true};
    t["@-date: "] = {QVAttrShape::date, 0, 0, nullptr, true};
    t["@-motion-angle: "] = {QVAttrShape::motion_angle, 0, 0, nullptr, true};
    t["image-original-size: "] = {QVAttrShape::size, 0, 0, nullptr, true};
    return t;
  }();
  return table;
}

std::string lower_trimmed(const std::string &value) {
  gchar *copy = g_ascii_strdown(value.c_str(), -1);
  std::string out = g_strstrip(copy);
  g_free(copy);
  return out;
}

bool starts_with(const std::string &s, const char *prefix) {
  return s.compare(0, std::strlen(prefix), prefix) == 0;
}

bool ends_with(const std::string &s, const char *suffix) {
  const size_t n = std::strlen(suffix);
  return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

}  // namespace

QVAttrInfo qv_attribute_info(const std::string &key) {
  const auto &table = vocabulary();
  const auto it = table.find(key);
  return it == table.end() ? QVAttrInfo{} : it->second;
}

double qv_parse_number(const std::string &value) { return g_strtod(value.c_str(), nullptr); }

int qv_parse_integer(const std::string &value) {
  errno = 0;
  const long v = std::strtol(value.c_str(), nullptr, 10);
  return static_cast<int>(std::clamp<long>(v, INT_MIN, INT_MAX));
}

void qv_parse_numbers(const std::string &value, double *out, int count) {
  const char *p = value.c_str();
  for (int i = 0; i < count; ++i) {
    char *end = nullptr;
    out[i] = g_strtod(p, &end);
    p = end;
  }
}

QVColor qv_parse_color(const std::string &value) {
  double v[3];
  qv_parse_numbers(value, v, 3);
  return {v[0] / 255.0, v[1] / 255.0, v[2] / 255.0};
}

int qv_parse_boolean(const std::string &value) {
  const std::string word = lower_trimmed(value);
  if (word == "off") return 0;
  if (word == "on") return 1;
  return qv_parse_integer(value);
}

int qv_parse_color_mode(const std::string &value) {
  for (int mode = 0; mode <= 4; ++mode)
    if (value == qv_color_mode_name(mode)) return mode;
  return 1;
}

const char *qv_color_mode_name(int mode) {
  static const char *const names[] = {"RGB", "HSV short", "HSV long", "HSV cw", "HSV ccw"};
  return mode >= 0 && mode <= 4 ? names[mode] : names[1];
}

int qv_normalise_aspect_ratio(int mode) { return (mode & 8) ? (mode | 1 | 4) : mode; }

QVRotation qv_parse_rotation(const std::string &value) {
  double v[3];
  qv_parse_numbers(value, v, 3);
  QVRotation r;
  r.angle = v[0];
  r.x = v[1];
  r.y = v[2];
  r.x2 = r.x + 100.0 * std::cos(qv_radians(r.angle));
  r.y2 = r.y + 100.0 * std::sin(qv_radians(r.angle));
  r.length = 100.0;
  return r;
}

QVRotation qv_parse_gradient_line(const std::string &value) {
  double v[4];
  qv_parse_numbers(value, v, 4);
  QVRotation r;
  r.x = v[0];
  r.y = v[1];
  r.x2 = v[2];
  r.y2 = v[3];
  return r;
}

QVmotionAngle qv_parse_motion_angle(const std::string &value) {
  const std::string text = lower_trimmed(value);
  auto number_after = [&](const char *word) {
    return starts_with(text, word) ? qv_parse_number(text.substr(std::strlen(word)))
                                   : qv_parse_number(text);
  };
  if (starts_with(text, "auto") || ends_with(text, "auto")) return {2, number_after("auto")};
  if (starts_with(text, "roll") || ends_with(text, "roll")) {
    const double angle = number_after("roll");
    return {1, angle > 0 ? angle : 100.0};
  }
  if (starts_with(text, "fixed")) return {0, number_after("fixed")};
  return {0, qv_parse_number(text)};
}

QVTriple qv_parse_triple(const std::string &value) {
  QVTriple t;
  qv_parse_numbers(value, t.v, 3);
  return t;
}

QVSize qv_parse_size(const std::string &value) {
  QVSize s;
  qv_parse_numbers(value, &s.v[2], 2);
  return s;
}

std::string qv_value_extension(const std::string &value) {
  const auto semicolon = value.find(';');
  return semicolon == std::string::npos ? std::string() : value.substr(semicolon);
}

std::string qv_format(const char *format, ...) {
  va_list args;
  va_start(args, format);
  gchar *text = g_strdup_vprintf(format, args);
  va_end(args);
  std::string out = text;
  g_free(text);
  std::replace(out.begin(), out.end(), ',', '.');
  return out;
}

std::string qv_format_color(const QVColor &c) {
  return qv_format("%0.0f %0.0f %0.0f", c.r * 255.0, c.g * 255.0, c.b * 255.0);
}

std::string qv_format_rotation(const QVRotation &r) {
  return qv_format("%0.1f %0.0f %0.0f", r.angle, r.x, r.y);
}

std::string qv_format_gradient_line(const QVRotation &l) {
  return qv_format("%0.1f %0.1f %0.1f %0.1f", l.x, l.y, l.x2, l.y2);
}

int qv_aspect_ratio_default(const std::string &path_name) {
  const auto tag = qv_name_query_text(path_name, QV_NAME_BRACKET);
  return (!tag || *tag == "[Image]") ? 1 : 7;
}

double qv_font_size_from_points(const std::string &path_name, const double *points, size_t count) {
  const auto tag = qv_name_query_text(path_name, QV_NAME_BRACKET);
  const bool tagged = tag && tag->compare(0, 2, "[@") != 0;
  // Points are (x, y, type) triples; y of point i is at 3i + 1.
  auto y = [&](size_t i) { return points[3 * i + 1]; };
  if (tagged && count >= 11 * 3) return std::fabs(y(9) - y(6));
  if (count >= 5 * 3) return std::fabs(y(3) - y(0));
  return 0.0;
}

namespace {

size_t point_count(const std::vector<double> &points) { return points.size() / 3; }
QVPoint point_at(const std::vector<double> &points, size_t i) {
  return {points[3 * i], points[3 * i + 1]};
}

}  // namespace

std::optional<QVRotation> qv_rotation_from_helper(const std::vector<double> &points) {
  const size_t n = point_count(points);
  if (n == 0) return std::nullopt;
  const QVPoint centre = point_at(points, 0);
  const QVPoint handle = point_at(points, n < 5 ? std::min<size_t>(1, n - 1) : 3);
  QVRotation r;
  r.x = centre.x;
  r.y = centre.y;
  r.x2 = handle.x;
  r.y2 = handle.y;
  r.length = std::hypot(r.x2 - r.x, r.y2 - r.y);
  r.angle = qv_degrees(std::atan2(r.y2 - r.y, r.x2 - r.x));
  return r;
}

std::optional<QVRotation> qv_gradient_line_from_helper(const std::vector<double> &points) {
  const size_t n = point_count(points);
  if (n == 0) return std::nullopt;
  const QVPoint start = point_at(points, 0);
  const QVPoint end = point_at(points, n < 2 ? 0 : n < 4 ? 1 : 3);
  QVRotation line;
  line.x = start.x;
  line.y = start.y;
  line.x2 = end.x;
  line.y2 = end.y;
  return line;
}
