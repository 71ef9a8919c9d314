// The bounding boxes a draw leaves behind for scripts: "qv-bbox-path", the
// extent of the drawn path, and "qv-bbox-image", the box of an image placed
// by the path. Both are GIMP-wide parasites of four host-order int32 values:
// x, y, width, height.
#pragma once

#include <libgimp/gimp.h>

#include <array>
#include <optional>

#include "core/qv_snapshot.h"

extern const char *const QV_BBOX_PATH;   // "qv-bbox-path"
extern const char *const QV_BBOX_IMAGE;  // "qv-bbox-image"

using QVBox = std::array<gint32, 4>;  // x, y, width, height

// Writes the boxes of the named path (nothing when it does not exist).
void qv_path_bounding_boxes(gint32 image, const char *path, const QVSnapshot *snapshot);

// A stored box, or none.
std::optional<QVBox> qv_bbox_read(const char *name);
