// The style-level draw: draws the image's current path once with its style
// onto the active drawable: a placed image or a text when the path is one,
// otherwise fill, stroke and markers.
#pragma once

#include <libgimp/gimp.h>

#include <optional>
#include <string>
#include <vector>

#include "core/qv_placement.h"  // QVPlacement
#include "core/qv_snapshot.h"

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

// GIMP's gradients behind the system numbers 0..3 that styles name in
// "gradient-system-nr: " ("FG to BG (RGB)" and its kin, whatever language
// GIMP speaks): the number of a gradient, and the gradient of a number.
std::optional<int> qv_gradient_system_number_of(const std::string &gradient);
std::optional<std::string> qv_system_gradient(int number);
