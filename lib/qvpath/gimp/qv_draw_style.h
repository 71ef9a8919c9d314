// The style-level draw: draws the image's current path once with its style
// onto the active drawable: a placed image or a text when the path is one,
// otherwise fill, stroke and markers.
#pragma once

#include <libgimp/gimp.h>

#include <string>
#include <vector>

#include "qv_snapshot.h"
#include "qv_transform.h"

// Placement of what a path draws: "rotate-at: " with "rotate-at-add: "
// added, and "translate: ".
struct QVPlacement {
  QVRotation rotate_at;  // centre x, y and angle summed with "rotate-at-add: "
  double dx = 0, dy = 0;
  bool rotation_active = false;     // angle not a whole multiple of 360 degrees
  bool translation_active = false;  // dx or dy not 0
  double fade = 1.0;                // "qv-animation-fade-opacity", clamped to 0..1
};

// Draws the current path of `image`. The snapshot (optional) is passed on to
// the reads of the paths a style names; the override text (optional) is
// merged after the path's own style on every read. Draws nothing unless
// "qv-rendering-in-progress" is set.
void qv_path_draw_style(gint32 image, const QVSnapshot *snapshot, const char *override_text);

// Puts the brush options that painting tools change (size, hardness, aspect
// ratio, angle, force, dynamics) and the paint method back to what the
// context's brush itself says, in the current context. Strokes made after
// it look the same whatever the user last did with the paintbrush.
void qv_context_set_brush_neutral();

// "qv-animation-fade-opacity" of the image, clamped to 0..1; 1 when missing.
double qv_fade_opacity(gint32 image);

// Whether a layer is an Edit Style Layer (per path or per group).
bool qv_layer_is_esl(gint32 layer);
