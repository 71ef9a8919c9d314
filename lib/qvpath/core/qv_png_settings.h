// The user's PNG export settings as GIMP's PNG plug-in keeps them: the
// GIMP-wide parasite "png-save-defaults", a line of numbers written when the
// user saves the export dialog's settings as defaults. Frames honour them
// without starting that plug-in.
#pragma once

#include <optional>
#include <string>

extern const char *const QV_PNG_DEFAULTS_PARASITE;  // "png-save-defaults"

struct QVPngSettings {
  bool interlace = false;
  int compression = 9;               // zlib level 0..9
  bool background = true;            // bKGD: the context's background colour
  bool gamma = false;                // gAMA
  bool offsets = false;              // oFFs: the layer's offsets
  bool resolution = true;            // pHYs: the image's resolution
  bool time = true;                  // tIME (frames never write it)
  bool comment = true;               // the image's comment as a text chunk
  bool transparent_colours = false;  // keep the colour of fully transparent pixels
};

// The settings a parasite text stands for: the plug-in's own defaults when
// there is none, and for every number the text lacks or that does not read
// as one. The parasite's order is interlace, background, gamma, offsets,
// resolution, time, comment, transparent colours, compression; numbers after
// those (metadata choices) do not change a frame's pixels and are ignored.
QVPngSettings qv_png_settings_parse(const std::optional<std::string> &text);
