#include "core/qv_render_progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/qv_attributes.h"
#include "core/qv_locale.h"

#include <glib/gi18n-lib.h>

std::string qv_duration_text(double seconds) {
  const long long whole =
      std::isfinite(seconds) && seconds > 0 ? static_cast<long long>(std::floor(seconds)) : 0;
  const long long hours = whole / 3600;
  const long long minutes = whole / 60 % 60;
  const long long secs = whole % 60;
  char text[48];
  if (hours > 0) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", hours, minutes, secs);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", minutes, secs);
  }
  return text;
}

QVRenderProgress qv_render_progress(long done, long total, double elapsed_seconds) {
  QVRenderProgress progress;
  total = std::max(0L, total);
  done = std::clamp(done, 0L, total);
  const double elapsed =
      std::isfinite(elapsed_seconds) && elapsed_seconds > 0 ? elapsed_seconds : 0.0;
  progress.fraction = total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
  progress.frames = qv_text(_("%ld/%ld frames"), done, total);
  progress.times = qv_text(_("%s elapsed"), qv_duration_text(elapsed).c_str());
  if (done == total) {
    progress.seconds_left = 0.0;
  } else if (done > 0) {
    progress.seconds_left = elapsed / static_cast<double>(done) * static_cast<double>(total - done);
  }
  if (progress.seconds_left) {
    // To the nearest second: a countdown that lags by up to a second reads
    // as stuck more than one that is half a second early.
    progress.times +=
        qv_text(_(", %s left"), qv_duration_text(std::round(*progress.seconds_left)).c_str());
  } else {
    progress.times += _(", time left unknown");
  }
  return progress;
}

std::string qv_render_progress_line(long done, long total, double elapsed_seconds) {
  const QVRenderProgress progress = qv_render_progress(done, total, elapsed_seconds);
  std::string line = progress.frames;
  if (done > 0 && elapsed_seconds > 0)
    line += qv_text(_(", %s frames/s"), qv_format("%0.1f", done / elapsed_seconds).c_str());
  return line + ", " + progress.times;
}
