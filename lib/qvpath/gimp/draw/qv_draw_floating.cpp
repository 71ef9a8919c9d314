// The transform calls used here (gimp_drawable_transform_*) and
// gimp_drawable_offsets are deprecated in 2.10. They are kept on purpose:
// they take interpolation, clipping and direction as arguments instead of
// from the context, and they transform exactly the drawable given, where
// their successors also move every linked item (ESLs are linked while styles
// are edited).
#define GIMP_DISABLE_DEPRECATION_WARNINGS 1

#include "gimp/draw/qv_draw_floating.h"

#include <algorithm>
#include <cmath>

#include "core/qv_angles.h"
#include "core/qv_placement.h"
#include "gimp/style/qv_esl.h"

namespace {

void set_opacity(gint32 layer, double percent) {
  gimp_layer_set_opacity(layer, std::isfinite(percent) ? std::clamp(percent, 0.0, 100.0) : 100.0);
}

}  // namespace

gint32 qv_transformed(gint32 result, gint32 layer) { return result > 0 ? result : layer; }

gint32 qv_floating_move(gint32 layer, double dx, double dy) {
  gint x = 0, y = 0;
  gimp_drawable_offsets(layer, &x, &y);
  gimp_layer_set_offsets(layer, qv_layer_coordinate(x + dx), qv_layer_coordinate(y + dy));
  return layer;
}

gint32 qv_floating_rotate(gint32 layer, double radians, double cx, double cy, bool supersample) {
  return qv_transformed(gimp_drawable_transform_rotate(
                            layer, radians, FALSE, qv_layer_coordinate(cx), qv_layer_coordinate(cy),
                            GIMP_TRANSFORM_FORWARD, GIMP_INTERPOLATION_CUBIC, supersample, 3,
                            GIMP_TRANSFORM_RESIZE_ADJUST),
                        layer);
}

gint32 qv_floating_place(gint32 layer, const QVPlacement &placement) {
  if (placement.rotation_active)
    layer = qv_floating_rotate(layer, qv_radians(placement.rotate_at.angle), placement.rotate_at.x,
                               placement.rotate_at.y, true);
  if (placement.translation_active) layer = qv_floating_move(layer, placement.dx, placement.dy);
  return layer;
}

// A channel target takes the floating layer as it is: GIMP 2.10 anchors it
// there as grey values, so no detour through a paste is needed.
void qv_floating_finish(gint32 target, gint32 layer, int mode, double opacity, double own_percent) {
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
