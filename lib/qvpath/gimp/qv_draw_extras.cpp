// The transform calls used here (gimp_drawable_transform_*) and
// gimp_drawable_offsets are deprecated in 2.10. They are kept on purpose: they take interpolation, clipping and direction
// as arguments instead of from the context, and they transform exactly the
// drawable given, where their successors also move every linked item (ESLs
// are linked while styles are edited).
#define GIMP_DISABLE_DEPRECATION_WARNINGS 1

#include "qv_draw_extras.h"

#include "qv_render.h"
#include "qv_scheme_gimp.h"

#include <glib/gi18n-lib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "qv_dates_gimp.h"
#include "qv_draw_current.h"
#include "qv_filename.h"
#include "qv_geometry.h"
#include "qv_glib_ptr.h"
#include "qv_names.h"
#include "qv_parasite.h"
#include "qv_path_calculate.h"
#include "qv_path_points.h"
#include "qv_paths.h"
#include "qv_style_getter.h"
#include "qv_style_store.h"
#include "qv_style_text.h"
#include "qv_text_placeholders.h"
#include "qv_transform.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr unsigned kGetFlags = QV_GET_BINARY | QV_GET_OVERRIDE;

// Aspect-ratio mode bits.
constexpr int kKeepAspect = 1;
constexpr int kCentreOnFirst = 2;
constexpr int kDrawOutside = 4;
constexpr int kUseAsMarker = 8;

// ---- Small helpers ---------------------------------------------------------

// Coordinates become layer offsets and rotation centres by cutting toward
// zero; values that are not finite or do not fit an int would make GIMP
// refuse the call or wrap around, so they are clamped first.
gint cut(double v) {
  if (!std::isfinite(v)) return 0;
  return static_cast<gint>(std::clamp(v, -1e9, 1e9));
}

bool has_point(const std::vector<double> &points, size_t k) { return 3 * k + 1 < points.size(); }
QVPoint point_at(const std::vector<double> &points, size_t k) { return {points[3 * k], points[3 * k + 1]}; }

bool is_blank(const std::string &text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

void set_opacity(gint32 layer, double percent) {
  gimp_layer_set_opacity(layer, std::isfinite(percent) ? std::clamp(percent, 0.0, 100.0) : 100.0);
}

struct QVContextScope {
  QVContextScope() { gimp_context_push(); }
  ~QVContextScope() { gimp_context_pop(); }
  QVContextScope(const QVContextScope &) = delete;
  QVContextScope &operator=(const QVContextScope &) = delete;
};

// An image the draw made for its own use (a merged duplicate, the text
// measuring image), deleted however the draw ends.
struct QVTempImage {
  gint32 id = -1;
  QVTempImage() = default;
  explicit QVTempImage(gint32 image) : id(image) {}
  ~QVTempImage() {
    if (id > 0 && gimp_image_is_valid(id)) gimp_image_delete(id);
  }
  QVTempImage(const QVTempImage &) = delete;
  QVTempImage &operator=(const QVTempImage &) = delete;
};

gint32 kept(gint32 result, gint32 layer) { return result > 0 ? result : layer; }

gint32 move_layer(gint32 layer, double dx, double dy) {
  gint x = 0, y = 0;
  gimp_drawable_offsets(layer, &x, &y);
  gimp_layer_set_offsets(layer, cut(x + dx), cut(y + dy));
  return layer;
}

gint32 rotate_layer(gint32 layer, double radians, double cx, double cy, bool supersample) {
  return kept(gimp_drawable_transform_rotate(layer, radians, FALSE, cut(cx), cut(cy),
                                             GIMP_TRANSFORM_FORWARD, GIMP_INTERPOLATION_CUBIC,
                                             supersample, 3, GIMP_TRANSFORM_RESIZE_ADJUST),
              layer);
}

// "rotate-at: " (when active), then "translate: " (when active).
gint32 apply_placement(gint32 layer, const QVPlacement &placement) {
  if (placement.rotation_active)
    layer = rotate_layer(layer, placement.rotate_at.angle * kPi / 180.0, placement.rotate_at.x,
                         placement.rotate_at.y, true);
  if (placement.translation_active) layer = move_layer(layer, placement.dx, placement.dy);
  return layer;
}

// Mode and opacity of a drawn layer, then anchored. On an Edit Style Layer
// the ESL itself carries the mode and the overall opacity, so that the
// preview composites like the finished drawing and its pixels stay those of
// the path alone; elsewhere they are folded into the floating layer. `own_percent` is the layer's opacity before the overall
// opacity is applied. A channel target takes the floating layer as it is:
// GIMP 2.10 anchors it there as grey values, so no detour through a paste
// is needed.
void finish_floating(gint32 target, gint32 layer, int mode, double opacity, double own_percent) {
  if (qv_layer_is_esl(target)) {
    gimp_layer_set_mode(target, static_cast<GimpLayerMode>(mode));
    set_opacity(target, opacity);
  } else {
    gimp_layer_set_mode(layer, static_cast<GimpLayerMode>(mode));
    own_percent = own_percent * opacity / 100.0;
  }
  set_opacity(layer, own_percent);
  gimp_floating_sel_anchor(layer);
}

std::vector<gint32> layers_of(gint32 image) {
  gint count = 0;
  return qv_take_array(gimp_image_get_layers(image, &count), count);
}

// ---- Opening the source image --------------------------------------------

// Scripts and styles written on Windows use "\": both separators are read,
// and a relative name is taken from the drawn image's folder.
std::string resolve_file_name(gint32 drawn_image, std::string name) {
  std::replace(name.begin(), name.end(), '\\', '/');
  if (!g_path_is_absolute(name.c_str())) {
    const qv_gstring native_base(gimp_image_get_filename(drawn_image));
    if (native_base) {
      const auto base = qv_filename_to_utf8(native_base.get());
      if (base) {
        const qv_gstring folder(g_path_get_dirname(base->c_str()));
        name = qv_take_string(g_build_filename(folder.get(), name.c_str(), nullptr));
      }
    }
  }
  return qv_take_string(g_canonicalize_filename(name.c_str(), nullptr));
}

void reset_opened_mark(gint32 image) {
  const gint32 zero = 0;
  gimp_image_attach_new_parasite(image, QV_OPENED_IMAGE_MARK, 0, sizeof zero, &zero);
}

std::optional<gint32> find_open_image(const std::string &utf8, const std::optional<std::string> &native) {
  gint count = 0;
  const auto images = qv_take_array(gimp_image_list(&count), count);
  for (auto it = images.rbegin(); it != images.rend(); ++it) {
    const std::string file = qv_take_string(gimp_image_get_filename(*it));
    if (file.empty()) continue;
    if (file == utf8 || (native && file == *native)) return *it;
  }
  return std::nullopt;
}

// The image of that file: an open one, or loaded and marked so that the
// draw driver closes it again. None (after telling the user) when the file
// cannot be had.
std::optional<gint32> open_source_image(gint32 drawn_image, const std::string &name) {
  const std::string utf8 = resolve_file_name(drawn_image, name);
  const auto native = qv_filename_from_utf8(utf8.c_str());
  if (const auto open = find_open_image(utf8, native)) {
    if (qv_image_parasite_bytes(*open, QV_OPENED_IMAGE_MARK)) reset_opened_mark(*open);
    return open;
  }
  // Checking first keeps a missing file to our one message instead of
  // GIMP's failed-procedure report as well.
  if (native && g_file_test(native->c_str(), G_FILE_TEST_IS_REGULAR)) {
    const gint32 loaded = gimp_file_load(GIMP_RUN_NONINTERACTIVE, utf8.c_str(), utf8.c_str());
    if (loaded > 0) {
      reset_opened_mark(loaded);
      return loaded;
    }
  }
  g_message("%s:\n\"%s\"", _("No valid image file"), utf8.c_str());
  return std::nullopt;
}

// ---- Placing an image ------------------------------------------------------

struct QVImageAttrs {
  std::optional<std::string> image, layer;
  int layer_position = -1;
  int merge_visible = 0;
  int aspect = 1;
  double fill_opacity = 100, opacity = 100;
  int mode = 0;
  std::optional<std::string> timeline;
  double timeline_t = 0;
};

QVImageAttrs read_image_attrs(gint32 image, const std::string &path, const char *override_text) {
  QVImageAttrs a;
  qv_path_get_style_attribute(
      image, path.c_str(), nullptr, kGetFlags, override_text,
      {{"image: ", &a.image}, {"layer: ", &a.layer}, {"layer-position: ", &a.layer_position},
       {"image-merge-visible: ", &a.merge_visible}, {"aspect-ratio-mode: ", &a.aspect},
       {"fill-opacity: ", &a.fill_opacity}, {"opacity: ", &a.opacity},
       {"fill-paintmode: ", &a.mode}});
  std::optional<std::string> timeline, t, t_temp;
  qv_path_get_style_attribute(image, path.c_str(), nullptr, QV_GET_RAW | QV_GET_OVERRIDE, override_text,
                              {{"@-timeline: ", &timeline}, {"@-timeline-t: ", &t}, {"@-timeline-t-temp: ", &t_temp}});
  if (timeline && !timeline->empty()) a.timeline = timeline;
  if (t || t_temp) a.timeline_t = qv_parse_number(t ? *t : *t_temp);
  return a;
}

// "file;layer": the layer name is all after the first ";" and may hold more.
std::pair<std::string, std::optional<std::string>> split_image_value(const std::string &value) {
  const size_t semicolon = value.find(';');
  if (semicolon == std::string::npos) return {value, std::nullopt};
  return {value.substr(0, semicolon), value.substr(semicolon + 1)};
}

gint32 choose_source_layer(gint32 source, const std::optional<std::string> &name, int position) {
  const auto layers = layers_of(source);
  if (name) {
    for (gint32 layer : layers)
      if (qv_take_string(gimp_item_get_name(layer)) == *name) return layer;
  }
  if (position >= 0 && static_cast<size_t>(position) < layers.size()) return layers[position];
  const gint32 active = gimp_image_get_active_drawable(source);
  if (active > 0) return active;
  return layers.empty() ? -1 : layers.front();
}

GimpMergeType merge_type(int merge_visible) {
  switch (merge_visible) {
    case 3: return GIMP_CLIP_TO_IMAGE;
    case 4: return GIMP_EXPAND_AS_NECESSARY;
    default: return GIMP_CLIP_TO_BOTTOM_LAYER;
  }
}

// The layer whose pixels are placed: the chosen one, or the source image
// flattened or merged on a duplicate (held by `duplicate` until the copy is
// made).
gint32 merged_source_layer(gint32 source, gint32 chosen, int merge_visible, QVTempImage &duplicate) {
  if (merge_visible <= 0) return chosen;
  if (merge_visible == 1) {
    duplicate.id = gimp_image_duplicate(source);
    return gimp_image_flatten(duplicate.id);
  }
  const auto layers = layers_of(source);
  const auto visible = std::count_if(layers.begin(), layers.end(), gimp_item_get_visible);
  if (visible == 1)
    return *std::find_if(layers.begin(), layers.end(), gimp_item_get_visible);
  if (visible == 0) return chosen;
  duplicate.id = gimp_image_duplicate(source);
  return gimp_image_merge_visible_layers(duplicate.id, merge_type(merge_visible));
}

// The frame of a placed image: corner 1 (x1, y1) and corner 2 (x2, y2) of
// the path, normalised, with what the aspect-ratio mode derives from them.
struct QVFrame {
  double left = 0, top = 0, right = 0, bottom = 0;
  double cx = 0, cy = 0, d = 0;
  bool flip_h = false, flip_v = false;
  double angle = 0;  // "use as marker": radians
  double width() const { return right - left; }
  double height() const { return bottom - top; }
};

QVFrame make_frame(QVPoint c1, QVPoint c2, int aspect) {
  QVFrame f;
  if (aspect & kUseAsMarker) {
    if (!(c2.x == c1.x && c2.y >= c1.y)) f.angle = std::atan2(c2.y - c1.y, c2.x - c1.x) - kPi / 2;
  } else {
    f.flip_h = c2.x < c1.x;
    f.flip_v = c2.y < c1.y;
  }
  const double distance = std::hypot(c2.x - c1.x, c2.y - c1.y);
  QVPoint other = c1;
  if (aspect & kCentreOnFirst) {
    f.cx = c1.x;
    f.cy = c1.y;
    f.d = 2 * distance;
    other = {2 * c1.x - c2.x, 2 * c1.y - c2.y};
  } else {
    f.cx = (c1.x + c2.x) / 2;
    f.cy = (c1.y + c2.y) / 2;
    f.d = distance;
  }
  f.left = std::min(other.x, c2.x);
  f.right = std::max(other.x, c2.x);
  f.top = std::min(other.y, c2.y);
  f.bottom = std::max(other.y, c2.y);
  return f;
}

bool frame_usable(const QVFrame &f, int aspect) {
  const bool w = std::floor(f.width()) != 0, h = std::floor(f.height()) != 0;
  if ((aspect & kKeepAspect) && (aspect & kDrawOutside)) return w || h;
  return w && h;
}

void set_width_centred(QVFrame &f, double width) {
  const double mid = (f.left + f.right) / 2;
  f.left = mid - width / 2;
  f.right = mid + width / 2;
}

void set_height_centred(QVFrame &f, double height) {
  const double mid = (f.top + f.bottom) / 2;
  f.top = mid - height / 2;
  f.bottom = mid + height / 2;
}

// Fits the frame to the image's aspect where the mode asks for it.
void fit_frame(QVFrame &f, int aspect, double iw, double ih) {
  if (iw <= 0 || ih <= 0) return;
  const double r = iw / ih;
  if (aspect & kUseAsMarker) {
    f.left = f.cx - f.d * r / 2;
    f.right = f.cx + f.d * r / 2;
    f.top = f.cy - f.d / 2;
    f.bottom = f.cy + f.d / 2;
    return;
  }
  if (!(aspect & kKeepAspect)) return;
  const double w = f.width(), h = f.height();
  const bool narrower = h > 0 ? w / h <= r : false;
  const bool outside = aspect & kDrawOutside;
  if (narrower != outside)
    set_height_centred(f, w / r);
  else
    set_width_centred(f, h * r);
}

using QVCorners = std::array<QVPoint, 4>;  // top-left, top-right, bottom-left, bottom-right

QVCorners layer_corners(gint32 layer) {
  gint x = 0, y = 0;
  gimp_drawable_offsets(layer, &x, &y);
  const double w = gimp_drawable_width(layer), h = gimp_drawable_height(layer);
  return {QVPoint{double(x), double(y)}, QVPoint{x + w, double(y)}, QVPoint{double(x), y + h},
          QVPoint{x + w, y + h}};
}

QVCorners flipped_frame_corners(const QVFrame &f) {
  const double l = f.flip_h ? f.right : f.left, r = f.flip_h ? f.left : f.right;
  const double t = f.flip_v ? f.bottom : f.top, b = f.flip_v ? f.top : f.bottom;
  return {QVPoint{l, t}, QVPoint{r, t}, QVPoint{l, b}, QVPoint{r, b}};
}

// Maps the layer's corners onto `to`; none when no matrix can be made.
std::optional<gint32> transform_onto(gint32 layer, const QVCorners &to) {
  const QVMatrix3Result r = qv_matrix3_from_corners(layer_corners(layer), to);
  if (!r.ok) return std::nullopt;
  const auto &c = r.matrix.m;
  return kept(gimp_drawable_transform_matrix(layer, c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8],
                                             GIMP_TRANSFORM_FORWARD, GIMP_INTERPOLATION_CUBIC, TRUE,
                                             3, GIMP_TRANSFORM_RESIZE_ADJUST),
              layer);
}

gint32 scale_into(gint32 layer, const QVFrame &f) {
  if (gimp_drawable_width(layer) == f.width() && gimp_drawable_height(layer) == f.height()) {
    gimp_layer_set_offsets(layer, cut(f.left), cut(f.top));
    return layer;
  }
  return kept(gimp_drawable_transform_scale(layer, f.left, f.top, f.right, f.bottom,
                                            GIMP_TRANSFORM_FORWARD, GIMP_INTERPOLATION_CUBIC, FALSE, 3,
                                            GIMP_TRANSFORM_RESIZE_ADJUST),
              layer);
}

// Where the image goes: a frame from two corners, or (four-corner mode) the
// quadrilateral of the first four anchors.
struct QVImagePlace {
  QVPoint c1, c2;
  std::optional<QVCorners> quad;
};

// The source layer copied into the drawn image and floating on the target.
struct QVFloatingCopy {
  gint32 layer = -1;
  double source_opacity = 1;  // the source layer's own opacity, 0..1
};

std::optional<QVFloatingCopy> float_source_copy(gint32 image, gint32 target, gint32 source, gint32 chosen,
                                                int merge_visible) {
  QVTempImage duplicate;
  const gint32 picked = merged_source_layer(source, chosen, merge_visible, duplicate);
  if (picked < 1) return std::nullopt;
  QVFloatingCopy copy;
  if (gimp_item_is_layer(picked)) copy.source_opacity = gimp_layer_get_opacity(picked) / 100.0;
  copy.layer = gimp_layer_new_from_drawable(picked, image);
  if (copy.layer < 1) return std::nullopt;
  gimp_item_set_visible(copy.layer, TRUE);
  if (!gimp_floating_sel_attach(copy.layer, target)) {
    gimp_item_delete(copy.layer);
    return std::nullopt;
  }
  return copy;
}

// Brings the floating layer onto its frame (or quadrilateral); none, with
// the layer removed, when no matrix maps it there.
std::optional<gint32> fit_onto(gint32 layer, QVFrame frame, const QVImagePlace &where, int aspect) {
  if (!where.quad) fit_frame(frame, aspect, gimp_drawable_width(layer), gimp_drawable_height(layer));
  if (where.quad || frame.flip_h || frame.flip_v) {
    const auto moved = transform_onto(layer, where.quad ? *where.quad : flipped_frame_corners(frame));
    if (!moved) {
      gimp_floating_sel_remove(layer);
      return std::nullopt;
    }
    layer = *moved;
  } else {
    layer = scale_into(layer, frame);
  }
  if (!where.quad && frame.angle != 0) layer = rotate_layer(layer, frame.angle, frame.cx, frame.cy, true);
  return layer;
}

// `layer_name`: the layer asked for by name, if any.
void place_image(gint32 image, const QVImageAttrs &a, const QVPlacement &placement, gint32 source,
                 const std::optional<std::string> &layer_name, const QVImagePlace &where) {
  const gint32 target = gimp_image_get_active_drawable(image);
  if (target < 1) return;
  // A "@-timeline: " frame of the source image stands in for its layers; the
  // frame's image goes again when the placement is done.
  QVTempImage timeline_frame;
  if (a.timeline) {
    if (qv_timelines_in_progress_push(source, *a.timeline)) {
      qv_message("Timeline endless loop error:\n'%s; %s'", qv_image_label(source).c_str(), a.timeline->c_str());
    } else {
      timeline_frame.id = qv_timeline_render_at(source, *a.timeline, a.timeline_t, 0);
      qv_timelines_in_progress_pop();
      if (timeline_frame.id < 1 || !qv_rendering_in_progress()) return;
      source = timeline_frame.id;
    }
  }
  const gint32 chosen = choose_source_layer(source, layer_name, a.layer_position);
  if (chosen < 1) return;
  const QVFrame frame = make_frame(where.c1, where.c2, a.aspect);
  if (!qv_rendering_in_progress()) return;
  if (!where.quad && !frame_usable(frame, a.aspect)) return;

  gimp_selection_none(image);
  const auto copy = float_source_copy(image, target, source, chosen, a.merge_visible);
  if (!copy) return;
  const auto fitted = fit_onto(copy->layer, frame, where, a.aspect);
  if (!fitted) return;
  const gint32 layer = apply_placement(*fitted, placement);
  finish_floating(target, layer, a.mode, a.opacity * placement.fade, copy->source_opacity * a.fill_opacity);
}

// ---- Drawing a text --------------------------------------------------------

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
  qv_path_get_style_attribute(
      image, path.c_str(), nullptr, kGetFlags | QV_GET_BLACK, override_text,
      {{"fill: ", &a.colour}, {"fill-opacity: ", &a.fill_opacity}, {"opacity: ", &a.opacity},
       {"fill-paintmode: ", &a.mode}, {"font-name: ", &a.font}, {"font-size: ", &a.font_size},
       {"text-border: ", &a.border}, {"text-antialising: ", &a.antialias}, {"xalign: ", &a.xalign},
       {"yalign: ", &a.yalign}, {"letter-spacing: ", &a.letter_spacing}, {"text-path: ", &a.text_path},
       {"palign: ", &a.palign}, {"text-offset: ", &a.text_offset}, {"baseshift: ", &a.baseshift}});
  return a;
}

// Where a text path puts its text: the anchor (bottom left of the text),
// the size from the path and the text's angle.
struct QVTextPlace {
  QVPoint anchor;
  double size = 0;
  double angle = 0;  // radians
};

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

// Texts arrive from path names and styles; GIMP takes UTF-8 only. Older
// files carry Latin-1, which is converted; anything else is refused.
std::optional<std::string> as_utf8(const std::string &text) {
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return text;
  gsize written = 0;
  const qv_gstring converted(g_convert(text.data(), static_cast<gssize>(text.size()), "UTF-8",
                                       "ISO-8859-1", nullptr, &written, nullptr));
  if (!converted || !g_utf8_validate(converted.get(), static_cast<gssize>(written), nullptr))
    return std::nullopt;
  return std::string(converted.get(), written);
}

// GIMP renders a blank as an empty layer one pixel wide, so blanks are
// known by their character rather than by what the render gives back.
bool renders_nothing(const std::string &letter) {
  return g_unichar_isspace(g_utf8_get_char(letter.c_str()));
}

std::vector<std::string> utf8_letters(const std::string &text) {
  std::vector<std::string> letters;
  for (const char *p = text.c_str(); *p; p = g_utf8_next_char(p))
    letters.emplace_back(p, g_utf8_next_char(p) - p);
  return letters;
}

// Widths of texts as GIMP renders them, measured off the drawn image so
// that measuring leaves no trace there.
struct QVTextMeter {
  QVTempImage image{gimp_image_new(1, 1, GIMP_RGB)};
  gint32 layer = -1;
  const QVTextStyle &style;

  explicit QVTextMeter(const QVTextStyle &st) : style(st) {
    gimp_image_undo_disable(image.id);
    layer = gimp_layer_new(image.id, "tmplayer", 1, 1, GIMP_RGBA_IMAGE, 100, GIMP_LAYER_MODE_NORMAL);
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

// The line the letters follow: a text path, or (L = 0) the straight line
// through the anchor in the text's direction.
struct QVLetterLine {
  std::vector<double> points;  // empty: no text path
  double length = 0;
  QVPoint start, end;
  double start_angle = 0, end_angle = 0;
};

QVLetterLine letter_line(gint32 image, const std::optional<std::string> &text_path,
                         const QVSnapshot *snapshot, const QVTextPlace &place) {
  QVLetterLine line;
  line.start = line.end = place.anchor;
  line.start_angle = line.end_angle = place.angle;
  if (!text_path || text_path->empty()) return line;
  std::vector<double> points = qv_path_read_points(image, text_path->c_str(), snapshot).points;
  QVpathCalc calc;
  calc.mode = QV_CALC_LENGTH;
  if (!qv_path_calculate_points(points, calc, nullptr) || calc.status != 1) return line;
  line.points = std::move(points);
  line.length = calc.length;
  line.start = {calc.begin_x, calc.begin_y};
  line.end = {calc.end_x, calc.end_y};
  line.start_angle = calc.begin_angle;
  line.end_angle = calc.end_angle;
  return line;
}

// The letter layer at `x` along a line that turns by `angle` at `at`.
gint32 set_letter(gint32 letter, double x, double y, double angle, QVPoint at) {
  gimp_layer_set_offsets(letter, cut(x), cut(y));
  if (angle != 0) letter = rotate_layer(letter, angle, 0, 0, false);
  return move_layer(letter, at.x, at.y);
}

// Letters run straight back from the path's start and straight on past its
// end; in between they sit on the path, turned with it.
gint32 place_letter(gint32 letter, double p, double w, double y, const QVLetterLine &line) {
  if (p <= 0) return set_letter(letter, p - w / 2, y, line.start_angle, line.start);
  if (p < line.length) {
    QVpathCalc calc;
    calc.mode = QV_CALC_AT_LENGTH;
    calc.length = p;
    qv_path_calculate_points(line.points, calc, nullptr);
    return set_letter(letter, -w / 2, y, calc.angle, {calc.x, calc.y});
  }
  return set_letter(letter, p - w / 2 - line.length, y, line.end_angle, line.end);
}

// The width of a blank and of the whole text, as the letters add up.
struct QVLetterWidths {
  double blank = 0, text = 0;
};

QVLetterWidths measure_letters(const std::vector<std::string> &letters, const QVTextStyle &st) {
  const QVTextMeter meter(st);
  QVLetterWidths widths;
  widths.blank = std::max(0.0, meter.width("A ") - meter.width("A"));
  for (const auto &letter : letters) {
    const double w = renders_nothing(letter) ? 0 : meter.width(letter);
    widths.text += w > 0 ? w : widths.blank;
  }
  return widths;
}

void draw_letters(gint32 image, gint32 target, const std::string &text, const QVTextAttrs &a,
                  const QVTextStyle &st, const QVTextPlace &place, const QVPlacement &placement,
                  const QVSnapshot *snapshot, double opacity) {
  const std::vector<std::string> letters = utf8_letters(text);
  const double s = st.size, b = -a.baseshift;
  const double spacing = a.letter_spacing * s / 100.0;
  const QVLetterWidths widths = measure_letters(letters, st);
  const double total = (letters.size() - 1) * spacing + widths.text;
  const QVLetterLine line = letter_line(image, a.text_path, snapshot, place);
  double p = -a.xalign * total;
  if (!line.points.empty()) p += (line.length - total) * std::clamp(a.palign, 0.0, 1.0);
  p += a.text_offset;
  const double y = a.yalign * s - s - b;

  for (const auto &letter : letters) {
    gint32 layer = renders_nothing(letter) ? -1 : render_text(image, target, letter, st);
    if (layer < 1) {
      p += widths.blank + spacing;
      continue;
    }
    const double w = gimp_drawable_width(layer);
    p += w / 2;
    layer = place_letter(layer, p, w, y, line);
    layer = apply_placement(layer, placement);
    finish_floating(target, layer, a.mode, opacity, a.fill_opacity);
    p += spacing + w / 2;
  }
}

void draw_text_in_one_piece(gint32 image, gint32 target, const std::string &text, const QVTextAttrs &a,
                            const QVTextStyle &st, const QVTextPlace &place, const QVPlacement &placement,
                            double opacity) {
  gint32 layer = render_text(image, target, text, st);
  if (layer < 1) return;
  const double s = st.size, b = -a.baseshift, w = gimp_drawable_width(layer);
  if (a.xalign != 0 || a.yalign != 0 || a.text_offset != 0 || b != 0)
    gimp_layer_set_offsets(layer, cut(a.text_offset - w * a.xalign), cut(s * a.yalign - b));
  if (place.angle != 0) layer = rotate_layer(layer, place.angle, 0, s, true);
  layer = move_layer(layer, place.anchor.x, place.anchor.y - s);
  layer = apply_placement(layer, placement);
  finish_floating(target, layer, a.mode, opacity, a.fill_opacity);
}

QVExtraResult draw_text(gint32 image, const std::string &path, const std::string &raw_text,
                        const QVTextPlace &place, const QVSnapshot *snapshot, const char *override_text,
                        const QVPlacement &placement) {
  const auto utf8 = as_utf8(raw_text);
  if (!utf8) {
    g_message("%s", _("Abort, no valid UTF-8 String!"));
    return QVExtraResult::abort;
  }
  const std::string text = qv_text_expand_placeholders(*utf8, qv_dtf_read_date(image), qv_month_names());
  const gint32 target = gimp_image_get_active_drawable(image);
  if (text.empty() || target < 1) return QVExtraResult::drawn;

  QVContextScope context;
  const QVTextAttrs a = read_text_attrs(image, path, override_text);
  QVTextStyle st;
  st.size = a.font_size > 0 ? a.font_size : place.size;
  st.font = a.font && !a.font->empty() ? *a.font : "Sans";
  st.border = a.border;
  st.antialias = a.antialias != 0;
  if (!(st.size > 0)) return QVExtraResult::drawn;
  gimp_context_set_foreground(&a.colour);
  const double opacity = a.opacity * placement.fade;

  const bool by_letter = a.letter_spacing != 0 || (a.text_path && !a.text_path->empty());
  if (by_letter)
    draw_letters(image, target, text, a, st, place, placement, snapshot, opacity);
  else
    draw_text_in_one_piece(image, target, text, a, st, place, placement, opacity);
  return QVExtraResult::drawn;
}

// ---- Markers ---------------------------------------------------------------

struct QVPathEnds {
  QVPoint start, end;
  double start_angle = 0, end_angle = 0;
};

std::optional<QVPathEnds> path_ends(gint32 image, const std::string &path) {
  QVpathCalc calc;
  calc.mode = QV_CALC_LENGTH;
  if (!qv_path_calculate3(image, path.c_str(), calc, image, nullptr) || calc.status != 1)
    return std::nullopt;
  return QVPathEnds{{calc.begin_x, calc.begin_y}, {calc.end_x, calc.end_y}, calc.begin_angle, calc.end_angle};
}

// The drawn path's rotation, "rotate-at-add: " included, as its own draw
// applies it.
QVRotation path_rotation(gint32 image, const std::string &path, const char *override_text) {
  QVRotation at, add;
  qv_path_get_style_attribute(image, path.c_str(), nullptr, kGetFlags, override_text,
                              {{"rotate-at: ", &at}, {"rotate-at-add: ", &add}});
  at.x += add.x;
  at.y += add.y;
  at.angle += add.angle;
  if (!qv_rotation_is_effective(at.angle)) at.angle = 0;
  return at;
}

// The drawn path's style (with its sheet) and the current override, for the
// marker's draw. The marker's points already carry the path's rotation, so
// the marker's draw must not rotate them again (neither through this text
// nor through the marker's own style); the translation is left to it.
std::string marker_override(gint32 image, const std::string &path, const char *override_text) {
  std::optional<std::string> override_value;
  if (override_text) override_value = override_text;
  const auto merged = qv_style_merge(qv_path_get_style_text_with_sheet(image, path.c_str(), nullptr),
                                     override_value);
  QVStyleItems items = merged ? *merged : QVStyleItems{};
  items.push_back("rotate-at: 0 0 0");
  items.push_back("rotate-at-add: 0 0 0");
  return qv_style_join(items);
}

void draw_one_marker(gint32 image, const std::string &path, const QVSnapshot *snapshot,
                     const std::string &marker, QVMarkerEnd which, const QVPathEnds &ends,
                     const QVRotation &rotation, const std::string &override_for_marker) {
  std::vector<double> points = qv_path_read_points(image, marker.c_str(), snapshot).points;
  if (points.size() < 6) return;
  QVTriple offsets;
  qv_path_get_style_attribute(image, marker.c_str(), snapshot, QV_GET_BINARY | QV_GET_GEOMETRY, nullptr,
                              {{"marker-offsets: ", &offsets}});
  const bool at_start = which == QVMarkerEnd::start;
  const QVAffine m = qv_marker_matrix({offsets.v[0], offsets.v[1]}, which,
                                      at_start ? ends.start_angle : ends.end_angle,
                                      at_start ? ends.start : ends.end, rotation);
  qv_affine_apply(m, QV_OP_TRANSFORM_MATRIX, points);

  const auto style = qv_path_get_style_text(image, marker.c_str(), snapshot);
  const gint32 vectors = qv_path_write_points(image, "qv-marker", 1, points);
  if (vectors < 1) return;
  // GIMP makes the name unique; the path is known by the name it got.
  const std::string temp = qv_take_string(gimp_item_get_name(vectors));
  if (style) qv_path_store_style(image, temp.c_str(), *style);
  qv_path_set_style_attribute(
      image, temp.c_str(),
      {{"marker-attr-ignore: ", "yes"}, {"rotate-at: ", "0 0 0"}, {"rotate-at-add: ", "0 0 0"}});
  qv_path_draw_style(image, nullptr, override_for_marker.c_str());
  qv_path_delete_with_parasites(image, temp.c_str());
  qv_path_set_current(image, path.c_str());
}

}  // namespace

QVExtraResult qv_draw_image_or_text(gint32 image, const std::string &path, const std::vector<double> &points,
                                    const QVSnapshot *snapshot, const char *override_text,
                                    const QVPlacement &placement) {
  const auto bracket = qv_name_query_text(path, QV_NAME_BRACKET);
  if (bracket && bracket->compare(0, 2, "[@") == 0) return QVExtraResult::none;
  std::optional<std::string> text = qv_name_query_text(path, QV_NAME_QUOTED);
  if (text && is_blank(*text)) text.reset();
  if (!has_point(points, 3)) return QVExtraResult::none;
  const QVPoint p0 = point_at(points, 0), p3 = point_at(points, 3);

  if (!bracket && text) {
    const double angle = points.size() > 20 ? std::atan2(points[19] - p3.y, points[18] - p3.x) : 0.0;
    return draw_text(image, path, *text, {p3, std::fabs(p3.y - p0.y), angle}, snapshot, override_text,
                     placement);
  }

  const QVImageAttrs a = read_image_attrs(image, path, override_text);
  if (!a.image) return QVExtraResult::none;
  const auto [file, layer_name] = split_image_value(*a.image);

  if (!bracket) {
    const auto source = open_source_image(image, file);
    if (!source) return QVExtraResult::drawn;
    QVImagePlace where{p0, p3, std::nullopt};
    if (points.size() > 32)
      where.quad = QVCorners{p0, p3, point_at(points, 6), point_at(points, 9)};
    place_image(image, a, placement, *source, a.layer ? a.layer : layer_name, where);
    return QVExtraResult::drawn;
  }

  // A symbol: the source image holds a layer named like the bracket part.
  if (const auto source = open_source_image(image, file)) {
    const auto layers = layers_of(*source);
    const bool found = std::any_of(layers.begin(), layers.end(), [&](gint32 l) {
      return qv_take_string(gimp_item_get_name(l)) == *bracket;
    });
    if (found) place_image(image, a, placement, *source, *bracket, {p0, p3, std::nullopt});
  }
  if (text && points.size() >= 33) {
    const QVPoint p6 = point_at(points, 6), p9 = point_at(points, 9);
    const double angle = points.size() > 41 ? std::atan2(points[37] - p9.y, points[36] - p9.x) : 0.0;
    return draw_text(image, path, *text, {p9, std::fabs(p9.y - p6.y), angle}, snapshot, override_text,
                     placement);
  }
  return QVExtraResult::drawn;
}

void qv_draw_markers(gint32 image, const std::string &path, const QVSnapshot *snapshot,
                     const char *override_text, const std::string &marker_start,
                     const std::string &marker_end) {
  if (marker_start.empty() && marker_end.empty()) return;
  const auto ends = path_ends(image, path);
  if (!ends) return;
  const QVRotation rotation = path_rotation(image, path, override_text);
  const std::string override_for_marker = marker_override(image, path, override_text);
  if (!marker_start.empty())
    draw_one_marker(image, path, snapshot, marker_start, QVMarkerEnd::start, *ends, rotation,
                    override_for_marker);
  if (!marker_end.empty())
    draw_one_marker(image, path, snapshot, marker_end, QVMarkerEnd::end, *ends, rotation,
                    override_for_marker);
  qv_path_set_current(image, path.c_str());
}
