#include "gimp/style/qv_style_getter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <type_traits>

#include "core/qv_glib_ptr.h"
#include "core/qv_names.h"
#include "core/qv_style.h"
#include "gimp/paths/qv_path_calculate.h"
#include "gimp/paths/qv_path_points.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/style/qv_style_gimp.h"

namespace {

const char *const kMonthAbbreviations[] = {"Jan.", "Feb.", "Mar.", "Apr.", "May",  "Jun.",
                                           "Jul.", "Aug.", "Sep.", "Oct.", "Nov.", "Dec."};

// The path's bounding box as whole pixels, and its centre, for the
// geometric defaults.
struct QVPathBox {
  long x_min = 0, y_min = 0, x_max = 0, y_max = 0;
  double exact_x_min = 0, exact_y_min = 0, exact_x_max = 0;
  long cx() const { return (x_max - x_min) / 2 + x_min; }
  long cy() const { return (y_max - y_min) / 2 + y_min; }
};

// Truncation toward zero of coordinates that may be huge or not finite.
long truncate(double v) {
  if (!std::isfinite(v)) return 0;
  return static_cast<long>(std::clamp(v, -1e15, 1e15));
}

struct Getter {
  gint32 image;
  std::string path;
  const QVSnapshot *snapshot;
  unsigned flags;
  std::optional<QVPathBox> box_cache;

  const QVPathBox &box() {
    if (!box_cache) {
      QVpathCalc calc;
      calc.mode = QV_CALC_BBOX;
      QVPathBox box;
      if (qv_path_calculate3(image, path.c_str(), calc, image, snapshot) && calc.status == 1) {
        box = {truncate(calc.x_min),
               truncate(calc.y_min),
               truncate(calc.x_max),
               truncate(calc.y_max),
               calc.x_min,
               calc.y_min,
               calc.x_max};
      }
      box_cache = box;
    }
    return *box_cache;
  }

  bool live() const { return snapshot == nullptr; }
  bool geometry() const { return live() && (flags & QV_GET_GEOMETRY); }
};

// The live path's tattoo, for finding its helper paths (0 finds none).
long own_tattoo(const Getter &g) { return qv_path_tattoo(g.image, g.path.c_str()); }

std::vector<double> helper_points(gint32 image, const std::string &helper) {
  return qv_path_read_points(image, helper.c_str(), nullptr).points;
}

void rewrite_value(Getter &g, const char *key, const std::string &text,
                   const std::optional<std::string> &old) {
  const std::string value = text + (old ? qv_value_extension(*old) : std::string());
  qv_path_set_style_attribute(g.image, g.path.c_str(), {{key, value}});
}

// "gradient-line: " from its helper path, the stored value or the box.
QVRotation resolve_gradient_line(Getter &g, const std::optional<std::string> &value, bool &found) {
  if (g.live()) {
    if (const auto helper = qv_find_gradient_helper(qv_path_names(g.image), own_tattoo(g))) {
      if (const auto line = qv_gradient_line_from_helper(helper_points(g.image, *helper))) {
        rewrite_value(g, "gradient-line: ", qv_format_gradient_line(*line), value);
        found = true;
        return *line;
      }
    }
  }
  if (value) return qv_parse_gradient_line(*value);
  QVRotation line;
  if (g.live()) {
    const auto &b = g.box();
    line.x = static_cast<double>(b.cx());
    line.y = static_cast<double>(b.cy());
    line.x2 = static_cast<double>(b.x_max);
    line.y2 = static_cast<double>(b.cy());
  }
  return line;
}

// "rotate-at: " from its helper path, the stored value or the defaults.
QVRotation resolve_rotation(Getter &g, const std::optional<std::string> &value, bool &found) {
  if (g.live()) {
    if (const auto helper =
            qv_find_rotation_helper(qv_path_names(g.image), g.path, own_tattoo(g))) {
      if (const auto r = qv_rotation_from_helper(helper_points(g.image, *helper))) {
        rewrite_value(g, "rotate-at: ", qv_format_rotation(*r), value);
        found = true;
        return *r;
      }
    }
  }
  if (value) return qv_parse_rotation(*value);
  QVRotation r;
  if (g.geometry()) {
    const auto &b = g.box();
    r.x = static_cast<double>(b.cx());
    r.y = static_cast<double>(b.cy());
    r.x2 = static_cast<double>(b.x_max);
    r.y2 = r.y;
    r.length = std::hypot(r.x2 - r.x, r.y2 - r.y);
  }
  return r;
}

QVdtfNumbers today() {
  QVdtfNumbers d;
  GDateTime *now = g_date_time_new_now_local();
  d.year = g_date_time_get_year(now);
  d.month = g_date_time_get_month(now);
  d.day = g_date_time_get_day_of_month(now);
  d.valid = 1;
  g_date_time_unref(now);
  return d;
}

std::string format_date(const QVdtfNumbers &d) {
  const int month = static_cast<int>(d.month);
  return qv_format("%d. %s %d", static_cast<int>(d.day),
                   kMonthAbbreviations[std::clamp(month, 1, 12) - 1], static_cast<int>(d.year));
}

QVdtfNumbers parse_date(const Getter &g, const std::string &value) {
  gchar *lowered = g_ascii_strdown(value.c_str(), -1);
  const bool use_name = std::strcmp(g_strstrip(lowered), "use pathname") == 0;
  g_free(lowered);
  return qv_dtf_parse(use_name ? g.path.c_str() : value.c_str(), -1).date;
}

// A resolved attribute: its text form and, for binary mode, a writer into
// the caller's storage of the right type.
struct Resolved {
  std::string text;
  std::function<bool(const QVAttrOut &)> write;  // false: wrong storage
};

template <typename T>
std::function<bool(const QVAttrOut &)> writer(T value) {
  return [value](const QVAttrOut &out) {
    if (auto p = std::get_if<T *>(&out)) {
      if (!*p) return false;
      **p = value;
      return true;
    }
    return false;
  };
}

GimpRGB to_rgb(const QVColor &c) {
  GimpRGB rgb;
  gimp_rgba_set(&rgb, c.r, c.g, c.b, 1.0);
  return rgb;
}

QVColor from_rgb(const GimpRGB &rgb) { return {rgb.r, rgb.g, rgb.b}; }

bool is_foreground_key(const std::string &key) {
  return key == "stroke: " || key == "gradient-fg: ";
}

std::string context_name(const std::string &key) {
  if (key == "stroke-brush: ") return qv_take_string(gimp_context_get_brush());
  if (key == "fill-pattern: ") return qv_take_string(gimp_context_get_pattern());
  if (key == "fill-gradient: ") return qv_take_string(gimp_context_get_gradient());
  return qv_take_string(gimp_context_get_font());
}

void push_name(const std::string &key, const std::string &name) {
  if (key == "stroke-brush: ")
    gimp_context_set_brush(name.c_str());
  else if (key == "fill-pattern: ")
    gimp_context_set_pattern(name.c_str());
  else if (key == "fill-gradient: ")
    gimp_context_set_gradient(name.c_str());
  else
    gimp_context_set_font(name.c_str());
}

Resolved resolve(Getter &g, const std::string &key, const std::optional<std::string> &value,
                 bool &found) {
  const QVAttrInfo info = qv_attribute_info(key);
  switch (info.shape) {
    case QVAttrShape::color: {
      QVColor c;
      if (value) {
        c = qv_parse_color(*value);
      } else if (!(g.flags & QV_GET_BLACK)) {
        GimpRGB rgb;
        if (is_foreground_key(key))
          gimp_context_get_foreground(&rgb);
        else
          gimp_context_get_background(&rgb);
        c = from_rgb(rgb);
      }
      if (g.flags & QV_GET_CONTEXT) {
        const GimpRGB rgb = to_rgb(c);
        if (is_foreground_key(key))
          gimp_context_set_foreground(&rgb);
        else
          gimp_context_set_background(&rgb);
      }
      return {qv_format_color(c), writer(to_rgb(c))};
    }
    case QVAttrShape::number: {
      double v = value ? qv_parse_number(*value) : info.number_default;
      std::string text = value ? *value : qv_format(info.format, v);
      if (!value && key == "font-size: " && (g.flags & QV_GET_TEXT)) {
        const auto read = qv_path_read_points(g.image, g.path.c_str(), g.snapshot);
        text = qv_format("%0.0f",
                         qv_font_size_from_points(g.path, read.points.data(), read.points.size()));
      }
      return {text, writer(v)};
    }
    case QVAttrShape::integer:
    case QVAttrShape::boolean:
    case QVAttrShape::aspect_ratio: {
      int v = info.integer_default;
      if (info.shape == QVAttrShape::aspect_ratio) v = qv_aspect_ratio_default(g.path);
      if (value)
        v = info.shape == QVAttrShape::boolean ? qv_parse_boolean(*value)
                                               : qv_parse_integer(*value);
      if (info.shape == QVAttrShape::aspect_ratio) v = qv_normalise_aspect_ratio(v);
      return {qv_format("%d", v), writer(v)};
    }
    case QVAttrShape::color_mode: {
      const int v = value ? qv_parse_color_mode(*value) : info.integer_default;
      return {qv_color_mode_name(v), writer(v)};
    }
    case QVAttrShape::name: {
      const std::string name = value ? *value : context_name(key);
      if (g.flags & QV_GET_CONTEXT) push_name(key, name);
      return {name, writer(std::optional<std::string>(name))};
    }
    case QVAttrShape::gradient_line: {
      const QVRotation line = resolve_gradient_line(g, value, found);
      return {qv_format_gradient_line(line), writer(line)};
    }
    case QVAttrShape::rotation: {
      if (key == "rotate-at: ") {
        const QVRotation r = resolve_rotation(g, value, found);
        return {qv_format_rotation(r), writer(r)};
      }
      const QVRotation r = value ? qv_parse_rotation(*value) : QVRotation{};
      return {value ? *value : qv_format_rotation(QVRotation{}), writer(r)};
    }
    case QVAttrShape::triple: {
      QVTriple t;
      if (value) {
        t = qv_parse_triple(*value);
      } else if (key == "marker-offsets: " && g.geometry()) {
        const auto &b = g.box();
        // Single precision, as stored offsets have always been computed.
        t.v[0] =
            0.5f * static_cast<float>(b.exact_x_max) + 0.5f * static_cast<float>(b.exact_x_min);
        t.v[1] = b.exact_y_min;
      }
      return {value ? *value : qv_format("%0.0f %0.0f", t.v[0], t.v[1]), writer(t)};
    }
    case QVAttrShape::size: {
      const QVSize s = value ? qv_parse_size(*value) : QVSize{};
      return {value ? *value : qv_format("%0.0f %0.0f", s.v[2], s.v[3]), writer(s)};
    }
    case QVAttrShape::motion_angle: {
      const QVmotionAngle m = value ? qv_parse_motion_angle(*value) : QVmotionAngle{};
      return {value ? *value : std::string(), writer(m)};
    }
    case QVAttrShape::date: {
      if (value) return {*value, writer(parse_date(g, *value))};
      if (g.flags & QV_GET_GEOMETRY) {
        const QVdtfNumbers d = today();
        return {format_date(d), writer(d)};
      }
      return {std::string(), writer(QVdtfNumbers{})};
    }
    case QVAttrShape::text:
      return {value.value_or(""), writer(value)};
  }
  return {};
}

std::optional<std::string> *string_out(const QVAttrOut &out) {
  auto p = std::get_if<std::optional<std::string> *>(&out);
  return p ? *p : nullptr;
}

std::optional<QVStyleItems> source_items(gint32 image, const char *path, const QVSnapshot *snapshot,
                                         unsigned flags, const char *override_text) {
  if (flags & QV_GET_OVERRIDE) {
    std::optional<std::string> over;
    if (override_text) over = override_text;
    return qv_style_merge(qv_path_get_style_text_with_sheet(image, path, snapshot), over);
  }
  return qv_style_merge(qv_path_get_style_text(image, path, snapshot), std::nullopt);
}

}  // namespace

int qv_path_get_style_attribute(gint32 image, const char *path, const QVSnapshot *snapshot,
                                unsigned flags, const char *override_text,
                                std::initializer_list<QVAttrRequest> requests) {
  if (!path || qv_path_tattoo_by_name(image, path, snapshot) == 0) return 0;
  const QVStyleItems items =
      source_items(image, path, snapshot, flags, override_text).value_or(QVStyleItems());
  Getter g{image, path, snapshot, flags, std::nullopt};

  unsigned mask = 0;
  bool any_found = false, all_found = true;
  int index = 0;
  for (const auto &request : requests) {
    const std::string key = request.key ? request.key : "";
    const auto value = qv_style_value(items, key);
    bool found = value.has_value();
    bool stop = false;

    if (flags & QV_GET_EXTENSION) {
      if (auto *out = string_out(request.out))
        *out = value ? qv_value_extension(*value) : std::string();
      else
        stop = true;
    } else if (flags & QV_GET_RAW) {
      if (auto *out = string_out(request.out))
        *out = value;
      else
        stop = true;
    } else if (flags & (QV_GET_TEXT | QV_GET_BINARY | QV_GET_CONTEXT)) {
      const Resolved resolved = resolve(g, key, value, found);
      if (flags & QV_GET_TEXT) {
        if (auto *out = string_out(request.out))
          *out = resolved.text;
        else
          stop = true;
      } else if (flags & QV_GET_BINARY) {
        stop = !resolved.write || !resolved.write(request.out);
      }
    }
    if (stop) break;

    if (found && index < 32) mask |= 1u << index;
    any_found = any_found || found;
    all_found = all_found && found;
    ++index;
  }
  if (flags & QV_GET_MASK) return static_cast<int>(mask);
  if (flags & QV_GET_ANY) return any_found ? 1 : 0;
  return all_found ? 1 : 0;
}
