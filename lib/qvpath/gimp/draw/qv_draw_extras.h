// What the style-level draw draws instead of fill and stroke: a placed
// image, a symbol with its text, or a text, as the path's name and style
// make it one.
#pragma once

#include <libgimp/gimp.h>

#include <string>
#include <vector>

#include "core/qv_placement.h"  // QVPlacement
#include "core/qv_snapshot.h"

enum class QVExtraResult {
  none,   // the path is neither an image nor a text: fill and stroke it
  drawn,  // an image or a text was drawn (or could not be placed): the draw ends
  abort,  // the text was not valid UTF-8: the draw ends at once
};

// Draws the current path `path` as a placed image or a text when its name
// and style make it one. `points` is its point triple list.
QVExtraResult qv_draw_image_or_text(gint32 image, const std::string &path,
                                    const std::vector<double> &points, const QVSnapshot *snapshot,
                                    const char *override_text, const QVPlacement &placement);
