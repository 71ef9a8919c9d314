// What an image path or a symbol path holds: the path an artist makes to
// place a picture, a layer or a timeline of another XCF, or a symbol (a
// layer named like "[Star]") on the canvas. The frame is two corners, from
// the selection or the drawable; the style names the source. Pure logic:
// the dialogs and the GIMP side fill the plan and write the result.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

enum class QVImageSource { image, layer, timeline, symbol };

struct QVImagePathPlan {
  std::string file;  // as written into "image: " (relative or absolute)
  QVImageSource source = QVImageSource::image;
  std::string item;                    // the layer, timeline or symbol (a "[...]" layer)
  double timeline_seconds = 0;         // in- to outpoint of the timeline
  int width = 0, height = 0;           // the picture's, the layer's or the symbol's size
  bool merge_visible = false;          // a whole XCF of several layers: as it looks
  bool marker = false;                 // "use as marker"
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // the frame's corners
};

// The path's name. A picture is named by its file, a layer or timeline by
// file and item; nothing in it may make the path a text or symbol path
// (double quotes, a leading "[" or "{"). A symbol path is the symbol and
// its name quoted: "[Star] \"Star\"".
std::string qv_image_path_name(const QVImagePathPlan &plan);

// One Bezier segment from the first corner to the second (15 numbers); as a
// marker, the frame's vertical centre line from top to bottom, so that the
// marker stands upright on the path it ends.
std::vector<double> qv_image_path_points(const QVImagePathPlan &plan);

// The style: "image: ", "image-original-size: ", "image-merge-visible: ",
// "aspect-ratio-mode: " (1 keep the aspect ratio; 13 as a marker), and
// "layer: ", or "@-timeline: " with "@-timeline-dur: ", or for a marker
// "marker-offsets: " (the top centre, where it meets the path).
std::vector<std::pair<std::string, std::string>> qv_image_path_style(const QVImagePathPlan &plan);

// The symbols of an XCF: its layers whose whole name is a bracket part.
std::vector<std::string> qv_symbol_layers(const std::vector<std::string> &layer_names);
