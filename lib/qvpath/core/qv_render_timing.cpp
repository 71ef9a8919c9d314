#include "core/qv_render_timing.h"

#include <glib.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

double clamp_t(double t) { return std::isnan(t) ? 0.0 : std::clamp(t, 0.0, 1.0); }

double round3(double v) { return std::round(v * 1000.0) / 1000.0; }

double lerp(double a, double b, double u) { return (1.0 - u) * a + u * b; }

std::vector<std::string> split_items(const std::string &text) {
  std::vector<std::string> items;
  size_t begin = 0;
  for (;;) {
    const size_t semi = text.find(';', begin);
    items.push_back(
        text.substr(begin, semi == std::string::npos ? std::string::npos : semi - begin));
    if (semi == std::string::npos) return items;
    begin = semi + 1;
  }
}

// Before the begin: held at t_start while visible, fading in.
std::optional<QVentryState> before_begin(const QVanimChunk &e, double t0, double T) {
  const double visible_from = e.freeze_before < 0 ? 0.0 : round3(e.begin - e.freeze_before);
  if (visible_from <= T) return QVentryState{t0, 1.0};
  const double fade_from = round3(e.fade_in > 0 ? visible_from - e.fade_in : visible_from);
  if (fade_from > T) return std::nullopt;
  return QVentryState{t0, (T - fade_from) / e.fade_in};
}

// After the last pass: held at t_end, then fading out.
std::optional<QVentryState> after_end(const QVanimChunk &e, double t1, double T) {
  if (e.freeze_after == 0 && e.fade_out <= 0) return std::nullopt;
  const double end = e.begin + e.duration + (e.repeat > 0 ? e.repeat * e.duration : 0.0);
  if (e.freeze_after >= 0 && T >= end + e.freeze_after) {
    if (e.fade_out <= 0 || T >= end + e.freeze_after + e.fade_out) return std::nullopt;
    return QVentryState{t1, (end + e.freeze_after + e.fade_out - T) / e.fade_out};
  }
  return QVentryState{t1, 1.0};
}

}  // namespace

int qv_render_mode_flags(int mode) {
  switch (mode) {
    case 1:
      return QV_RENDER_SAVE | QV_RENDER_FLATTEN;
    case 2:
      return QV_RENDER_SAVE | QV_RENDER_INTERLACED;
    case 3:
      return QV_RENDER_SAVE | QV_RENDER_INTERLACED | QV_RENDER_FLATTEN;
    case 4:
      return QV_RENDER_SAVE | QV_RENDER_INTERLACED | QV_RENDER_NTSC;
    case 5:
      return QV_RENDER_SAVE | QV_RENDER_INTERLACED | QV_RENDER_NTSC | QV_RENDER_FLATTEN;
    default:
      return QV_RENDER_SAVE;
  }
}

long qv_inpoint_frame(double fps, double inpoint) {
  const double frame = std::floor(fps * inpoint + 0.5);
  return std::isfinite(frame) ? static_cast<long>(std::clamp(frame, -1e15, 1e15)) : 0;
}

double qv_frame_time(double fps, double inpoint, long index, double half) {
  if (!(fps > 0)) return 0.0;  // no clock: everything happens at time 0
  return (static_cast<double>(qv_inpoint_frame(fps, inpoint)) + static_cast<double>(index) + half) /
         fps;
}

double qv_ahdr_outpoint(const QVahdrChunk &h) {
  // The outpoint is stored in seconds whichever way the editor asks for it;
  // only "End" follows the timeline's end instead.
  if (h.outpoint_mode == QV_OUT_END) return std::max(h.end, h.min_end);
  return h.outpoint;
}

long qv_ahdr_frame_count(const QVahdrChunk &h) {
  const double frames = h.fps * (qv_ahdr_outpoint(h) - h.inpoint) + 0.5;
  if (!std::isfinite(frames) || frames < 1.0) return 0;
  if (frames >= 999999.0) return 999999;
  return static_cast<long>(frames);
}

QVFrameRange qv_render_frame_range(const QVahdrChunk &h, long first, long asked) {
  QVFrameRange range;
  const double out = std::floor(h.fps * qv_ahdr_outpoint(h) + 0.5);
  // A header that passed the decoder's checks has a finite outpoint; the
  // bound keeps the conversion defined for any other.
  range.outpoint_frame = std::isfinite(out) ? static_cast<long>(std::clamp(out, 0.0, 1e15)) : 0;
  const long left = std::max(0L, range.outpoint_frame - std::max(0L, first));
  range.frames = std::min(std::max(0L, asked), left);
  range.cut = range.frames < asked;
  return range;
}

double qv_render_frame_t(long i, long frames, double t_start, double t_end) {
  t_start = clamp_t(t_start);
  t_end = clamp_t(t_end);
  const double divisor =
      frames < 0 ? -static_cast<double>(frames) : static_cast<double>(frames) - 1;
  const double m = divisor < 1 ? 0.0 : static_cast<double>(i) / divisor;
  return m * t_end + (1.0 - m) * t_start;
}

double qv_render_field_t(long i, long frames, double t_start, double t_end) {
  const double divisor =
      frames < 0 ? -static_cast<double>(frames) : static_cast<double>(frames) - 1;
  if (divisor < 1) return qv_render_frame_t(i, frames, t_start, t_end);
  const double m = (static_cast<double>(i) + 0.5) / divisor;
  return m * clamp_t(t_end) + (1.0 - m) * clamp_t(t_start);
}

std::optional<QVentryState> qv_entry_state(const QVanimChunk &e, double T) {
  const double t0 = clamp_t(e.t_start), t1 = clamp_t(e.t_end);
  const double B = e.begin, D = e.duration, R = e.repeat;
  if (std::isnan(T)) return std::nullopt;
  if (T < B) return before_begin(e, t0, T);
  // An entry without duration has no running phase: it jumps to its end.
  if (D > 0) {
    if (T < B + D) return QVentryState{lerp(t0, t1, (T - B) / D), 1.0};
    if (R < 0 || (R > 0 && T < B + D + D * R)) {
      const double v = (T - B - D) / D;
      return QVentryState{lerp(t0, t1, v - std::floor(v)), 1.0};
    }
  }
  return after_end(e, t1, T);
}

bool qv_timelines_push(std::optional<std::string> &list, const std::string &image,
                       const std::string &timeline) {
  if (!list) {
    list = image + ";" + timeline;
    return false;
  }
  const auto items = split_items(*list);
  // Only whole pairs count: an image named like a timeline must not match
  // across two pairs.
  for (size_t i = 0; i + 1 < items.size(); i += 2)
    if (items[i] == image && items[i + 1] == timeline) return true;
  *list += ";" + image + ";" + timeline;
  return false;
}

void qv_timelines_pop(std::optional<std::string> &list) {
  if (!list) return;
  auto items = split_items(*list);
  if (items.size() < 3) {
    list.reset();
    return;
  }
  items.resize(items.size() - 2);
  std::string joined;
  for (size_t i = 0; i < items.size(); ++i) joined += (i ? ";" : "") + items[i];
  list = joined;
}
