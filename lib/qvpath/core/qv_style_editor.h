// The style editor's arithmetic: which style lines its widgets show, the
// text it writes back from them, and the small value rules of its menus.
// The attributes no widget shows travel as "extra attributes" and are
// written after the widget-built ones in their stored order, so an edit
// never loses what the editor does not understand.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/qv_attributes.h"

struct QVPaintModeItem {
  const char *label;  // untranslated; passed through gettext where shown
  int number;         // GIMP's layer mode number, written into "paintmode: "
};

// The editor's mode menu in its order; a number of -1 is a separator.
// "Behind" (2) and "Color erase" (22) are members of the radio group but
// have no menu item.
const std::vector<QVPaintModeItem> &qv_editor_mode_menu();
// All 23 modes in the order of the fill's paint-mode combo.
const std::vector<QVPaintModeItem> &qv_editor_fill_modes();
// The label of a mode number ("Normal" for numbers not listed).
const char *qv_editor_mode_label(int number);

extern const char *const QV_GRADIENT_FORMS[11];   // "Linear" ... "Spiral (counterclockwise)"
extern const char *const QV_GRADIENT_REPEATS[3];  // "No Repeat", "Sawtooth", "Triangular"

enum class QVFillKind { color, pattern, gradient };

// What the widgets hold. Colours are 0-255 integers as the style writes them.
struct QVEditorValues {
  bool mode_on = false;
  int mode = 0;
  bool opacity_on = false;
  double opacity = 100;

  bool stroke_on = false;
  int stroke[3] = {0, 0, 0};
  int stroke_mode = 0;
  double stroke_opacity = 100;
  std::string stroke_brush;
  int stroke_spacing = 25;
  double stroke_size = 0;  // 0: the brush's own size; not written then

  bool fill_on = false;
  int fill_mode = 0;
  QVFillKind fill_kind = QVFillKind::color;
  int fill[3] = {0, 0, 0};  // the foreground colour
  std::string pattern;
  std::string gradient;
  std::optional<int> gradient_system_nr;
  int gradient_bg[3] = {255, 255, 255};
  bool gradient_inverse = false;
  int gradient_form = 0;
  int gradient_repeat = 0;
  double gradient_offset = 0;
  bool dithering = false;
  bool supersampling = false;
  double supersampling_depth = 3;
  double supersampling_threshold = 0.2;
  double fill_opacity = 100;
  double feather = 0;

  std::optional<std::string> font_name;
};

// A stored style read into the widgets: the values, which groups it
// switches on, whether it carries a gradient line, and the lines no widget
// shows (TAB-separated, in order).
struct QVEditorLoad {
  QVEditorValues values;
  std::string extras;
  bool has_gradient_line = false;
};
QVEditorLoad qv_editor_load(const std::string &style);

// Whether a style line's attribute is one the widgets write.
bool qv_editor_writes_attribute(const std::string &key);

// The style text the widgets make, attribute after attribute as the editor
// writes them, then the extra attributes. `stored` is the style as stored:
// extensions (";" and what follows) of the numeric and colour attributes
// and the values of "gradient-line: " and "rotate-at: " come from it.
// Numbers always use ".". Leading blanks removed; may be empty.
std::string qv_editor_style_text(const QVEditorValues &values, const std::string &stored,
                                 const std::string &extras);

// The answer to "Please enter default t:" as stored: read up to the first
// character that is no part of a number ("0,25" reads 0), clamped to 0..1,
// printed with five decimals and then without trailing zeros, keeping one
// after the point ("0.5", "1.0").
std::string qv_default_t_text(const std::string &answer);

// A path name as the in-between dialog shows it: TABs as blanks, and longer
// than 28 bytes cut to 25 and "...".
std::string qv_editor_short_name(const std::string &name);

// ---- Attribute menus and style sheets -----------------------------------------

// "aspect-ratio-mode: " after its check item for `bit` (1, 2, 4 or 8) was
// activated: an unset bit is set; a set one cleared, and clearing 1 or 4
// clears 8 ("use as marker" needs both).
int qv_aspect_ratio_toggle(int value, int bit);

// The key an artist's typed attribute name stands for: trimmed, and ": "
// appended (" " when it already ends with ":"). "" for an empty name.
std::string qv_attribute_key_from_name(const std::string &name);

// What the entries of "Add Attribute" are.
enum class QVAddKind {
  name,
  separator,
  css,
  css_priority,
  color_mode,
  path_list,
  motion_angle,
  date,
  script
};
struct QVAddEntry {
  const char *key;  // the attribute with ": ", or null for a separator
  QVAddKind kind;
  bool keyspline_only = false;  // sensitive only for "[@]" paths (or in extra mode for path lists)
};
// The entries in menu order; those from `extra_from` on only in extra mode.
const std::vector<QVAddEntry> &qv_add_attribute_entries();
constexpr size_t QV_ADD_ATTRIBUTE_EXTRA_FROM = 22;

// The text a style sheet gives a path: empty items dropped, of items with
// the same attribute only the last, leading blanks and trailing TABs gone.
std::string qv_style_sheet_apply_text(const std::string &sheet);

// A free sheet name: `name` itself, or, when taken, the name without a
// final "#<digits>" and "#1", "#2", ... until one is free.
template <typename Taken>
std::string qv_style_sheet_free_name(const std::string &name, Taken taken) {
  if (!taken(name)) return name;
  std::string stem = name;
  const auto hash = stem.rfind('#');
  if (hash != std::string::npos && hash + 1 < stem.size() &&
      stem.find_first_not_of("0123456789", hash + 1) == std::string::npos)
    stem.erase(hash);
  for (int n = 1;; ++n) {
    std::string candidate = stem + "#" + std::to_string(n);
    if (!taken(candidate)) return candidate;
  }
}

// A sheet as the menus show it: three blanks around the name; a name longer
// than 93 characters cut to 91 and "...".
std::string qv_style_sheet_label(const std::string &name);

// The label of an attribute line in the attribute list, and the value the
// line is stored with: "rotate-at: " and "gradient-line: " lines read as
// numbers and written back normalised (their label gets two blanks).
struct QVAttributeLine {
  std::string label;
  std::string item;  // the line as stored after normalising
};
QVAttributeLine qv_attribute_line(const std::string &item);

// Today's date as the "@-date: " entry shows it: "%d. %s %d" with the
// short English month names ("Jan.", ..., "Dec.").
std::string qv_date_entry_label(int day, int month, int year);
