#include "core/qv_inbetween.h"

#include <glib.h>

#include <algorithm>
#include <cmath>
#include <optional>

#include "core/qv_attributes.h"
#include "core/qv_keyframes.h"
#include "core/qv_keyspline.h"
#include "core/qv_names.h"
#include "core/qv_style.h"

namespace {

double clamp_t(double t) { return std::isnan(t) ? 0.0 : std::clamp(t, 0.0, 1.0); }

// --- Styles --------------------------------------------------------------------

std::string value_of(const std::string &line, const std::string &key) {
  return line.substr(key.size());
}

// The value of the last line of `items` with this key, or none.
std::optional<std::string> last_value(const QVStyleItems &items, const std::string &key) {
  for (auto it = items.rbegin(); it != items.rend(); ++it)
    if (!it->empty() && qv_style_item_key(*it) == key) return value_of(*it, key);
  return std::nullopt;
}

std::string interpolate_line(const std::string &line, const QVStyleItems &to_items, double t,
                             int mode, const std::string &from_name, const std::string &to_name) {
  const std::string key = qv_style_item_key(line);
  if (key == line) return line;  // no "key: value" form
  const auto to_value = last_value(to_items, key);
  if (!to_value) return line;
  std::string w0 = value_of(line, key), w1 = *to_value;
  if (key == "@-date: ") {
    w0 = qv_date_value_text(w0, from_name);
    w1 = qv_date_value_text(w1, to_name);
  }
  return qv_attribute_interpolate_values(key, w0, w1, t, mode).value_or(line);
}

// --- Names ---------------------------------------------------------------------

std::vector<std::string> split_at_hash(const std::string &name) {
  std::vector<std::string> parts;
  size_t begin = 0;
  for (;;) {
    const size_t hash = name.find('#', begin);
    parts.push_back(
        name.substr(begin, hash == std::string::npos ? std::string::npos : hash - begin));
    if (hash == std::string::npos) return parts;
    begin = hash + 1;
  }
}

std::string join_with_hash(const std::vector<std::string> &parts) {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) out += (i ? "#" : "") + parts[i];
  return out;
}

bool numbered(const std::vector<std::string> &parts) {
  return parts.size() >= 2 && g_ascii_isdigit(parts.back().c_str()[0]);
}

std::string format_count(double k) {
  return k == std::floor(k) ? qv_format("%0.0f", k) : qv_format("%0.2f", k);
}

}  // namespace

std::vector<double> qv_inbetween_points(const std::vector<double> &from,
                                        const std::vector<double> &to, double t) {
  t = clamp_t(t);
  std::vector<double> out = from;
  for (size_t i = 0; i + 2 < from.size() && i + 2 < to.size(); i += 3) {
    out[i] = (1.0 - t) * from[i] + t * to[i];
    out[i + 1] = (1.0 - t) * from[i + 1] + t * to[i + 1];
  }
  return out;
}

std::string qv_inbetween_style(const std::string &from_style, const std::string &to_style, double t,
                               const std::string &from_name, const std::string &to_name) {
  t = clamp_t(t);
  const QVStyleItems from_items = qv_style_split(from_style);
  const QVStyleItems to_items = qv_style_split(to_style);
  const int mode = qv_style_colour_mode(from_items);
  QVStyleItems out;
  for (const std::string &line : from_items) {
    if (line.empty()) continue;
    out.push_back(interpolate_line(line, to_items, t, mode, from_name, to_name));
  }
  return qv_style_join(out);
}

std::string qv_inbetween_name(const std::string &p0, const std::string &p1, double t,
                              const std::function<bool(const std::string &)> &taken) {
  t = clamp_t(t);
  std::vector<std::string> parts0 = split_at_hash(p0);
  std::vector<std::string> parts1 = split_at_hash(p1);

  double k1 = 0.0;
  if (numbered(parts1)) {
    k1 = g_ascii_strtod(parts1.back().c_str(), nullptr);
    parts1.back() = format_count(k1);
  } else {
    parts1.back() += "#0";
  }
  const double k0 =
      numbered(parts0) ? std::max(0.0, g_ascii_strtod(parts0.back().c_str(), nullptr)) : 0.0;
  k1 = std::max(0.0, k1);
  const std::string k = format_count(std::fabs(k0 + (k1 - k0) * t));
  if (parts0.size() == 1)
    parts0.back() += "#" + k;
  else
    parts0.back() = k;

  const std::string base = join_with_hash(t < 1.0 ? parts0 : parts1);
  std::string name = base;
  for (long counter = 1; taken && taken(name); ++counter)
    name = base + ":" + std::to_string(counter);
  return name;
}
