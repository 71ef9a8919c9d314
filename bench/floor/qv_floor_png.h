// The floor's PNG encoder: 8-bit pixels straight to a PNG file, with the
// settings the renderer's frames use (compression 9, no interlace), landing
// on disk the way a frame must: written to the frame's hidden temporary name
// and renamed into place, so that a reader never sees half a frame.
#pragma once

#include <glib.h>

#include <string>
#include <vector>

struct QVFloorPixels {
  int width = 0;
  int height = 0;
  int channels = 0;           // 1 grey, 2 grey and alpha, 3 RGB, 4 RGBA
  std::vector<guint8> bytes;  // rows top to bottom, no padding
};

// Empty when the file is written; otherwise why not (then neither the file
// nor its temporary is left behind).
std::string qv_floor_write_png(const std::string &file, const QVFloorPixels &pixels);
