// What the timeline editor's cell draws for one entry: its phases on the
// time axis of the view (x = cell x + (time - view start) / seconds per
// pixel), each a filled bar, a pair of lines or a vertical marker in its
// colour. Pure geometry, so that the cell renderer only paints the shapes.
#pragma once

#include <cstdint>
#include <vector>

#include "core/qv_timeline.h"

enum class QVCellPart {
  freeze_before,
  fade_in,
  first_pass,
  repeats,
  freeze_after,
  fade_out,
  inpoint,
  outpoint
};

struct QVCellColour {
  uint16_t red = 0, green = 0, blue = 0;
  bool foreground = false;  // the widget's text colour instead
};

struct QVCellRect {
  int x = 0, y = 0, width = 0, height = 0;
};

struct QVCellShape {
  QVCellPart part;
  QVCellRect rect;  // a bar; lines: two rows (y and y + 2) of 1 pixel; markers: 1 pixel wide
  QVCellColour colour;
  bool lines = false;
};

// The shapes of `entry` within `cell`, in drawing order, clipped to the
// cell (markers run from the view's top, y 0, to the cell's bottom). A
// phase narrower than a pixel is left out; repeats keep at least one.
// `selected` is a selected row in a focused view.
std::vector<QVCellShape> qv_timeline_cell_shapes(const QVahdrChunk &header,
                                                 const QVanimChunk &entry, QVCellRect cell,
                                                 bool selected);
