// Measuring a path of an image (or of a path snapshot) and writing the new
// paths that the cutting modes produce. The geometry itself lives in
// qv_geometry.h; this layer reads the points, reports the two user-facing
// failures and writes the results.
#pragma once

#include <libgimp/gimp.h>

#include "core/qv_geometry.h"
#include "core/qv_snapshot.h"

// Measures the named path (the image's current path when `path` is null or
// empty), read from `snapshot` when one is given. New paths of modes 6 to 9
// are written into `receiving_image` (path type 1) and the last one written
// becomes its current path. Returns 1 when computed; 0 when there is no
// current path ("No Path available!"), the path has no points ("No Path
// Points!", status -1 and the outputs zeroed), the mode is unknown, or the
// receiving image cannot take the new paths.
int qv_path_calculate3(gint32 image, const char *path, QVpathCalc &calc, gint32 receiving_image,
                       const QVSnapshot *snapshot);

// The same without a snapshot.
int qv_path_calculate2(gint32 image, const char *path, QVpathCalc &calc, gint32 receiving_image);

// The same without a snapshot, new paths going into `image` itself.
int qv_path_calculate(gint32 image, const char *path, QVpathCalc &calc);
