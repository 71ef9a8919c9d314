#include "core/qv_draw_settings.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <utility>

namespace {

using Setter = std::function<void(QVDrawSettings &, const std::string &)>;

bool flag(const std::string &value) { return qv_parse_boolean(value) != 0; }

// Key and what its value sets. Keys end in their colon and blank, so that
// none is a prefix of another ("fill: " does not match "fill-opacity: ").
const std::pair<const char *, Setter> kLines[] = {
    {"stroke: ",
     [](QVDrawSettings &s, const std::string &v) {
       s.stroke = true;
       s.stroke_color = qv_parse_color(v);
     }},
    {"stroke-paintmode: ",
     [](QVDrawSettings &s, const std::string &v) { s.stroke_mode = qv_parse_integer(v); }},
    {"stroke-opacity: ",
     [](QVDrawSettings &s, const std::string &v) { s.stroke_opacity = qv_parse_number(v); }},
    {"stroke-brush: ", [](QVDrawSettings &s, const std::string &v) { s.stroke_brush = v; }},
    {"stroke-spacing: ",
     [](QVDrawSettings &s, const std::string &v) {
       const int spacing = qv_parse_integer(v);
       s.stroke_spacing = spacing > 0 ? static_cast<unsigned>(spacing) : 0;
     }},
    {"stroke-size: ",
     [](QVDrawSettings &s, const std::string &v) {
       const double size = qv_parse_number(v);
       s.stroke_size = std::isfinite(size) && size > 0 ? size : 0;
     }},
    {"fill: ",
     [](QVDrawSettings &s, const std::string &v) {
       s.fill = QVFillKind::color;
       s.fill_color = qv_parse_color(v);
     }},
    {"gradient-bg: ", [](QVDrawSettings &s, const std::string &v) { s.fill_color = qv_parse_color(v); }},
    {"fill-paintmode: ", [](QVDrawSettings &s, const std::string &v) { s.fill_mode = qv_parse_integer(v); }},
    {"fill-opacity: ", [](QVDrawSettings &s, const std::string &v) { s.fill_opacity = qv_parse_number(v); }},
    {"selection-feather: ", [](QVDrawSettings &s, const std::string &v) { s.feather = qv_parse_number(v); }},
    {"fill-pattern: ",
     [](QVDrawSettings &s, const std::string &v) {
       s.fill = QVFillKind::pattern;
       s.pattern = v;
     }},
    {"fill-gradient: ",
     [](QVDrawSettings &s, const std::string &v) {
       s.fill = QVFillKind::gradient;
       s.gradient = v;
     }},
    {"gradient-system-nr: ",
     [](QVDrawSettings &s, const std::string &v) {
       s.fill = QVFillKind::gradient;
       s.gradient_number = qv_parse_integer(v);
     }},
    {"gradient-fg: ", [](QVDrawSettings &s, const std::string &v) { s.gradient_fg = qv_parse_color(v); }},
    {"gradient-inverse: ", [](QVDrawSettings &s, const std::string &v) { s.gradient_reverse = flag(v); }},
    {"gradient-form: ",
     [](QVDrawSettings &s, const std::string &v) { s.gradient_type = qv_parse_integer(v); }},
    {"gradient-repeat: ",
     [](QVDrawSettings &s, const std::string &v) { s.gradient_repeat = qv_parse_integer(v); }},
    {"gradient-offset: ",
     [](QVDrawSettings &s, const std::string &v) { s.gradient_offset = qv_parse_number(v); }},
    {"gradient-dithering: ", [](QVDrawSettings &s, const std::string &v) { s.dither = flag(v); }},
    {"gradient-supersampling: ", [](QVDrawSettings &s, const std::string &v) { s.supersample = flag(v); }},
    {"supersampling-depth: ",
     [](QVDrawSettings &s, const std::string &v) { s.supersample_depth = qv_parse_integer(v); }},
    {"supersampling-threshold: ",
     [](QVDrawSettings &s, const std::string &v) { s.supersample_threshold = qv_parse_number(v); }},
    {"gradient-line: ", [](QVDrawSettings &s, const std::string &) { s.has_gradient_line = true; }},
    {"marker-start: ", [](QVDrawSettings &s, const std::string &v) { s.marker_start = v; }},
    {"marker-end: ", [](QVDrawSettings &s, const std::string &v) { s.marker_end = v; }},
};

constexpr const char *kIgnoreMarkers = "marker-attr-ignore: ";

bool starts_with(const std::string &text, const char *prefix, size_t length) {
  return text.compare(0, length, prefix) == 0;
}

double rounded(double v) { return std::round(v * 10000.0) / 10000.0; }

bool same_colour(const std::array<double, 4> &sample, const QVColor &colour, double alpha) {
  return rounded(sample[0]) == rounded(colour.r) && rounded(sample[1]) == rounded(colour.g) &&
         rounded(sample[2]) == rounded(colour.b) && rounded(sample[3]) == rounded(alpha);
}

}  // namespace

QVDrawSettings qv_draw_settings_scan(const QVStyleItems &items) {
  QVDrawSettings s;
  bool ignore_markers = false;
  for (const auto &item : items) {
    if (starts_with(item, kIgnoreMarkers, std::strlen(kIgnoreMarkers))) {
      ignore_markers = true;
      continue;
    }
    for (const auto &[key, set] : kLines) {
      const size_t length = std::strlen(key);
      if (starts_with(item, key, length)) {
        set(s, item.substr(length));
        break;
      }
    }
  }
  if (!s.stroke && s.fill == QVFillKind::none) {
    s.fill = QVFillKind::color;
    s.fill_color = QVColor{};
  }
  if (ignore_markers) {
    s.marker_start.clear();
    s.marker_end.clear();
  }
  return s;
}

std::optional<int> qv_gradient_system_number(const QVGradientSegment &segment, const QVColor &fg,
                                             const QVColor &bg) {
  if (segment.segments != 1) return std::nullopt;
  if (segment.left_pos != 0 || segment.middle_pos != 0.5 || segment.right_pos != 1)
    return std::nullopt;
  if (segment.blending != 0 || !same_colour(segment.left, fg, 1.0)) return std::nullopt;
  if (same_colour(segment.right, bg, 1.0)) {
    switch (segment.coloring) {
      case 0:
        return 0;  // RGB
      case 2:
        return 1;  // HSV clockwise
      case 1:
        return 2;  // HSV counter-clockwise
      default:
        return std::nullopt;
    }
  }
  if (same_colour(segment.right, fg, 0.0)) return 3;
  return std::nullopt;
}
