// The fill and stroke phase goes through GIMP's old path, edit and layer
// calls, which 2.10 still serves but marks deprecated.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

#include "gimp/draw/qv_draw_style.h"
#include "gimp/base/qv_read_cache.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>

#include "core/qv_angles.h"
#include "core/qv_draw_settings.h"
#include "core/qv_glib_ptr.h"
#include "core/qv_names.h"
#include "core/qv_style.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_render_session.h"
#include "gimp/base/qv_scopes.h"
#include "gimp/draw/qv_draw_extras.h"
#include "gimp/draw/qv_draw_markers.h"
#include "gimp/paths/qv_path_points.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/style/qv_bbox.h"
#include "gimp/style/qv_dates_gimp.h"
#include "gimp/style/qv_esl.h"
#include "gimp/style/qv_style_getter.h"
#include "gimp/style/qv_style_gimp.h"

namespace {

const char *const kTempLayerName = "Temp Layer";
// The placed copy of a rotated or moved path lives only during one draw.
const char *const kMappedPathName = "qv-placed-path";
constexpr unsigned kCurrentPathFlags = QV_GET_BINARY | QV_GET_OVERRIDE;
constexpr size_t kFewestValues = 15;         // five points: anything shorter is not drawn
constexpr double kLargestBrushSize = 10000;  // GIMP's own limit
// GIMP's built-in dynamics that leaves every stroke as the brush draws it.
const char *const kDynamicsOff = "Dynamics Off";

// ---- Small GIMP helpers --------------------------------------------------------

// Temporary paths and layers advance the image's tattoo counter; putting it
// back keeps drawing from using up tattoos. GIMP itself refuses a value
// below a tattoo still in use, so objects that stay keep theirs unique.
struct QVTattooScope {
  gint32 image;
  guint state;
  explicit QVTattooScope(gint32 image_id)
      : image(image_id), state(gimp_image_get_tattoo_state(image_id)) {}
  ~QVTattooScope() {
    if (state > 0) gimp_image_set_tattoo_state(image, state);
  }
  QVTattooScope(const QVTattooScope &) = delete;
  QVTattooScope &operator=(const QVTattooScope &) = delete;
};

GimpRGB to_rgb(const QVColor &c) {
  GimpRGB rgb;
  gimp_rgba_set(&rgb, c.r, c.g, c.b, 1.0);
  return rgb;
}

double percent(double value) {
  return std::isfinite(value) ? std::clamp(value, 0.0, 100.0) : 100.0;
}

// Whether GIMP knows a resource of that exact name. Asking first keeps an
// unknown name from turning into an error message from GIMP: the style
// simply falls back to the context's resource.
bool resource_exists(gchar **(*list)(const gchar *, gint *), const std::string &name) {
  if (name.empty()) return false;
  gint count = 0;
  const auto names = qv_take_string_array(list(nullptr, &count), count);
  return std::find(names.begin(), names.end(), name) != names.end();
}

std::optional<std::string> optional_text(const char *text) {
  return text ? std::optional<std::string>(text) : std::nullopt;
}

// ---- Entry steps ---------------------------------------------------------------

// "@-date: " names the date text placeholders print. A range of dates belongs
// to the animation, so only a value holding exactly one date is stored.
void store_single_date(gint32 image, const std::string &path, const char *override_text) {
  std::optional<std::string> value;
  qv_path_get_style_attribute(image, path.c_str(), nullptr, QV_GET_RAW | QV_GET_OVERRIDE,
                              override_text, {{"@-date: ", &value}});
  if (!value) return;
  std::string text = *value;
  qv_gstring copy(g_strdup(text.c_str()));
  qv_gstring folded(g_ascii_strdown(g_strstrip(copy.get()), -1));
  if (std::strcmp(folded.get(), "use pathname") == 0) text = path;
  const QVdtfParsed first = qv_dtf_parse(text.c_str(), -1);
  if (!first.found) return;
  const size_t rest = std::min(first.end, text.size());
  if (qv_dtf_parse(text.c_str() + rest, -1).found) return;
  qv_dtf_store_date(image, QV_DTF_DATE, first.date);
}

QVPlacement read_placement(gint32 image, const std::string &path, const char *override_text) {
  QVRotation rotate_at, rotate_at_add;
  QVTriple translate;
  qv_path_get_style_attribute(image, path.c_str(), nullptr, kCurrentPathFlags, override_text,
                              {{"rotate-at: ", &rotate_at},
                               {"rotate-at-add: ", &rotate_at_add},
                               {"translate: ", &translate}});
  QVPlacement placement;
  placement.rotate_at = rotate_at;
  placement.rotate_at.x += rotate_at_add.x;
  placement.rotate_at.y += rotate_at_add.y;
  placement.rotate_at.angle += rotate_at_add.angle;
  placement.dx = translate.v[0];
  placement.dy = translate.v[1];
  placement.rotation_active = qv_rotation_is_effective(placement.rotate_at.angle);
  placement.translation_active = placement.dx != 0 || placement.dy != 0;
  placement.fade = qv_fade_opacity(image);
  return placement;
}

// ---- Placement -----------------------------------------------------------------

QVAffine placement_matrix(const QVPlacement &placement) {
  QVRotation none;
  none.angle = 0;
  return qv_placement_matrix(placement.rotate_at, none, placement.dx, placement.dy);
}

// A pattern must turn with its shape, which only rotating pixels achieves:
// the fill is drawn on this layer, and the layer is rotated and merged down
// afterwards. GIMP puts it above the active layer and makes it active.
gint32 make_temp_layer(gint32 image) {
  const GimpImageType type = static_cast<GimpImageType>(gimp_image_base_type(image) * 2 + 1);
  const gint32 layer =
      gimp_layer_new(image, kTempLayerName, gimp_image_width(image), gimp_image_height(image), type,
                     100, GIMP_LAYER_MODE_NORMAL_LEGACY);
  if (layer < 1) return -1;
  if (!gimp_image_add_layer(image, layer, -1)) {
    gimp_item_delete(layer);
    return -1;
  }
  gimp_edit_fill(layer, GIMP_FILL_TRANSPARENT);
  return layer;
}

// Writes the placed copy of the path and makes it current; the gradient line
// moves with it. -1 when GIMP refused the path (the path is then drawn where
// it stands).
gint32 write_mapped_path(gint32 image, const QVPathPoints &path, const QVPlacement &placement,
                         QVRotation &gradient_line, bool map_line) {
  const QVAffine m = placement_matrix(placement);
  std::vector<double> points = path.points;
  qv_affine_apply(m, QV_OP_TRANSFORM_MATRIX, points);
  const gint32 path_type = path.path_type ? path.path_type : 1;
  const gint32 mapped = qv_path_write_points(image, kMappedPathName, path_type, points);
  if (mapped > 0 && map_line) {
    const QVPoint a = qv_affine_map(m, {gradient_line.x, gradient_line.y});
    const QVPoint b = qv_affine_map(m, {gradient_line.x2, gradient_line.y2});
    gradient_line.x = a.x, gradient_line.y = a.y, gradient_line.x2 = b.x, gradient_line.y2 = b.y;
  }
  return mapped;
}

// The rotated and moved content of the temporary layer goes down onto the
// real target. Cutting a whole layer without a selection takes the layer out
// of the image too, so nothing of it is left behind.
void merge_temp_layer(gint32 temp_layer, gint32 target, const QVPlacement &placement) {
  gint32 layer = temp_layer;
  if (placement.rotation_active) {
    const gint32 rotated = gimp_drawable_transform_rotate(
        layer, qv_radians(placement.rotate_at.angle), FALSE,
        static_cast<gint>(placement.rotate_at.x), static_cast<gint>(placement.rotate_at.y),
        GIMP_TRANSFORM_FORWARD, GIMP_INTERPOLATION_CUBIC, TRUE, 3, GIMP_TRANSFORM_RESIZE_CLIP);
    if (rotated > 0) layer = rotated;
  }
  gint ox = 0, oy = 0;
  gimp_drawable_offsets(layer, &ox, &oy);
  ox = static_cast<gint>(ox + placement.dx);
  oy = static_cast<gint>(oy + placement.dy);
  gimp_layer_set_offsets(layer, ox, oy);
  if (!gimp_edit_cut(layer)) return;
  const gint32 floating = gimp_edit_paste(target, FALSE);
  if (floating < 1) return;
  gimp_layer_set_offsets(floating, ox, oy);
  gimp_floating_sel_anchor(floating);
}

// Whatever the temporary layer did to the active drawable, the markers and
// the caller draw on the target again.
void make_active(gint32 image, gint32 drawable) {
  if (!gimp_item_is_valid(drawable)) return;
  if (gimp_item_is_layer_mask(drawable)) drawable = gimp_layer_from_mask(drawable);
  if (gimp_item_is_layer(drawable))
    gimp_image_set_active_layer(image, drawable);
  else if (gimp_item_is_channel(drawable))
    gimp_image_set_active_channel(image, drawable);
}

// ---- Gradients -----------------------------------------------------------------

QVGradientSegment read_first_segment(const std::string &name) {
  QVGradientSegment s;
  const char *n = name.c_str();
  s.segments = gimp_gradient_get_number_of_segments(n);
  gimp_gradient_segment_get_left_pos(n, 0, &s.left_pos);
  gimp_gradient_segment_get_middle_pos(n, 0, &s.middle_pos);
  gimp_gradient_segment_get_right_pos(n, 0, &s.right_pos);
  GimpGradientSegmentType blending = GIMP_GRADIENT_SEGMENT_LINEAR;
  GimpGradientSegmentColor coloring = GIMP_GRADIENT_SEGMENT_RGB;
  gimp_gradient_segment_get_blending_function(n, 0, &blending);
  gimp_gradient_segment_get_coloring_type(n, 0, &coloring);
  s.blending = blending;
  s.coloring = coloring;
  // Sampled rather than read: a segment's stored colours stay as they were
  // made, while sampling shows the context colours the ends follow.
  const gdouble positions[2] = {0.0, 1.0};
  gint count = 0;
  gdouble *raw = nullptr;
  if (gimp_gradient_get_custom_samples(n, 2, positions, FALSE, &count, &raw)) {
    const auto samples = qv_take_array(raw, count);
    if (samples.size() >= 8) {
      std::copy(samples.begin(), samples.begin() + 4, s.left.begin());
      std::copy(samples.begin() + 4, samples.begin() + 8, s.right.begin());
    }
  } else {
    s.segments = 0;
  }
  return s;
}

// GIMP's names are translated, so the gradients behind system numbers are
// recognised by content: under two probe colours only a gradient whose ends
// follow the context shows them.
const QVColor kProbeFg{0.2, 0.4, 0.6}, kProbeBg{0.8, 0.3, 0.1};

void set_probe_colours() {
  GimpRGB rgb = to_rgb(kProbeFg);
  gimp_context_set_foreground(&rgb);
  rgb = to_rgb(kProbeBg);
  gimp_context_set_background(&rgb);
}

// Names of the gradients behind system numbers 0..3 ("" when absent), the
// first of GIMP's list for each. Found once per process, which serves one run.
const std::array<std::string, 4> &system_gradients() {
  static std::optional<std::array<std::string, 4>> found;
  if (found) return *found;
  found.emplace();
  QVContextScope probe;
  set_probe_colours();
  gint count = 0;
  const auto names = qv_take_string_array(gimp_gradients_get_list(nullptr, &count), count);
  int missing = 4;
  for (const auto &name : names) {
    const auto number = qv_gradient_system_number(read_first_segment(name), kProbeFg, kProbeBg);
    if (number && (*found)[*number].empty()) {
      (*found)[*number] = name;
      if (--missing == 0) break;
    }
  }
  return *found;
}

}  // namespace

std::optional<int> qv_gradient_system_number_of(const std::string &gradient) {
  QVContextScope probe;
  set_probe_colours();
  return qv_gradient_system_number(read_first_segment(gradient), kProbeFg, kProbeBg);
}

std::optional<std::string> qv_system_gradient(int number) {
  if (number < 0 || number > 3 || system_gradients()[number].empty()) return std::nullopt;
  return system_gradients()[number];
}

namespace {

// The style's gradient by name, else by system number; otherwise the
// context's gradient stays.
void choose_gradient(const QVDrawSettings &s) {
  if (resource_exists(gimp_gradients_get_list, s.gradient) &&
      gimp_context_set_gradient(s.gradient.c_str()))
    return;
  if (s.gradient_number < 0 || s.gradient_number > 3) return;
  const std::string &name = system_gradients()[s.gradient_number];
  if (!name.empty()) gimp_context_set_gradient(name.c_str());
}

// ---- Fill and stroke -----------------------------------------------------------

void blend(gint32 target, const QVDrawSettings &s, const QVRotation &line) {
  const std::string gradient = qv_take_string(gimp_context_get_gradient());
  GimpRGB old_fg, old_bg;
  gimp_context_get_foreground(&old_fg);
  gimp_context_get_background(&old_bg);
  choose_gradient(s);
  GimpRGB fg = to_rgb(s.gradient_fg), bg = to_rgb(s.fill_color);
  gimp_context_set_foreground(&fg);
  gimp_context_set_background(&bg);
  gint ox = 0, oy = 0;
  gimp_drawable_offsets(target, &ox, &oy);
  gimp_edit_blend(target, GIMP_BLEND_CUSTOM, static_cast<GimpLayerMode>(s.fill_mode),
                  static_cast<GimpGradientType>(s.gradient_type), percent(s.fill_opacity),
                  std::max(0.0, s.gradient_offset), static_cast<GimpRepeatMode>(s.gradient_repeat),
                  s.gradient_reverse, s.supersample, std::clamp(s.supersample_depth, 1, 9),
                  std::clamp(s.supersample_threshold, 0.0, 4.0), s.dither, line.x - ox, line.y - oy,
                  line.x2 - ox, line.y2 - oy);
  if (!gradient.empty()) gimp_context_set_gradient(gradient.c_str());
  gimp_context_set_foreground(&old_fg);
  gimp_context_set_background(&old_bg);
}

void fill(gint32 image, gint32 path_vectors, gint32 target, const QVDrawSettings &s,
          const QVRotation &line) {
  if (s.fill == QVFillKind::none) return;
  const std::string name = qv_take_string(gimp_item_get_name(path_vectors));
  const double feather = std::isfinite(s.feather) ? std::max(0.0, s.feather) : 0.0;
  // Feathering by 0 pixels changes nothing but costs a blur pass that takes
  // longer than the fill itself: ask for it only with a radius.
  const gboolean feathered = feather > 0 ? TRUE : FALSE;
  gimp_path_to_selection(image, name.c_str(), GIMP_CHANNEL_OP_REPLACE, FALSE, feathered, feather,
                         feather);
  if (gimp_selection_is_empty(image)) return;  // an open or degenerate path
  const auto mode = static_cast<GimpLayerMode>(s.fill_mode);
  switch (s.fill) {
    case QVFillKind::color: {
      GimpRGB colour = to_rgb(s.fill_color);
      gimp_context_set_background(&colour);
      gimp_edit_bucket_fill(target, GIMP_BUCKET_FILL_BG, mode, percent(s.fill_opacity), 0, FALSE, 0,
                            0);
      break;
    }
    case QVFillKind::pattern:
      if (resource_exists(gimp_patterns_get_list, s.pattern))
        gimp_context_set_pattern(s.pattern.c_str());
      gimp_edit_bucket_fill(target, GIMP_BUCKET_FILL_PATTERN, mode, percent(s.fill_opacity), 0,
                            FALSE, 0, 0);
      break;
    case QVFillKind::gradient:
      blend(target, s, line);
      break;
    case QVFillKind::none:
      break;
  }
  gimp_selection_none(image);
}

// GIMP 2.10 paints a stroke with the context's brush spacing, not with the
// spacing stored in the brush (which stock brushes do not even let us
// change). Setting it in the pushed context keeps it to this stroke.
// GIMP also keeps the brush size apart from the brush: a style that names a
// brush gets that brush as it is made, at "stroke-size: " when given; a
// style without one paints with the context's brush and its options.
void stroke(gint32 image, const QVDrawSettings &s) {
  if (!s.stroke) return;
  GimpRGB colour = to_rgb(s.stroke_color);
  gimp_context_set_foreground(&colour);
  gimp_context_set_paint_mode(static_cast<GimpLayerMode>(s.stroke_mode));
  gimp_context_set_opacity(percent(s.stroke_opacity));
  if (resource_exists(gimp_brushes_get_list, s.stroke_brush) &&
      gimp_context_set_brush(s.stroke_brush.c_str()))
    qv_context_set_brush_neutral();
  if (s.stroke_size > 0) gimp_context_set_brush_size(std::min(s.stroke_size, kLargestBrushSize));
  if (s.stroke_spacing > 0)
    gimp_context_set_brush_spacing(std::clamp(s.stroke_spacing / 100.0, 0.01, 50.0));
  else
    gimp_context_set_brush_default_spacing();
  gimp_path_stroke_current(image);
}

// ---- The fill and stroke phase -------------------------------------------------

struct QVDrawTargets {
  gint32 target = -1;      // the active drawable the draw paints on
  gint32 temp_layer = -1;  // the pattern's rotation layer
  gint32 mapped = -1;      // the placed copy of the path
};

void fold_opacity(gint32 image, const std::string &path, const char *override_text, gint32 target,
                  const QVPlacement &placement, QVDrawSettings &s) {
  double opacity = 100;
  int mode = 0;
  qv_path_get_style_attribute(image, path.c_str(), nullptr, kCurrentPathFlags, override_text,
                              {{"opacity: ", &opacity}, {"paintmode: ", &mode}});
  opacity *= placement.fade;
  if (qv_layer_is_esl(target)) {
    gimp_layer_set_mode(target, static_cast<GimpLayerMode>(mode));
    gimp_layer_set_opacity(target, percent(opacity));
    return;
  }
  s.fill_opacity = s.fill_opacity * opacity / 100;
  s.stroke_opacity = s.stroke_opacity * opacity / 100;
}

QVRotation gradient_line(gint32 image, const std::string &path, const char *override_text,
                         const QVDrawSettings &s) {
  QVRotation line;
  line.x2 = line.y2 = 0;
  if (s.fill != QVFillKind::gradient || !s.has_gradient_line) return line;
  qv_path_get_style_attribute(image, path.c_str(), nullptr, kCurrentPathFlags, override_text,
                              {{"gradient-line: ", &line}});
  return line;
}

void fill_and_stroke(gint32 image, gint32 vectors, const std::string &path,
                     const QVPathPoints &points, const QVSnapshot *snapshot,
                     const char *override_text, const QVPlacement &placement) {
  const auto lines = qv_style_merge(qv_path_get_style_text_with_sheet(image, path.c_str(), nullptr),
                                    optional_text(override_text));
  if (!lines || lines->empty()) return;
  QVDrawSettings s = qv_draw_settings_scan(*lines);
  QVRotation line = gradient_line(image, path, override_text, s);

  QVDrawTargets t;
  t.target = gimp_image_get_active_drawable(image);
  if (t.target < 1) return;
  fold_opacity(image, path, override_text, t.target, placement, s);

  if (placement.rotation_active || placement.translation_active) {
    if (s.fill == QVFillKind::pattern)
      t.temp_layer = make_temp_layer(image);
    else
      t.mapped = write_mapped_path(image, points, placement, line, s.fill == QVFillKind::gradient);
  }
  const gint32 fill_target = t.temp_layer > 0 ? t.temp_layer : t.target;
  const gint32 drawn_path = t.mapped > 0 ? t.mapped : vectors;
  {
    QVContextScope context;
    gimp_selection_none(image);
    fill(image, drawn_path, fill_target, s, line);
    stroke(image, s);
    if (t.temp_layer > 0) {
      merge_temp_layer(t.temp_layer, t.target, placement);
      make_active(image, t.target);
    }
    if (t.mapped > 0) {
      gimp_image_set_active_vectors(image, vectors);
      qv_path_delete(image, qv_take_string(gimp_item_get_name(t.mapped)).c_str());
    }
    qv_draw_markers(image, path, snapshot, override_text, s.marker_start, s.marker_end,
                    qv_path_draw_style);
  }
}

}  // namespace

void qv_path_draw_style(gint32 image, const QVSnapshot *snapshot, const char *override_text) {
  if (!qv_rendering_in_progress()) return;
  const gint32 vectors = gimp_image_get_active_vectors(image);
  if (vectors < 1) return;
  const std::string path = qv_take_string(gimp_item_get_name(vectors));
  QVTattooScope tattoo(image);
  const QVReadCacheScope read_cache;

  store_single_date(image, path, override_text);
  const QVPathPoints points = qv_path_read_points(image, path.c_str(), nullptr);
  if (points.points.size() < kFewestValues) {
    qv_path_bounding_boxes(image, path.c_str(), nullptr);
    return;
  }
  const QVPlacement placement = read_placement(image, path, override_text);
  const QVExtraResult extra =
      qv_draw_image_or_text(image, path, points.points, snapshot, override_text, placement);
  if (extra == QVExtraResult::abort) return;
  qv_path_bounding_boxes(image, path.c_str(), nullptr);
  if (extra == QVExtraResult::drawn) return;
  fill_and_stroke(image, vectors, path, points, snapshot, override_text, placement);
}

void qv_context_set_brush_neutral() {
  gimp_context_set_paint_method("gimp-paintbrush");
  if (resource_exists(gimp_dynamics_get_list, kDynamicsOff))
    gimp_context_set_dynamics(kDynamicsOff);
  gimp_context_set_brush_default_size();
  gimp_context_set_brush_default_hardness();
  gimp_context_set_brush_aspect_ratio(0);
  gimp_context_set_brush_angle(0);
  gimp_context_set_brush_force(0.5);
}
