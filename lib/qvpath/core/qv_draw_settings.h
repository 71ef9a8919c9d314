// The fill and stroke settings of one draw, read off the merged style lines,
// and the recognition of GIMP's built-in foreground/background gradients by
// their content rather than by their (translated) names. Pure logic.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "core/qv_attributes.h"  // QVColor
#include "core/qv_style.h"       // QVStyleItems

enum class QVFillKind { none = 0, color = 1, pattern = 2, gradient = 3 };

struct QVDrawSettings {
  bool stroke = false;  // a "stroke: " line was seen
  QVColor stroke_color;
  int stroke_mode = 0;
  double stroke_opacity = 100;
  std::string stroke_brush;     // empty: the context's brush
  unsigned stroke_spacing = 0;  // percent of the brush size; 0: the brush's own
  double stroke_size = 0;       // pixels; 0: the brush's own size

  QVFillKind fill = QVFillKind::none;  // the last fill line decides
  QVColor fill_color;                  // also the gradient's background end
  int fill_mode = 0;
  double fill_opacity = 100;
  double feather = 0;
  std::string pattern;
  std::string gradient;
  int gradient_number = -1;

  QVColor gradient_fg;
  bool gradient_reverse = false;
  int gradient_type = 0;
  int gradient_repeat = 0;
  double gradient_offset = 0;
  bool dither = false;
  bool supersample = false;
  int supersample_depth = 1;
  double supersample_threshold = 1.0;
  bool has_gradient_line = false;  // its value comes from the getter, which
                                   // keeps it in step with the helper path

  std::string marker_start;
  std::string marker_end;
};

// Scans the lines in order; a later line of an attribute overwrites an
// earlier one. Without a "stroke: " line and without a fill line the path is
// filled black; "marker-attr-ignore: " drops both markers.
QVDrawSettings qv_draw_settings_scan(const QVStyleItems &items);

// The first segment of a gradient as GIMP describes it, with the colours
// sampled under known context colours (so that colours that follow the
// context show as those colours).
struct QVGradientSegment {
  int segments = 1;
  std::array<double, 4> left{};   // r, g, b, a
  std::array<double, 4> right{};  // r, g, b, a
  double left_pos = 0, middle_pos = 0.5, right_pos = 1;
  int blending = 0;  // GIMP's segment type; 0 linear
  int coloring = 0;  // 0 RGB, 1 HSV counter-clockwise, 2 HSV clockwise
};

// The system number of a gradient: 0 foreground to background (RGB),
// 1 the same with the hue turning clockwise, 2 counter-clockwise,
// 3 foreground to transparent; none for any other gradient. Colours are
// compared after rounding to 4 decimals.
std::optional<int> qv_gradient_system_number(const QVGradientSegment &segment, const QVColor &fg,
                                             const QVColor &bg);
