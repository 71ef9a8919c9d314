#include "core/qv_row_colours.h"

#include <algorithm>
#include <cmath>

namespace {

double linear_channel(std::uint16_t value) {
  const double c = value / 65535.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

constexpr QVRgb16 kBlack = {0, 0, 0};
constexpr QVRgb16 kWhite = {0xFFFF, 0xFFFF, 0xFFFF};

// Both timeline lists, the plug-ins' and the launcher's, show the groups in
// these colours, so a user knows a group from one list to the other.
constexpr QVRgb16 kCurrentBackground = {0xEF00, 0xCF00, 0x8300};
constexpr QVRgb16 kRecentBackground = {0xF000, 0xDB00, 0xA900};

}  // namespace

double qv_relative_luminance(const QVRgb16 &colour) {
  return 0.2126 * linear_channel(colour.red) + 0.7152 * linear_channel(colour.green) +
         0.0722 * linear_channel(colour.blue);
}

double qv_contrast_ratio(const QVRgb16 &a, const QVRgb16 &b) {
  const double la = qv_relative_luminance(a);
  const double lb = qv_relative_luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QVRgb16 qv_readable_foreground(const QVRgb16 &background) {
  return qv_contrast_ratio(kBlack, background) >= qv_contrast_ratio(kWhite, background) ? kBlack
                                                                                        : kWhite;
}

std::optional<QVRowColours> qv_timeline_row_colours(QVTimelineGroup group) {
  switch (group) {
    case QVTimelineGroup::current:
      return QVRowColours{kCurrentBackground, qv_readable_foreground(kCurrentBackground)};
    case QVTimelineGroup::recent:
      return QVRowColours{kRecentBackground, qv_readable_foreground(kRecentBackground)};
    case QVTimelineGroup::rest:
      break;
  }
  return std::nullopt;
}
