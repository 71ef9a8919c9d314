// Making a path in between two paths of an image, with its style
// interpolated from theirs. Keyspline animation morphs key paths this way,
// and copies a path into another image with t = 0.
#pragma once

#include <libgimp/gimp.h>

#include <optional>
#include <string>

#include "core/qv_snapshot.h"

// Creates in `target` the path at t between paths p0 and p1 of `source` (read
// from `snapshot` when one is given) and makes it current. An empty p0 stands
// for p1 at t = 1, an empty p1 for p0 at t = 0. The name is `name` when given
// and not empty, else one made from the two names. At t <= 0 (t >= 1) the
// new path is a copy of p0 (p1) with all its path parasites; between them it
// gets the interpolated style alone. Returns the new path's name as GIMP
// stored it (GIMP makes names unique within an image), or none when nothing
// was made: a name that is no path of the source, or GIMP refused the path.
std::optional<std::string> qv_path_new_inbetween(gint32 source, const char *p0, const char *p1,
                                                 double t, const char *name, gint32 target,
                                                 const QVSnapshot *snapshot);
