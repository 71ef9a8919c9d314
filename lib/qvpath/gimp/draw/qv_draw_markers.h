// Start and end markers: paths drawn at the ends of the drawn path, turned
// with its direction there.
#pragma once

#include <libgimp/gimp.h>

#include <string>

#include "core/qv_snapshot.h"

// How a marker is drawn once it is placed: as a styled path, by the style
// draw that asked for the markers (qv_path_draw_style). It is passed in
// rather than called from here so that markers stay below the style draw;
// "marker-attr-ignore: " keeps a marker from drawing markers of its own.
using QVMarkerDraw = void (*)(gint32 image, const QVSnapshot *snapshot, const char *override_text);

// Draws the start marker, then the end marker, of the current path `path`
// (an empty marker name, a missing or empty marker path: skipped). The path
// is current again afterwards.
void qv_draw_markers(gint32 image, const std::string &path, const QVSnapshot *snapshot,
                     const char *override_text, const std::string &marker_start,
                     const std::string &marker_end, QVMarkerDraw draw);
