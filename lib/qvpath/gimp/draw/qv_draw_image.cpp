// The transform calls used here (gimp_drawable_transform_*) and
// gimp_drawable_offsets are deprecated in 2.10. They are kept on purpose:
// they take interpolation, clipping and direction as arguments instead of
// from the context, and they transform exactly the drawable given, where
// their successors also move every linked item (ESLs are linked while styles
// are edited).
#define GIMP_DISABLE_DEPRECATION_WARNINGS 1

#include "gimp/draw/qv_draw_image.h"

#include <glib/gi18n-lib.h>

#include <algorithm>
#include <vector>

#include "core/qv_filename.h"
#include "core/qv_glib_ptr.h"
#include "core/qv_transform.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_render_session.h"
#include "gimp/base/qv_scopes.h"
#include "gimp/draw/qv_draw_floating.h"
#include "gimp/render/qv_nested_timeline.h"
#include "gimp/style/qv_style_getter.h"

namespace {

constexpr unsigned kGetFlags = QV_GET_BINARY | QV_GET_OVERRIDE;

std::vector<gint32> layers_of(gint32 image) {
  gint count = 0;
  return qv_take_array(gimp_image_get_layers(image, &count), count);
}

// ---- Opening the source image --------------------------------------------

std::optional<std::string> image_folder_file(gint32 drawn_image) {
  const qv_gstring native_base(gimp_image_get_filename(drawn_image));
  if (!native_base) return std::nullopt;
  return qv_filename_to_utf8(native_base.get());
}

void reset_opened_mark(gint32 image) {
  const gint32 zero = 0;
  gimp_image_attach_new_parasite(image, QV_OPENED_IMAGE_MARK, 0, sizeof zero, &zero);
}

std::optional<gint32> find_open_image(const std::string &utf8,
                                      const std::optional<std::string> &native) {
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
  const std::string utf8 = qv_filename_resolve(name, image_folder_file(drawn_image));
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
  qv_user_message("%s:\n\"%s\"", _("No valid image file"), utf8.c_str());
  return std::nullopt;
}

// ---- The source layer ------------------------------------------------------

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
    case 3:
      return GIMP_CLIP_TO_IMAGE;
    case 4:
      return GIMP_EXPAND_AS_NECESSARY;
    default:
      return GIMP_CLIP_TO_BOTTOM_LAYER;
  }
}

// The layer whose pixels are placed: the chosen one, or the source image
// flattened or merged on a duplicate (held by `duplicate` until the copy is
// made).
gint32 merged_source_layer(gint32 source, gint32 chosen, int merge_visible,
                           QVTempImage &duplicate) {
  if (merge_visible <= 0) return chosen;
  if (merge_visible == 1) {
    duplicate.id = gimp_image_duplicate(source);
    return gimp_image_flatten(duplicate.id);
  }
  const auto layers = layers_of(source);
  const auto visible = std::count_if(layers.begin(), layers.end(), gimp_item_get_visible);
  if (visible == 1) return *std::find_if(layers.begin(), layers.end(), gimp_item_get_visible);
  if (visible == 0) return chosen;
  duplicate.id = gimp_image_duplicate(source);
  return gimp_image_merge_visible_layers(duplicate.id, merge_type(merge_visible));
}

// The source layer copied into the drawn image and floating on the target.
struct QVFloatingCopy {
  gint32 layer = -1;
  double source_opacity = 1;  // the source layer's own opacity, 0..1
};

std::optional<QVFloatingCopy> float_source_copy(gint32 image, gint32 target, gint32 source,
                                                gint32 chosen, int merge_visible) {
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

// ---- Fitting the copy into its frame ---------------------------------------

QVCorners layer_corners(gint32 layer) {
  gint x = 0, y = 0;
  gimp_drawable_offsets(layer, &x, &y);
  const double w = gimp_drawable_width(layer), h = gimp_drawable_height(layer);
  return {QVPoint{double(x), double(y)}, QVPoint{x + w, double(y)}, QVPoint{double(x), y + h},
          QVPoint{x + w, y + h}};
}

// Maps the layer's corners onto `to`; none when no matrix can be made.
std::optional<gint32> transform_onto(gint32 layer, const QVCorners &to) {
  const QVMatrix3Result r = qv_matrix3_from_corners(layer_corners(layer), to);
  if (!r.ok) return std::nullopt;
  const auto &c = r.matrix.m;
  return qv_transformed(
      gimp_drawable_transform_matrix(layer, c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8],
                                     GIMP_TRANSFORM_FORWARD, GIMP_INTERPOLATION_CUBIC, TRUE, 3,
                                     GIMP_TRANSFORM_RESIZE_ADJUST),
      layer);
}

gint32 scale_into(gint32 layer, const QVFrame &f) {
  if (gimp_drawable_width(layer) == f.width() && gimp_drawable_height(layer) == f.height()) {
    gimp_layer_set_offsets(layer, qv_layer_coordinate(f.left), qv_layer_coordinate(f.top));
    return layer;
  }
  return qv_transformed(gimp_drawable_transform_scale(
                            layer, f.left, f.top, f.right, f.bottom, GIMP_TRANSFORM_FORWARD,
                            GIMP_INTERPOLATION_CUBIC, FALSE, 3, GIMP_TRANSFORM_RESIZE_ADJUST),
                        layer);
}

// Brings the floating layer onto its frame (or quadrilateral); none, with
// the layer removed, when no matrix maps it there.
std::optional<gint32> fit_onto(gint32 layer, QVFrame frame, const QVImagePlace &where, int aspect) {
  if (!where.quad)
    qv_frame_fit(frame, aspect, gimp_drawable_width(layer), gimp_drawable_height(layer));
  if (where.quad || frame.flip_h || frame.flip_v) {
    const auto moved = transform_onto(layer, where.quad ? *where.quad : qv_frame_corners(frame));
    if (!moved) {
      gimp_floating_sel_remove(layer);
      return std::nullopt;
    }
    layer = *moved;
  } else {
    layer = scale_into(layer, frame);
  }
  if (!where.quad && frame.angle != 0)
    layer = qv_floating_rotate(layer, frame.angle, frame.cx, frame.cy, true);
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
    if (const auto rendered = qv_render_nested_timeline(source, *a.timeline, a.timeline_t, 0)) {
      timeline_frame.id = *rendered;
      if (timeline_frame.id < 1 || !qv_rendering_in_progress()) return;
      source = timeline_frame.id;
    }
  }
  const gint32 chosen = choose_source_layer(source, layer_name, a.layer_position);
  if (chosen < 1) return;
  const QVFrame frame = qv_frame_from_corners(where.c1, where.c2, a.aspect);
  if (!qv_rendering_in_progress()) return;
  if (!where.quad && !qv_frame_usable(frame, a.aspect)) return;

  gimp_selection_none(image);
  const auto copy = float_source_copy(image, target, source, chosen, a.merge_visible);
  if (!copy) return;
  const auto fitted = fit_onto(copy->layer, frame, where, a.aspect);
  if (!fitted) return;
  const gint32 layer = qv_floating_place(*fitted, placement);
  qv_floating_finish(target, layer, a.mode, a.opacity * placement.fade,
                     copy->source_opacity * a.fill_opacity);
}

}  // namespace

QVImageAttrs qv_read_image_attrs(gint32 image, const std::string &path, const char *override_text) {
  QVImageAttrs a;
  qv_path_get_style_attribute(image, path.c_str(), nullptr, kGetFlags, override_text,
                              {{"image: ", &a.image},
                               {"layer: ", &a.layer},
                               {"layer-position: ", &a.layer_position},
                               {"image-merge-visible: ", &a.merge_visible},
                               {"aspect-ratio-mode: ", &a.aspect},
                               {"fill-opacity: ", &a.fill_opacity},
                               {"opacity: ", &a.opacity},
                               {"fill-paintmode: ", &a.mode}});
  std::optional<std::string> timeline, t, t_temp;
  qv_path_get_style_attribute(
      image, path.c_str(), nullptr, QV_GET_RAW | QV_GET_OVERRIDE, override_text,
      {{"@-timeline: ", &timeline}, {"@-timeline-t: ", &t}, {"@-timeline-t-temp: ", &t_temp}});
  if (timeline && !timeline->empty()) a.timeline = timeline;
  if (t || t_temp) a.timeline_t = qv_parse_number(t ? *t : *t_temp);
  return a;
}

void qv_draw_placed_image(gint32 image, const QVImageAttrs &a, const QVImagePlace &where,
                          const QVPlacement &placement) {
  if (!a.image) return;
  const auto [file, layer_name] = qv_image_value_split(*a.image);
  const auto source = open_source_image(image, file);
  if (!source) return;
  place_image(image, a, placement, *source, a.layer ? a.layer : layer_name, where);
}

void qv_draw_symbol(gint32 image, const QVImageAttrs &a, const std::string &symbol,
                    const QVImagePlace &where, const QVPlacement &placement) {
  if (!a.image) return;
  const auto source = open_source_image(image, qv_image_value_split(*a.image).first);
  if (!source) return;
  const auto layers = layers_of(*source);
  const bool found = std::any_of(layers.begin(), layers.end(), [&](gint32 l) {
    return qv_take_string(gimp_item_get_name(l)) == symbol;
  });
  if (found) place_image(image, a, placement, *source, symbol, where);
}
