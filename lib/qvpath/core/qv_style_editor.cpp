#include "core/qv_style_editor.h"

#include <glib.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "core/qv_style.h"

const std::vector<QVPaintModeItem> &qv_editor_mode_menu() {
  static const std::vector<QVPaintModeItem> menu = {
      {"Normal", 0},         {"Dissolve", 1},     {nullptr, -1},      {"Multiply", 3},
      {"Divide", 15},        {"Screen", 4},       {"Overlay", 5},     {nullptr, -1},
      {"Dodge", 16},         {"Burn", 17},        {"Hardlight", 18},  {"Softlight", 19},
      {"Grain extract", 20}, {"Grain merge", 21}, {nullptr, -1},      {"Difference", 6},
      {"Addition", 7},       {"Subtraction", 8},  {"Darken only", 9}, {"Lighten only", 10},
      {nullptr, -1},         {"Hue", 11},         {"Saturation", 12}, {"Color", 13},
      {"Value", 14}};
  return menu;
}

const std::vector<QVPaintModeItem> &qv_editor_fill_modes() {
  static const std::vector<QVPaintModeItem> modes = {
      {"Normal", 0},         {"Dissolve", 1},     {"Behind", 2},        {"Color erase", 22},
      {"Multiply", 3},       {"Divide", 15},      {"Screen", 4},        {"Overlay", 5},
      {"Dodge", 16},         {"Burn", 17},        {"Hardlight", 18},    {"Softlight", 19},
      {"Grain extract", 20}, {"Grain merge", 21}, {"Difference", 6},    {"Addition", 7},
      {"Subtraction", 8},    {"Darken only", 9},  {"Lighten only", 10}, {"Hue", 11},
      {"Saturation", 12},    {"Color", 13},       {"Value", 14}};
  return modes;
}

const char *qv_editor_mode_label(int number) {
  for (const QVPaintModeItem &item : qv_editor_fill_modes())
    if (item.number == number) return item.label;
  return "Normal";
}

const char *const QV_GRADIENT_FORMS[11] = {"Linear",
                                           "Bi-Linear",
                                           "Radial",
                                           "Square",
                                           "Conical (symmetric)",
                                           "Conical (asymmetric)",
                                           "Shapeburst (angular)",
                                           "Shapeburst (spherical)",
                                           "Shapeburst (dimpled)",
                                           "Spiral (clockwise)",
                                           "Spiral (counterclockwise)"};
const char *const QV_GRADIENT_REPEATS[3] = {"No Repeat", "Sawtooth", "Triangular"};

namespace {

const std::set<std::string> &widget_attributes() {
  static const std::set<std::string> keys = {"paintmode: ",
                                             "opacity: ",
                                             "stroke: ",
                                             "stroke-paintmode: ",
                                             "stroke-opacity: ",
                                             "stroke-brush: ",
                                             "stroke-spacing: ",
                                             "stroke-size: ",
                                             "fill-paintmode: ",
                                             "fill: ",
                                             "fill-pattern: ",
                                             "fill-gradient: ",
                                             "gradient-system-nr: ",
                                             "gradient-fg: ",
                                             "gradient-bg: ",
                                             "gradient-inverse: ",
                                             "gradient-form: ",
                                             "gradient-repeat: ",
                                             "gradient-offset: ",
                                             "gradient-dithering: ",
                                             "gradient-supersampling: ",
                                             "supersampling-depth: ",
                                             "supersampling-threshold: ",
                                             "gradient-line: ",
                                             "fill-opacity: ",
                                             "selection-feather: ",
                                             "rotate-at: ",
                                             "font-name: "};
  return keys;
}

void to_bytes(const std::string &value, int (&out)[3]) {
  const QVColor c = qv_parse_color(value);
  out[0] = std::clamp(static_cast<int>(c.r * 255 + 0.5), 0, 255);
  out[1] = std::clamp(static_cast<int>(c.g * 255 + 0.5), 0, 255);
  out[2] = std::clamp(static_cast<int>(c.b * 255 + 0.5), 0, 255);
}

int clamp_index(int value, int size) { return std::clamp(value, 0, size - 1); }

// One widget attribute into the values; the fill and gradient ones also
// choose the fill's kind and switch it on.
void read_line(const std::string &key, const std::string &value, QVEditorValues &v,
               QVEditorLoad &load) {
  const double number = qv_parse_number(value);
  if (key == "paintmode: ")
    v.mode_on = true, v.mode = std::clamp(qv_parse_integer(value), 0, 22);
  else if (key == "opacity: ")
    v.opacity_on = true, v.opacity = std::clamp(number, 0.0, 100.0);
  else if (key == "stroke: ")
    v.stroke_on = true, to_bytes(value, v.stroke);
  else if (key == "stroke-paintmode: ")
    v.stroke_on = true, v.stroke_mode = std::clamp(qv_parse_integer(value), 0, 22);
  else if (key == "stroke-opacity: ")
    v.stroke_on = true, v.stroke_opacity = std::clamp(number, 0.0, 100.0);
  else if (key == "stroke-brush: ")
    v.stroke_on = true, v.stroke_brush = value;
  else if (key == "stroke-spacing: ")
    v.stroke_on = true, v.stroke_spacing = std::clamp(qv_parse_integer(value), 1, 1000);
  else if (key == "stroke-size: ")
    v.stroke_on = true, v.stroke_size = std::clamp(number, 0.0, 10000.0);
  else if (key == "fill-paintmode: ")
    v.fill_on = true, v.fill_mode = std::clamp(qv_parse_integer(value), 0, 22);
  else if (key == "fill: ")
    v.fill_on = true, v.fill_kind = QVFillKind::color, to_bytes(value, v.fill);
  else if (key == "fill-pattern: ")
    v.fill_on = true, v.fill_kind = QVFillKind::pattern, v.pattern = value;
  else if (key == "fill-gradient: ")
    v.fill_on = true, v.fill_kind = QVFillKind::gradient, v.gradient = value;
  else if (key == "gradient-system-nr: ")
    v.gradient_system_nr = qv_parse_integer(value);
  else if (key == "gradient-fg: ")
    to_bytes(value, v.fill);
  else if (key == "gradient-bg: ")
    to_bytes(value, v.gradient_bg);
  else if (key == "gradient-inverse: ")
    v.gradient_inverse = qv_parse_integer(value) != 0;
  else if (key == "gradient-form: ")
    v.gradient_form = clamp_index(qv_parse_integer(value), 11);
  else if (key == "gradient-repeat: ")
    v.gradient_repeat = clamp_index(qv_parse_integer(value), 3);
  else if (key == "gradient-offset: ")
    v.gradient_offset = std::clamp(number, 0.0, 100.0);
  else if (key == "gradient-dithering: ")
    v.dithering = qv_parse_integer(value) != 0;
  else if (key == "gradient-supersampling: ")
    v.supersampling = qv_parse_integer(value) != 0;
  else if (key == "supersampling-depth: ")
    v.supersampling_depth = std::clamp(number, 1.0, 6.0);
  else if (key == "supersampling-threshold: ")
    v.supersampling_threshold = std::clamp(number, 0.0, 4.0);
  else if (key == "gradient-line: ")
    load.has_gradient_line = true;
  else if (key == "fill-opacity: ")
    v.fill_on = true, v.fill_opacity = std::clamp(number, 0.0, 100.0);
  else if (key == "selection-feather: ")
    v.fill_on = true, v.feather = std::clamp(number, 0.0, 100.0);
  else if (key == "font-name: ")
    v.font_name = value;
}

std::string colour(const int (&c)[3]) {
  return std::to_string(c[0]) + " " + std::to_string(c[1]) + " " + std::to_string(c[2]);
}

}  // namespace

bool qv_editor_writes_attribute(const std::string &key) {
  return widget_attributes().count(key) > 0;
}

QVEditorLoad qv_editor_load(const std::string &style) {
  QVEditorLoad load;
  std::vector<std::string> extras;
  for (std::string item : qv_style_split(style)) {
    item.erase(0, item.find_first_not_of(' '));
    if (item.empty()) continue;
    const std::string key = qv_style_item_key(item);
    if (!qv_editor_writes_attribute(key)) {
      extras.push_back(item);
      continue;
    }
    read_line(key, item.substr(std::min(key.size(), item.size())), load.values, load);
  }
  load.extras = qv_style_join(extras);
  return load;
}

std::string qv_editor_style_text(const QVEditorValues &v, const std::string &stored,
                                 const std::string &extras) {
  const QVStyleItems items = qv_style_split(stored);
  auto stored_value = [&](const char *key) { return qv_style_value(items, key).value_or(""); };
  const bool keep = v.stroke_on || v.fill_on || v.opacity_on || !extras.empty() ||
                    qv_style_value(items, "rotate-at: ").has_value();
  auto ext = [&](const char *key) { return keep ? qv_value_extension(stored_value(key)) : ""; };

  std::string text;
  auto add = [&](const std::string &item) { text += "\t" + item; };
  if (v.mode_on) add("paintmode: " + std::to_string(v.mode));
  if (v.opacity_on) add(qv_format("opacity: %0.1f", v.opacity) + ext("opacity: "));
  if (v.stroke_on) {
    add("stroke: " + colour(v.stroke) + ext("stroke: "));
    add("stroke-paintmode: " + std::to_string(v.stroke_mode));
    add(qv_format("stroke-opacity: %0.1f", v.stroke_opacity) + ext("stroke-opacity: "));
    add("stroke-brush: " + v.stroke_brush);
    add("stroke-spacing: " + std::to_string(v.stroke_spacing) + ext("stroke-spacing: "));
    if (v.stroke_size > 0)
      add(qv_format("stroke-size: %0.1f", v.stroke_size) + ext("stroke-size: "));
  }
  if (v.fill_on) {
    add("fill-paintmode: " + std::to_string(v.fill_mode));
    if (v.fill_kind == QVFillKind::color) {
      add("fill: " + colour(v.fill) + ext("fill: "));
    } else if (v.fill_kind == QVFillKind::pattern) {
      add("fill-pattern: " + v.pattern);
    } else {
      add("fill-gradient: " + v.gradient);
      if (v.gradient_system_nr) add("gradient-system-nr: " + std::to_string(*v.gradient_system_nr));
      add("gradient-fg: " + colour(v.fill) + ext("gradient-fg: "));
      add("gradient-bg: " + colour(v.gradient_bg) + ext("gradient-bg: "));
      add(std::string("gradient-inverse: ") + (v.gradient_inverse ? "1" : "0"));
      add("gradient-form: " + std::to_string(v.gradient_form));
      add("gradient-repeat: " + std::to_string(v.gradient_repeat));
      add(qv_format("gradient-offset: %0.1f", v.gradient_offset) + ext("gradient-offset: "));
      add(std::string("gradient-dithering: ") + (v.dithering ? "1" : "0"));
      if (v.supersampling) {
        add("gradient-supersampling: 1");
        add(qv_format("supersampling-depth: %0.0f", v.supersampling_depth) +
            ext("supersampling-depth: "));
        add(qv_format("supersampling-threshold: %0.2f", v.supersampling_threshold) +
            ext("supersampling-threshold: "));
      } else {
        add("gradient-supersampling: 0");
      }
      if (const auto line = qv_style_value(items, "gradient-line: "))
        add("gradient-line: " + *line);
    }
    add(qv_format("fill-opacity: %0.1f", v.fill_opacity) + ext("fill-opacity: "));
    add(qv_format("selection-feather: %0.1f", v.feather) + ext("selection-feather: "));
  }
  // The rotation stays with the style whether or not its helper path is
  // there: a style set by a script has none until it is drawn.
  if (const auto rotation = qv_style_value(items, "rotate-at: ")) add("rotate-at: " + *rotation);
  if (v.font_name) add("font-name: " + *v.font_name);
  if (!extras.empty()) add(extras);
  text.erase(0, text.find_first_not_of(" \t"));
  return text;
}

std::string qv_default_t_text(const std::string &answer) {
  double t = qv_parse_number(answer);
  if (!std::isfinite(t)) t = 0;
  std::string text = qv_format("%0.5f", std::clamp(t, 0.0, 1.0));
  while (text.size() > 2 && text.back() == '0' && text[text.size() - 2] != '.') text.pop_back();
  return text;
}

std::string qv_editor_short_name(const std::string &name) {
  std::string shown = name;
  std::replace(shown.begin(), shown.end(), '\t', ' ');
  if (shown.size() <= 28) return shown;
  // Cut on a character boundary: a label must stay valid UTF-8.
  const char *start = shown.c_str();
  const char *cut = start + 25;
  if (g_utf8_validate(start, -1, nullptr)) {
    while (cut > start && (static_cast<unsigned char>(*cut) & 0xC0) == 0x80) --cut;
  }
  return std::string(start, cut) + "...";
}

int qv_aspect_ratio_toggle(int value, int bit) {
  if (!(value & bit)) return value | bit;
  value &= ~bit;
  if (bit == 1 || bit == 4) value &= ~8;
  return value;
}

std::string qv_attribute_key_from_name(const std::string &name) {
  const auto first = name.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  const auto last = name.find_last_not_of(" \t\r\n");
  std::string key = name.substr(first, last - first + 1);
  return key + (key.back() == ':' ? " " : ": ");
}

const std::vector<QVAddEntry> &qv_add_attribute_entries() {
  using K = QVAddKind;
  static const std::vector<QVAddEntry> entries = {
      {"rotate-at: ", K::name},
      {"rotate-at-add: ", K::name},
      {"translate: ", K::name},
      {nullptr, K::separator},
      {"css: ", K::css},
      {"css-priority: off", K::css_priority},
      {"@-color-mode: ", K::color_mode},
      {nullptr, K::separator},
      {"marker-start: ", K::path_list},
      {"marker-end: ", K::path_list},
      {"marker-offsets: ", K::name},
      {nullptr, K::separator},
      {"@-motion-path: ", K::path_list, true},
      {"@-motion-angle: ", K::motion_angle, true},
      {"@-motion-keyspline: ", K::path_list, true},
      {nullptr, K::separator},
      {"@-date: ", K::date},
      {nullptr, K::separator},
      {"script-eval: ", K::script},
      {"@-script: ", K::name},
      {"@-script-av: ", K::name},
      {"@-script-set-bbox: ", K::path_list},
      {nullptr, K::separator},  // from here on only in extra mode
      {"image: ", K::name},
      {"layer: ", K::name},
      {"layer-position: ", K::name},
      {"@-timeline: ", K::name},
      {"@-timeline-t: ", K::name},
  };
  return entries;
}

std::string qv_style_sheet_apply_text(const std::string &sheet) {
  QVStyleItems items;
  for (const std::string &item : qv_style_split(sheet))
    if (!item.empty()) items.push_back(item);
  qv_style_items_dedupe(items);
  return qv_style_trim_for_store(qv_style_join(items));
}

std::string qv_style_sheet_label(const std::string &name) {
  if (name.size() > 93) return "   " + name.substr(0, 91) + "...";
  return "   " + name + "   ";
}

QVAttributeLine qv_attribute_line(const std::string &item) {
  const std::string key = qv_style_item_key(item);
  if (key != "rotate-at: " && key != "gradient-line: ") return {item, item};
  const std::string value = item.substr(key.size());
  const std::string numbers = key == "rotate-at: "
                                  ? qv_format_rotation(qv_parse_rotation(value))
                                  : qv_format_gradient_line(qv_parse_gradient_line(value));
  const std::string normal = key + numbers + qv_value_extension(value);
  return {normal + "  ", normal};
}

std::string qv_date_entry_label(int day, int month, int year) {
  static const char *const months[12] = {"Jan.", "Feb.", "Mar.", "Apr.", "May",  "Jun.",
                                         "Jul.", "Aug.", "Sep.", "Oct.", "Nov.", "Dec."};
  return qv_format("%d. %s %d", day, months[std::clamp(month, 1, 12) - 1], year);
}
