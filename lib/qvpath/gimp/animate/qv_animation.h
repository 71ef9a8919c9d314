// The animation-level draw: draws a path, or a keyspline animation of paths,
// at the animation parameter t.
#pragma once

#include <libgimp/gimp.h>

#include "core/qv_snapshot.h"

// Draws path `path` of `source_image` (empty: its current path) at t onto
// `target_image`. 1 when something was handled; 0 when nothing was drawn
// (no rendering marker, no such path).
int qv_path_animation_draw3(gint32 source_image, const char *path, double t, gint32 target_image,
                            const QVSnapshot *snapshot);
