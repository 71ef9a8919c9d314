// Colours of list rows that carry their own background. A background chosen
// by the suite says nothing about the desktop theme's text colour: a dark
// theme paints light text, which vanishes on the suite's pale backgrounds.
// So every row that gets a background also gets a foreground chosen here,
// from the background alone. Channels are 16-bit, as GdkColor holds them,
// so the GTK side copies them over without rounding.
#pragma once

#include <cstdint>
#include <optional>

#include "core/qv_xcf_timelines.h"

struct QVRgb16 {
  std::uint16_t red = 0;
  std::uint16_t green = 0;
  std::uint16_t blue = 0;
};

inline bool operator==(const QVRgb16 &a, const QVRgb16 &b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

// WCAG's contrast for body text. Black or white reaches at least 4.58 on any
// background, so a foreground from qv_readable_foreground always passes.
constexpr double QV_READABLE_CONTRAST = 4.5;

// Relative luminance of an sRGB colour, 0 (black) to 1 (white), as WCAG 2
// defines it: each channel linearised, then weighted 0.2126, 0.7152, 0.0722.
double qv_relative_luminance(const QVRgb16 &colour);

// (L_lighter + 0.05) / (L_darker + 0.05): 1 for equal colours, 21 for black
// on white; symmetric.
double qv_contrast_ratio(const QVRgb16 &a, const QVRgb16 &b);

// Black or white, whichever contrasts more with the background (black on a
// tie: it is the more common text colour).
QVRgb16 qv_readable_foreground(const QVRgb16 &background);

struct QVRowColours {
  QVRgb16 background;
  QVRgb16 foreground;
};

// The timeline lists' row colours: the current timeline and the recent ones
// each have their background, the rest none (the theme's colours).
std::optional<QVRowColours> qv_timeline_row_colours(QVTimelineGroup group);
