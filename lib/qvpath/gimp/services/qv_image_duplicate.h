// Image duplication with tattoos. Styles, timelines and path
// groups refer to paths, layers and channels by tattoo; GIMP's own duplicate
// gives the copy fresh tattoos. The copy made here carries the source's
// tattoos on every path, layer (inside layer groups too), layer mask and
// channel, the source's tattoo counter and its file name, so that it is
// "valid as the original". The renderer draws on such copies;
// the plug-in qv-services-duplicate offers them to scripts.
#pragma once

#include <libgimp/gimp.h>

// The id of the new image, or 0 (with a message) when `image` is not an open
// image or GIMP could not duplicate it. The source keeps its tattoo state;
// nothing else of it changes.
gint32 qv_image_duplicate(gint32 image);

// The run modes of "plug_in_qv_image_duplicate".
enum QVDuplicateMode : gint32 {
  QV_DUPLICATE_WITH_DISPLAY = 0,  // file name "" and a display of its own
  QV_DUPLICATE_IMAGE_ONLY = 1,
  QV_DUPLICATE_REPEAT = 2,  // GIMP's "repeat last" of the menu entry: as 0
};

// True for the modes the procedure accepts (0, 1 and 2).
bool qv_duplicate_mode_valid(gint32 mode);

// The procedure's work: `qv_image_duplicate`, and with a display mode the
// copy's file name cleared and a display opened. A GIMP without a user
// interface (gimp-console) cannot open displays: the copy is returned all
// the same, and a message is shown only when a screen exists that GIMP
// failed to open the display on.
gint32 qv_image_duplicate_service(gint32 mode, gint32 image);
