// PNG frames written by the render process itself. Handing each frame to
// GIMP's PNG plug-in starts a new process per frame, which costs more than
// drawing the frame; here the frame's pixels are read and compressed in
// place, with the user's PNG settings. Frames the writer does not handle (not
// 8-bit RGB or RGBA) still go through GIMP, as every other format does.
#pragma once

#include <libgimp/gimp.h>

#include <string>

#include "core/qv_png_settings.h"

// The gimprc key that sends PNG frames through GIMP's PNG plug-in when set
// to "gimp" (for comparison, or should a user's GIMP write PNG differently).
extern const char *const QV_PNG_WRITER_KEY;  // "qv-png-writer"

// The user's settings, read once per process from the GIMP-wide parasite.
const QVPngSettings &qv_png_user_settings();

// Whether gimprc asks for GIMP's PNG plug-in; asked once per process.
bool qv_png_through_gimp();

enum class QVPngWrite {
  written,
  failed,       // nothing is left at `file`
  unsupported,  // the drawable is not 8-bit RGB(A): nothing was written
};

// Writes the drawable as `file`, the way GIMP's PNG export writes it with
// these settings, except that the save time is never written (the same
// frame gives the same file). Offsets and resolution come from the
// drawable and its image, the comment from the image's "gimp-comment".
QVPngWrite qv_frame_png_write(gint32 image, gint32 drawable, const std::string &file,
                              const QVPngSettings &settings);

// The same frame through GIMP's PNG plug-in with these settings, again
// without the save time; false when the plug-in failed.
bool qv_frame_png_write_with_gimp(gint32 image, gint32 drawable, const std::string &file,
                                  const QVPngSettings &settings);
