// The "Draw Path" driver: draws the image's current path (or the path a
// helper path stands for) at t on its target layers.
#pragma once

#include <libgimp/gimp.h>

#include <optional>
#include <string>

enum class QVDrawTarget {
  esl,           // the path's Edit Style Layer (created when missing)
  unset_esl,     // hide the ESLs, then draw on the active layer
  active_layer,  // the active layer as it is
};

// The path that a draw of `current` stands for: a helper path stands for its
// owner. None when the helper's owner is gone.
std::optional<std::string> qv_draw_resolve_path(gint32 image, const std::string &current);

// Draws the image's current path at t on the chosen target.
void qv_path_draw_current(gint32 image, QVDrawTarget target, double t);
