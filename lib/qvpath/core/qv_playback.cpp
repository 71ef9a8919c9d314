#include "core/qv_playback.h"

#include <cmath>

#include "core/qv_attributes.h"
#include "core/qv_timeline.h"

QVPlayhead qv_play_next(QVPlayhead head, QVLoopMode mode, long in, long end) {
  head.at_end = false;
  if (end < in) end = in;
  if (head.frame < in || head.frame > end) {
    head.frame = mode == QVLoopMode::backward ? end : in;
    return head;
  }
  switch (mode) {
    case QVLoopMode::forward:
      head.frame = head.frame >= end ? in : head.frame + 1;
      break;
    case QVLoopMode::backward:
      head.frame = head.frame <= in ? end : head.frame - 1;
      break;
    case QVLoopMode::pingpong:
      if (in == end) break;
      if ((head.direction > 0 && head.frame >= end) || (head.direction < 0 && head.frame <= in)) {
        head.direction = -head.direction;
        head.at_end = true;
      }
      head.frame += head.direction;
      break;
    case QVLoopMode::stopped:
      break;
  }
  return head;
}

bool qv_preview_keeps(long index, long count, int step) {
  if (step < 1) return true;
  return index % step == 0 || index == count - 1;
}

QVTimeParts qv_time_parts(double seconds, double fps) {
  QVTimeParts parts;
  if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
  if (!std::isfinite(fps) || fps <= 0) fps = 25;
  double whole = std::floor(seconds);
  double frames = std::floor(fps * (seconds - whole + 0.5 / fps));
  // A remainder that rounds up to a whole second carries into the seconds,
  // so that the frames field never shows as many frames as a second has.
  if (frames >= std::ceil(fps)) {
    whole += 1;
    frames = 0;
  }
  parts.hours = static_cast<long>(whole / 3600);
  parts.minutes = static_cast<long>((whole - parts.hours * 3600.0) / 60);
  parts.seconds = static_cast<long>(whole - parts.hours * 3600.0 - parts.minutes * 60.0);
  parts.frames = static_cast<long>(frames);
  return parts;
}

double qv_time_seconds(const QVTimeParts &parts, double fps) {
  return parts.hours * 3600.0 + parts.minutes * 60.0 + parts.seconds +
         (fps > 0 ? parts.frames / fps : 0);
}

std::string qv_rate_menu_label(double fps, int interlace) {
  const bool whole = std::floor(fps) == fps;
  const std::string rate = "fps(" + qv_format(whole ? "%0.0f" : "%0.2f", fps) + ") | ";
  if (interlace == QV_INTERLACED_PAL) return rate + "PAL";
  if (interlace == QV_INTERLACED_NTSC) return rate + "NTSC";
  return rate + "progressive";
}
