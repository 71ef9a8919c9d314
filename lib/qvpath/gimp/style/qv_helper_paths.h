// Helper paths: "rotate-at: " and "gradient-line: " shown as editable lines
// on the canvas. A helper belongs to the path (or draw group) it serves; its
// points are the editable form of the owner's value and are kept in step
// with it here. Names follow qv_names.h.
#pragma once

#include <libgimp/gimp.h>

#include <optional>
#include <string>

// The name of the path's rotation helper (the group's for a path in a draw
// group), or none.
std::optional<std::string> qv_helpers_rotation_of(gint32 image, const char *path);

// The name of the path's gradient helper, or none.
std::optional<std::string> qv_helpers_gradient_of(gint32 image, const char *path);

// Deletes the rotation helpers of a path (null or "" = the current path);
// in a draw group the group's helper goes and the group's other paths lose
// their "rotate-at: ". A helper path has no helpers: nothing happens for one.
void qv_helpers_remove_rotation(gint32 image, const char *path);

// Deletes the gradient helpers of a path (null or "" = the current path).
void qv_helpers_remove_gradient(gint32 image, const char *path);

// Deletes helper paths whose owner is gone (or, for gradient helpers, whose
// owner has no "gradient-line: " any more) and all but the first helper of
// each kind per owner; in one undo group when anything is deleted.
void qv_helpers_cleanup(gint32 image);

// With a rotation helper: its centre and handle become the path's (or, in a
// draw group, every group path's) "rotate-at: ". Without one: a helper is
// made from the value. lock_mode 1 locks the path and its helpers.
void qv_helpers_sync_rotation(gint32 image, const char *path, int lock_mode);

// The same for "gradient-line: " and the gradient helper.
void qv_helpers_sync_gradient(gint32 image, const char *path, int lock_mode);
