#include "core/qv_keyspline.h"

#include <glib.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

#include "core/qv_angles.h"
#include "core/qv_geometry.h"
#include "core/qv_keyframes.h"
#include "core/qv_names.h"
#include "core/qv_style.h"

namespace {

double clamp_t(double t) { return std::isnan(t) ? 0.0 : std::clamp(t, 0.0, 1.0); }

// A positive tattoo, or 0 for anything else ("12x", "-3", "99999999999").
int32_t read_tattoo(const std::string &word) {
  if (word.empty() || word.size() > 10) return 0;
  for (char c : word)
    if (!g_ascii_isdigit(c)) return 0;
  const long long value = std::stoll(word);
  return value > 0 && value <= INT32_MAX ? static_cast<int32_t>(value) : 0;
}

std::vector<int32_t> read_tattoos(const std::string &text) {
  std::vector<int32_t> out;
  gchar **words = g_strsplit_set(text.c_str(), " \t", -1);
  for (gchar **w = words; *w; ++w)
    if (const int32_t tattoo = read_tattoo(*w)) out.push_back(tattoo);
  g_strfreev(words);
  return out;
}

}  // namespace

std::optional<QVkeyPair> qv_keyspline_key_pair(size_t n, double t) {
  if (n == 0) return std::nullopt;
  const double p = static_cast<double>(n - 1) * clamp_t(t);
  const double k = std::floor(p);
  if (n == 1 || k >= static_cast<double>(n - 1)) return QVkeyPair{0, 0, 0.0};
  const size_t i = static_cast<size_t>(k);
  return QVkeyPair{n - 1 - i, n - 2 - i, p - k};
}

std::vector<std::vector<int32_t>> qv_keyspline_tattoo_groups(const std::string &value) {
  std::vector<std::vector<int32_t>> groups;
  gchar **parts = g_strsplit(value.c_str(), ";", -1);
  for (gchar **part = parts; *part; ++part) {
    auto group = read_tattoos(*part);
    if (!group.empty()) groups.push_back(std::move(group));
  }
  g_strfreev(parts);
  return groups;
}

std::vector<int32_t> qv_keyspline_tattoo_list(const std::string &value) {
  std::string text = value;
  std::replace(text.begin(), text.end(), ';', ' ');
  return read_tattoos(text);
}

double qv_time_curve_of_points(const std::vector<double> &points, double t) {
  t = clamp_t(t);
  QVpathCalc box;
  box.mode = QV_CALC_BBOX;
  if (!qv_path_calculate_points(points, box, nullptr)) return t;
  const QVtimeCurveTarget target = qv_time_curve_target(box.begin_x, box.x, t);
  if (target.unchanged) return t;
  QVpathCalc walk;
  walk.mode = target.walk_mode;
  walk.target_coordinate = target.x;
  walk.length = std::numeric_limits<double>::max();  // only the coordinate ends this walk
  if (!qv_path_calculate_points(points, walk, nullptr)) return t;
  return qv_time_curve_t(walk.y, box.y_min, box.y_max, t);
}

std::optional<QVmotionPlacement> qv_motion_placement(const std::vector<double> &motion_points,
                                                     double m, const QVmotionAngle &angle) {
  QVpathCalc whole;
  whole.mode = QV_CALC_LENGTH;
  if (motion_points.size() < 6 || !qv_path_calculate_points(motion_points, whole, nullptr))
    return std::nullopt;
  const double distance = clamp_t(m) * whole.length;
  QVpathCalc at;
  at.mode = QV_CALC_AT_LENGTH;
  at.length = distance;
  if (!qv_path_calculate_points(motion_points, at, nullptr)) return std::nullopt;

  double radians = qv_radians(angle.angle);                           // fixed
  if (angle.mode == 2) radians = at.angle + qv_radians(angle.angle);  // auto
  if (angle.mode == 1) {                                              // roll
    const double per_turn = angle.angle > 0 ? angle.angle : 100.0;
    radians = distance / per_turn * 2.0 * QV_PI;
  }
  QVmotionPlacement out;
  out.start_x = whole.begin_x;
  out.start_y = whole.begin_y;
  out.dx = at.x - whole.begin_x;
  out.dy = at.y - whole.begin_y;
  out.angle_degrees = qv_degrees(radians);
  return out;
}

double qv_sequence_offset(const std::string &name) {
  const std::string own = qv_name_query_text(name, QV_NAME_AFTER_GROUP).value_or(name);
  const char *text = own.c_str();
  while (*text == ' ') ++text;
  if (!g_ascii_isdigit(*text) && !((*text == '-' || *text == '+' || *text == '.') && text[1]))
    return 0.0;
  const double value = g_ascii_strtod(text, nullptr);
  return std::isfinite(value) ? value : 0.0;
}

std::string qv_date_value_text(const std::string &value, const std::string &path_name) {
  gchar *folded = g_ascii_strdown(value.c_str(), -1);
  const bool use_name = std::string(g_strstrip(folded)) == "use pathname";
  g_free(folded);
  if (!use_name) return value;
  return qv_name_query_text(path_name, QV_NAME_AFTER_BRACKET).value_or(path_name);
}

std::string qv_style_resolve_date_name(const std::string &style, const std::string &path_name) {
  static const std::string key = "@-date: ";
  QVStyleItems items = qv_style_split(style);
  for (std::string &item : items)
    if (item.compare(0, key.size(), key) == 0)
      item = key + qv_date_value_text(item.substr(key.size()), path_name);
  return qv_style_join(items);
}

std::optional<QVdtfNumbers> qv_date_range_at(const std::string &text, double t) {
  t = clamp_t(t);
  const QVdtfParsed start = qv_dtf_parse(text.c_str(), -1);
  const size_t rest = std::min(start.end, text.size());
  const QVdtfParsed end = qv_dtf_parse(text.c_str() + rest, -1);
  if (t == 0.0 && start.found) return start.date;
  if (t == 1.0 && end.found) return end.date;
  if (start.found && end.found) return qv_dtf_interpolate(QV_DTF_DATE, start.date, end.date, t);
  return std::nullopt;
}
