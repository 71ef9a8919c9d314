// Placed images: a path's frame (or four anchors) filled with a layer of
// another image, by file and layer or by symbol name.
#pragma once

#include <libgimp/gimp.h>

#include <optional>
#include <string>

#include "core/qv_placement.h"  // QVPlacement
#include "core/qv_placement.h"

// The style attributes of a placed image.
struct QVImageAttrs {
  std::optional<std::string> image, layer;
  int layer_position = -1;
  int merge_visible = 0;
  int aspect = 1;
  double fill_opacity = 100, opacity = 100;
  int mode = 0;
  std::optional<std::string> timeline;
  double timeline_t = 0;
};

QVImageAttrs qv_read_image_attrs(gint32 image, const std::string &path, const char *override_text);

// Places the image "image: " names ("file;layer", "layer: " taking
// precedence) at `where`. A file that cannot be had is reported to the user.
void qv_draw_placed_image(gint32 image, const QVImageAttrs &a, const QVImagePlace &where,
                          const QVPlacement &placement);

// Places the layer named `symbol` of the image "image: " names at `where`;
// nothing when the image has no such layer.
void qv_draw_symbol(gint32 image, const QVImageAttrs &a, const std::string &symbol,
                    const QVImagePlace &where, const QVPlacement &placement);
