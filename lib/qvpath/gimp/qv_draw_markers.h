// Start and end markers: paths drawn at the ends of the drawn path, turned
// with its direction there.
#pragma once

#include <libgimp/gimp.h>

#include <string>

#include "qv_snapshot.h"

// Draws the start marker, then the end marker, of the current path `path`
// (an empty marker name, a missing or empty marker path: skipped). The path
// is current again afterwards.
void qv_draw_markers(gint32 image, const std::string &path, const QVSnapshot *snapshot,
                     const char *override_text, const std::string &marker_start,
                     const std::string &marker_end);
