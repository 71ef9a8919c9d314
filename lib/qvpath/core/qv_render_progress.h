// What a progress display of a batch render shows, from the frames done, the
// frames of the whole job and the seconds since it started: the bar's
// fraction, "17/50 frames", and "0:12 elapsed, 0:23 left". The time left is
// the time per frame so far times the frames still to do; it is unknown
// until the first frame is done. Pure logic.
#pragma once

#include <optional>
#include <string>

struct QVRenderProgress {
  double fraction = 0;                 // 0 … 1
  std::string frames;                  // "17/50 frames"
  std::string times;                   // "0:12 elapsed, 0:23 left"
  std::optional<double> seconds_left;  // none before the first frame
};

// `done` is clamped to 0 … `total`, a negative `elapsed` counts as 0; a job
// of no frames is complete (fraction 1).
QVRenderProgress qv_render_progress(long done, long total, double elapsed_seconds);

// "0:07", "12:34", "1:02:03": whole seconds, rounded down; negative as 0.
std::string qv_duration_text(double seconds);

// One line for a terminal or a log: "17/50 frames, 3.4 frames/s, 0:12
// elapsed, 0:23 left" (the rate once a frame is done).
std::string qv_render_progress_line(long done, long total, double elapsed_seconds);
