// Where a placed image goes: the frame that two corners of its path span,
// fitted to the image's aspect as the aspect-ratio mode asks, flipped when
// the corners run backwards, or the quadrilateral of four anchors.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/qv_geometry.h"   // QVPoint
#include "core/qv_transform.h"  // QVRotation

// Placement of what a path draws: "rotate-at: " with "rotate-at-add: "
// added, and "translate: ".
struct QVPlacement {
  QVRotation rotate_at;  // centre x, y and angle summed with "rotate-at-add: "
  double dx = 0, dy = 0;
  bool rotation_active = false;     // angle not a whole multiple of 360 degrees
  bool translation_active = false;  // dx or dy not 0
  double fade = 1.0;                // "qv-animation-fade-opacity", clamped to 0..1
};

// Bits of "aspect-ratio-mode: ".
constexpr int QV_ASPECT_KEEP = 1;             // keep the image's aspect
constexpr int QV_ASPECT_CENTRE_ON_FIRST = 2;  // corner 1 is the centre, corner 2 a corner
constexpr int QV_ASPECT_DRAW_OUTSIDE = 4;     // with KEEP: cover the frame rather than fit into it
constexpr int QV_ASPECT_MARKER = 8;           // corner 1 to corner 2 is the image's upward axis

// The frame of a placed image: corner 1 and corner 2 of the path,
// normalised, with what the aspect-ratio mode derives from them.
struct QVFrame {
  double left = 0, top = 0, right = 0, bottom = 0;
  double cx = 0, cy = 0;  // centre
  double d = 0;           // corner-to-corner distance (twice it when centred on corner 1)
  bool flip_h = false, flip_v = false;
  double angle = 0;  // marker mode: radians the image turns about the centre
  double width() const { return right - left; }
  double height() const { return bottom - top; }
};

using QVCorners = std::array<QVPoint, 4>;  // top-left, top-right, bottom-left, bottom-right

// Where the image goes: a frame from two corners, or (four-corner mode) the
// quadrilateral of the first four anchors.
struct QVImagePlace {
  QVPoint c1, c2;
  std::optional<QVCorners> quad;
};

QVFrame qv_frame_from_corners(QVPoint c1, QVPoint c2, int aspect);

// Whether anything can be drawn into the frame: both sides at least one
// pixel, or one of them when the image keeps its aspect and may overflow.
bool qv_frame_usable(const QVFrame &frame, int aspect);

// Fits the frame to an image `iw` × `ih` where the mode asks for it, about
// the frame's middle (marker mode: about the centre, `d` high). An image
// without area, or with a non-finite side, leaves the frame as it is.
void qv_frame_fit(QVFrame &frame, int aspect, double iw, double ih);

// The frame's corners with its flips applied: mapping an image's own
// corners onto these mirrors it.
QVCorners qv_frame_corners(const QVFrame &frame);

// The place of an image on the point triple list of its path: anchors 0 and
// 3, and with more than 32 values also anchors 6 and 9 as a quadrilateral.
// None for fewer than four points.
std::optional<QVImagePlace> qv_image_place(const std::vector<double> &points);

// "file;layer": the layer name is all after the first ";" and may hold more.
std::pair<std::string, std::optional<std::string>> qv_image_value_split(const std::string &value);

// A coordinate as a layer offset or transform centre: cut toward zero.
// Values that are not finite become 0 and values beyond ±1e9 are clamped,
// since GIMP refuses or wraps what does not fit an int.
int qv_layer_coordinate(double v);
