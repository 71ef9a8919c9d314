#include "core/qv_timeline_cell.h"

#include <algorithm>
#include <cmath>

#include "core/qv_render_timing.h"

namespace {

constexpr QVCellColour kFade = {0xF000, 0xE900, 0x1100};
constexpr QVCellColour kRising = {0x3D00, 0x8500, 0x1100};
constexpr QVCellColour kFalling = {0xA100, 0x2100, 0x1100};
constexpr QVCellColour kSteady = {0x3D00, 0x2100, 0x7500};
constexpr QVCellColour kSteadySelected = {0xB300, 0x9C00, 0xE400};
constexpr QVCellColour kRepeats = {0x0A00, 0xA400, 0xAA00};
constexpr QVCellColour kInpoint = {0xF000, 0x0800, 0x3900};
constexpr QVCellColour kOutpoint = {0xF000, 0xB100, 0x0800};
constexpr QVCellColour kForeground = {0, 0, 0, true};

struct Axis {
  QVCellRect cell;
  double start, seconds_per_pixel;
  double x(double time) const { return cell.x + (time - start) / seconds_per_pixel; }
  double right() const { return cell.x + cell.width; }
};

// A span from x0 to x1 on the axis, clipped to the cell; none when less
// than a pixel of it is left (or `at_least_one` keeps one pixel).
bool add_span(std::vector<QVCellShape> &out, const Axis &axis, QVCellPart part, double x0,
              double x1, int y, int height, QVCellColour colour, bool lines,
              bool at_least_one = false) {
  if (at_least_one && x1 - x0 < 1) x1 = x0 + 1;
  x0 = std::max(x0, double(axis.cell.x));
  x1 = std::min(x1, axis.right());
  const int left = static_cast<int>(std::floor(x0));
  const int width = static_cast<int>(std::floor(x1)) - left;
  if (width < 1) return false;
  out.push_back({part, {left, y, width, height}, colour, lines});
  return true;
}

void add_marker(std::vector<QVCellShape> &out, const Axis &axis, QVCellPart part, double time,
                QVCellColour colour) {
  const double x = axis.x(time);
  if (x < 0 || x < axis.cell.x || x >= axis.right()) return;
  out.push_back({part,
                 {static_cast<int>(std::floor(x)), 0, 1, axis.cell.y + axis.cell.height},
                 colour,
                 false});
}

}  // namespace

std::vector<QVCellShape> qv_timeline_cell_shapes(const QVahdrChunk &header,
                                                 const QVanimChunk &entry, QVCellRect cell,
                                                 bool selected) {
  std::vector<QVCellShape> out;
  const double spp = header.view_seconds_per_pixel > 0 ? header.view_seconds_per_pixel : 0.02;
  const Axis axis{cell, header.view_start, spp};
  const int middle = cell.y + cell.height / 2;
  const double B = entry.begin, D = std::max(0.0, entry.duration), R = entry.repeat;

  // Before the begin: frozen at the start (from the left edge when frozen
  // from time 0), faded in before that.
  const bool frozen_always = entry.freeze_before < 0;
  const double visible_from = frozen_always ? B : B - entry.freeze_before;
  if (frozen_always || entry.freeze_before > 0)
    add_span(out, axis, QVCellPart::freeze_before,
             frozen_always ? double(cell.x) : axis.x(visible_from), axis.x(B), middle - 1, 1,
             kForeground, true);
  if (!frozen_always && entry.fade_in > 0)
    add_span(out, axis, QVCellPart::fade_in, axis.x(visible_from - entry.fade_in),
             axis.x(visible_from), cell.y + 1, cell.height - 8, kFade, false);

  const double t0 = entry.t_start < 0 ? 0 : entry.t_start, t1 = entry.t_end < 0 ? 0 : entry.t_end;
  const QVCellColour pass = t0 < t1    ? kRising
                            : t0 > t1  ? kFalling
                            : selected ? kSteadySelected
                                       : kSteady;
  add_span(out, axis, QVCellPart::first_pass, axis.x(B), axis.x(B + D), cell.y + 1, cell.height - 2,
           pass, false);

  const double passes_end = B + D;
  if (R < 0) {
    add_span(out, axis, QVCellPart::repeats, axis.x(passes_end), axis.right(), cell.y + 1,
             cell.height - 2, kRepeats, false);
  } else {
    const double repeats_end = passes_end + R * D;
    if (R > 0.00001)
      add_span(out, axis, QVCellPart::repeats, axis.x(passes_end), axis.x(repeats_end), cell.y + 1,
               cell.height - 2, kRepeats, false, true);
    // After the passes: frozen at the end (to the right edge when forever),
    // then faded out.
    if (entry.freeze_after < 0) {
      add_span(out, axis, QVCellPart::freeze_after, axis.x(repeats_end), axis.right(), middle - 1,
               1, kForeground, true);
    } else {
      const double freeze_end = repeats_end + entry.freeze_after;
      if (entry.freeze_after > 0)
        add_span(out, axis, QVCellPart::freeze_after, axis.x(repeats_end), axis.x(freeze_end),
                 middle - 1, 1, kForeground, true);
      if (entry.fade_out > 0)
        add_span(out, axis, QVCellPart::fade_out, axis.x(freeze_end),
                 axis.x(freeze_end + entry.fade_out), cell.y + 7, cell.height - 8, kFade, false);
    }
  }
  add_marker(out, axis, QVCellPart::inpoint, header.inpoint, kInpoint);
  add_marker(out, axis, QVCellPart::outpoint, qv_ahdr_outpoint(header), kOutpoint);
  return out;
}
