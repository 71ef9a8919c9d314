// The transform calls used here (gimp_drawable_transform_*) and
// gimp_drawable_offsets are deprecated in 2.10. They are kept on purpose:
// they take interpolation, clipping and direction as arguments instead of
// from the context, and they transform exactly the drawable given, where
// their successors also move every linked item (ESLs are linked while styles
// are edited).
#define GIMP_DISABLE_DEPRECATION_WARNINGS 1

#include "gimp/draw/qv_draw_text.h"

#include <glib/gi18n-lib.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "core/qv_placement.h"
#include "core/qv_text_placeholders.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_scopes.h"
#include "gimp/draw/qv_draw_floating.h"
#include "gimp/paths/qv_path_points.h"
#include "gimp/style/qv_dates_gimp.h"
#include "gimp/style/qv_style_getter.h"

namespace {

constexpr unsigned kGetFlags = QV_GET_BINARY | QV_GET_OVERRIDE;

struct QVTextAttrs {
  GimpRGB colour{0, 0, 0, 1};
  double fill_opacity = 100, opacity = 100;
  int mode = 0;
  std::optional<std::string> font, text_path;
  double font_size = 0;
  int border = -1, antialias = 1;
  double xalign = 0, yalign = 0, letter_spacing = 0, palign = 0, text_offset = 0, baseshift = 0;
};

QVTextAttrs read_text_attrs(gint32 image, const std::string &path, const char *override_text) {
  QVTextAttrs a;
  // A text without "fill: " is black, as a path without any fill is.
  qv_path_get_style_attribute(image, path.c_str(), nullptr, kGetFlags | QV_GET_BLACK, override_text,
                              {{"fill: ", &a.colour},
                               {"fill-opacity: ", &a.fill_opacity},
                               {"opacity: ", &a.opacity},
                               {"fill-paintmode: ", &a.mode},
                               {"font-name: ", &a.font},
                               {"font-size: ", &a.font_size},
                               {"text-border: ", &a.border},
                               {"text-antialising: ", &a.antialias},
                               {"xalign: ", &a.xalign},
                               {"yalign: ", &a.yalign},
                               {"letter-spacing: ", &a.letter_spacing},
                               {"text-path: ", &a.text_path},
                               {"palign: ", &a.palign},
                               {"text-offset: ", &a.text_offset},
                               {"baseshift: ", &a.baseshift}});
  return a;
}

struct QVTextStyle {
  std::string font;
  double size = 0;
  int border = -1;
  bool antialias = true;
};

// A floating layer holding the text at (0, 0) on `drawable`; -1 when the
// text renders nothing.
gint32 render_text(gint32 image, gint32 drawable, const std::string &text, const QVTextStyle &st) {
  return gimp_text_fontname(image, drawable, 0, 0, text.c_str(), st.border, st.antialias, st.size,
                            GIMP_PIXELS, st.font.c_str());
}

// Widths of texts as GIMP renders them, measured off the drawn image so
// that measuring leaves no trace there.
struct QVTextMeter {
  QVTempImage image{gimp_image_new(1, 1, GIMP_RGB)};
  gint32 layer = -1;
  const QVTextStyle &style;

  explicit QVTextMeter(const QVTextStyle &st) : style(st) {
    gimp_image_undo_disable(image.id);
    layer =
        gimp_layer_new(image.id, "tmplayer", 1, 1, GIMP_RGBA_IMAGE, 100, GIMP_LAYER_MODE_NORMAL);
    gimp_image_insert_layer(image.id, layer, 0, 0);
  }

  // 0 when the text renders nothing.
  double width(const std::string &text) const {
    const gint32 floating = render_text(image.id, layer, text, style);
    if (floating < 1) return 0;
    const double w = gimp_drawable_width(floating);
    gimp_floating_sel_remove(floating);
    return w;
  }
};

QVLetterLine letter_line(gint32 image, const std::optional<std::string> &text_path,
                         const QVSnapshot *snapshot, const QVTextPlace &place) {
  if (!text_path || text_path->empty()) return qv_letter_line({}, place);
  return qv_letter_line(qv_path_read_points(image, text_path->c_str(), snapshot).points, place);
}

gint32 pose_letter(gint32 letter, const QVLetterPose &pose) {
  gimp_layer_set_offsets(letter, qv_layer_coordinate(pose.offset.x),
                         qv_layer_coordinate(pose.offset.y));
  if (pose.angle != 0) letter = qv_floating_rotate(letter, pose.angle, 0, 0, false);
  return qv_floating_move(letter, pose.at.x, pose.at.y);
}

// The width of a blank, and the width of the whole text as its letters add up.
struct QVLetterWidths {
  double blank = 0, text = 0;
};

QVLetterWidths measure_letters(const std::vector<std::string> &letters, double spacing,
                               const QVTextStyle &st) {
  const QVTextMeter meter(st);
  QVLetterWidths widths;
  widths.blank = std::max(0.0, meter.width("A ") - meter.width("A"));
  std::vector<double> each;
  for (const auto &letter : letters)
    each.push_back(qv_letter_renders_nothing(letter) ? 0 : meter.width(letter));
  widths.text = qv_letters_width(each, widths.blank, spacing);
  return widths;
}

void draw_letters(gint32 image, gint32 target, const std::string &text, const QVTextAttrs &a,
                  const QVTextStyle &st, const QVTextPlace &place, const QVPlacement &placement,
                  const QVSnapshot *snapshot, double opacity) {
  const std::vector<std::string> letters = qv_utf8_letters(text);
  const double s = st.size, b = -a.baseshift;
  const double spacing = a.letter_spacing * s / 100.0;
  const QVLetterWidths widths = measure_letters(letters, spacing, st);
  const QVLetterLine line = letter_line(image, a.text_path, snapshot, place);
  QVLetterWalk walk{qv_letters_start(widths.text, a.xalign, a.palign, a.text_offset, line), spacing,
                    widths.blank};
  const double y = a.yalign * s - s - b;

  for (const auto &letter : letters) {
    gint32 layer = qv_letter_renders_nothing(letter) ? -1 : render_text(image, target, letter, st);
    const double w = layer < 1 ? 0 : gimp_drawable_width(layer);
    const auto centre = qv_letter_walk_next(walk, w);
    if (!centre) continue;
    layer = pose_letter(layer, qv_letter_pose(line, *centre, w, y));
    layer = qv_floating_place(layer, placement);
    qv_floating_finish(target, layer, a.mode, opacity, a.fill_opacity);
  }
}

void draw_text_in_one_piece(gint32 image, gint32 target, const std::string &text,
                            const QVTextAttrs &a, const QVTextStyle &st, const QVTextPlace &place,
                            const QVPlacement &placement, double opacity) {
  gint32 layer = render_text(image, target, text, st);
  if (layer < 1) return;
  const double s = st.size, b = -a.baseshift, w = gimp_drawable_width(layer);
  if (a.xalign != 0 || a.yalign != 0 || a.text_offset != 0 || b != 0)
    gimp_layer_set_offsets(layer, qv_layer_coordinate(a.text_offset - w * a.xalign),
                           qv_layer_coordinate(s * a.yalign - b));
  if (place.angle != 0) layer = qv_floating_rotate(layer, place.angle, 0, s, true);
  layer = qv_floating_move(layer, place.anchor.x, place.anchor.y - s);
  layer = qv_floating_place(layer, placement);
  qv_floating_finish(target, layer, a.mode, opacity, a.fill_opacity);
}

}  // namespace

bool qv_draw_text(gint32 image, const std::string &path, const std::string &raw_text,
                  const QVTextPlace &place, const QVSnapshot *snapshot, const char *override_text,
                  const QVPlacement &placement) {
  const auto utf8 = qv_text_as_utf8(raw_text);
  if (!utf8) {
    qv_user_message("%s", _("Abort, no valid UTF-8 String!"));
    return false;
  }
  const std::string text =
      qv_text_expand_placeholders(*utf8, qv_dtf_read_date(image), qv_month_names());
  const gint32 target = gimp_image_get_active_drawable(image);
  if (text.empty() || target < 1) return true;

  QVContextScope context;
  const QVTextAttrs a = read_text_attrs(image, path, override_text);
  QVTextStyle st;
  st.size = a.font_size > 0 ? a.font_size : place.size;
  st.font = a.font && !a.font->empty() ? *a.font : "Sans";
  st.border = a.border;
  st.antialias = a.antialias != 0;
  if (!(st.size > 0)) return true;
  gimp_context_set_foreground(&a.colour);
  const double opacity = a.opacity * placement.fade;

  const bool by_letter = a.letter_spacing != 0 || (a.text_path && !a.text_path->empty());
  if (by_letter)
    draw_letters(image, target, text, a, st, place, placement, snapshot, opacity);
  else
    draw_text_in_one_piece(image, target, text, a, st, place, placement, opacity);
  return true;
}
