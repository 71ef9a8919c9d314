// The animation window's arithmetic: which frame playback shows next,
// which rendered frames a preview keeps in memory, and how the timeline
// editor writes times and rates. Pure logic, for the window to come and
// its tests.
#pragma once

#include <string>

enum class QVLoopMode { forward, pingpong, backward, stopped };

struct QVPlayhead {
  long frame = 0;
  int direction = 1;    // ping-pong: +1 or -1
  bool at_end = false;  // ping-pong just turned (a pause may follow)
};

// The frame after the playhead's within "In:" … "End:" (in ≤ end):
// forward wraps from end to in, backward from in to end, ping-pong turns
// at either end. A playhead outside the range starts at its near end.
QVPlayhead qv_play_next(QVPlayhead head, QVLoopMode mode, long in, long end);

// Whether frame `index` of `count` rendered with preview step `step` stays
// in memory: every step-th frame and the last one (all with a step below 1).
bool qv_preview_keeps(long index, long count, int step);

// A time in the editor's fields: hours, minutes, seconds and frames at the
// rate (frames = floor(fps × (fraction + 0.5 / fps))).
struct QVTimeParts {
  long hours = 0, minutes = 0, seconds = 0, frames = 0;
};
QVTimeParts qv_time_parts(double seconds, double fps);
// And back: hours × 3600 + minutes × 60 + seconds + frames / fps.
double qv_time_seconds(const QVTimeParts &parts, double fps);

// The rate menu's label: "fps(25) | progressive", "fps(29.97) | PAL", …
std::string qv_rate_menu_label(double fps, int interlace);
