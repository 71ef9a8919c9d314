// The draw plug-in's shared services: the re-entrancy marker of a running
// draw or render, the default t, closing images opened while drawing, and the
// draw-current driver that draws the image's current path on its target
// layers.
#pragma once

#include <libgimp/gimp.h>

#include <optional>
#include <string>

extern const char *const QV_RENDERING_MARKER;  // "qv-rendering-in-progress"
extern const char *const QV_OPENED_IMAGE_MARK;  // "qv-image-opend-by-qv-path-draw"
extern const char *const QV_RENDER_DUPLICATE_MARK;  // "qv-render-duplicate"

// set true: attach the marker when absent; false: detach it when present.
// Answers whether the marker was present before.
bool qv_rendering_flag(bool set);
bool qv_rendering_in_progress();

// The t of "qv-default-t" in gimprc, created as "0.5" when missing.
double qv_default_t();

// Deletes every open image marked as opened by the draw whose counter is at
// least the threshold (every marked image with threshold 0).
void qv_close_opened_images(int threshold);
// Deletes every open image marked as a render duplicate.
void qv_delete_render_duplicates();

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

// Removes every ESL layer of the image in one undo group.
void qv_remove_all_esl_layers(gint32 image);
