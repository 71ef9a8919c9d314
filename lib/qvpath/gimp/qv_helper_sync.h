// Keeping the helper paths of "rotate-at: " and "gradient-line: " in step
// with their owners: a helper's points are the editable form of the value.
#pragma once

#include <libgimp/gimp.h>

// With a rotation helper: its centre and handle become the path's (or, in a
// draw group, every group path's) "rotate-at: ". Without one: a helper is
// made from the value. lock_mode 1 locks the path and its helpers.
void qv_helpers_sync_rotation(gint32 image, const char *path, int lock_mode);

// The same for "gradient-line: " and the gradient helper.
void qv_helpers_sync_gradient(gint32 image, const char *path, int lock_mode);
