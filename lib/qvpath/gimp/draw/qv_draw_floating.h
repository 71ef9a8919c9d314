// The floating layers a draw makes (placed images, texts, letters): moved,
// turned and placed as the path's style asks, then anchored on the target.
#pragma once

#include <libgimp/gimp.h>

#include "core/qv_placement.h"  // QVPlacement

// What a GIMP transform handed back, or the layer itself when it failed.
gint32 qv_transformed(gint32 result, gint32 layer);

// Moves the layer by (dx, dy); the new offsets are cut toward zero.
gint32 qv_floating_move(gint32 layer, double dx, double dy);

// Turns the layer by `radians` about (cx, cy), growing it to hold the
// turned pixels.
gint32 qv_floating_rotate(gint32 layer, double radians, double cx, double cy, bool supersample);

// "rotate-at: " (when active), then "translate: " (when active).
gint32 qv_floating_place(gint32 layer, const QVPlacement &placement);

// Mode and opacity of a drawn layer, then anchored. On an Edit Style Layer
// the ESL itself carries the mode and the overall opacity, so that the
// preview composites like the finished drawing and its pixels stay those of
// the path alone; elsewhere they are folded into the floating layer.
// `own_percent` is the layer's opacity before the overall opacity applies.
void qv_floating_finish(gint32 target, gint32 layer, int mode, double opacity, double own_percent);
