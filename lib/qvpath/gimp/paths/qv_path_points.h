// Reading a path's points into the point triple list (x, y, type per point:
// 1 anchor, 2 control, 3 anchor that starts a further stroke) and writing a
// list back as a new path.
#pragma once

#include <libgimp/gimp.h>

#include <vector>

#include "core/qv_snapshot.h"

struct QVPathPoints {
  gint32 path_type = 0;  // 0: nothing read
  gint32 closed = 0;     // the last stroke's closed flag
  std::vector<double> points;
};

// Reads the named path from the image, or from the snapshot when one is given.
QVPathPoints qv_path_read_points(gint32 image, const char *name, const QVSnapshot *snapshot);

// Writes the list as a new path named `name` (one vectors stroke per stroke)
// and makes it current. Returns the new vectors id, or -1 (count < 6 or GIMP
// refused).
gint32 qv_path_write_points(gint32 image, const char *name, gint32 path_type,
                            const std::vector<double> &points);
