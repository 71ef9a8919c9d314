// One style editor per GIMP, and its life: a run either hands its image to
// the editor that runs (through the GIMP-wide marker) or becomes the
// editor; closing the window tidies the image it showed.
#pragma once

#include <libgimp/gimp.h>

#include "gimp/editor/qv_style_editor_window.h"

// Whether this run may open the editor: true after writing the image into
// the marker; false when another editor runs (it was asked to show `image`).
// A negative marker is a request nobody took: it does not hold a run back.
bool qv_style_editor_claim(gint32 image);

// What closing the window does to the image: orphaned path parasites and
// helper paths removed, the fade opacity back at 1; the marker detached.
void qv_style_editor_close(QVStyleEditor &editor);

// Builds the editor with its menus connected, as the run shows it.
std::unique_ptr<QVStyleEditor> qv_style_editor_open(gint32 image);

// The whole interactive run: claim, open, show, timer, dialog loop, close.
void qv_style_editor_run(gint32 image);
