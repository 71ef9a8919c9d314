// The animation window's frame job as steps over one record: loading frames
// from files, previewing keysplines, rendering a timeline and saving frames
// from the store, one frame per main-loop call. What each step does to which
// frame (its t, its file, whether it stays in memory, which frame comes
// next) is decided here, without GIMP; the window carries it out.
#pragma once

#include <string>
#include <vector>

#include "core/qv_frame_names.h"

enum class QVFrameJobKind { load = 0, load_numbered = 1, preview = 2, timeline = 3, save = 4 };

struct QVFrameJob {
  QVFrameJobKind kind = QVFrameJobKind::preview;
  long count = 0;         // frames; negative: a loop of |count| frames
  int flags = 0;          // QV_RENDER_… of the renders
  int preview_step = 0;   // keep every n-th frame in memory (below 2: all)
  QVFrameName files;      // numbered file names: base, first number, digits, extension
  double t0 = 0, t1 = 1;  // t range of a keyspline preview
};

// How many frames the job runs over: |count|.
long qv_frame_job_total(const QVFrameJob &job);

// Whether a job at `index` is finished (index at or past the total).
bool qv_frame_job_done(const QVFrameJob &job, long index);

// The t of a preview frame and of its second field (interlaced previews):
// a count of n spreads t0 … t1 over n frames, both ends included; a loop
// of n frames leaves out t1, which is where the loop starts again.
struct QVFrameT {
  double t = 0;
  double second_field = 0;
};
QVFrameT qv_frame_job_t(const QVFrameJob &job, long index);

// The file of frame `index`: the first number plus index, padded to the
// digits. A name without digits, when loading or for a single frame, is
// the one file it names.
std::string qv_frame_job_file(const QVFrameJob &job, long index);

// The render flags for frame `index`: a timeline render that also saves
// keeps only every preview-step-th frame (and the last) in memory.
int qv_frame_job_flags(const QVFrameJob &job, long index);

// The index after `index`: a job that only fills memory (loading, or a
// timeline preview without saving) skips ahead by the preview step, never
// past the last frame, which it always shows.
long qv_frame_job_next(const QVFrameJob &job, long index);

// The progress bar's text at `index`: "3/30 frames to render", "… to load",
// "… to render for loop", "… to save".
std::string qv_frame_job_progress_text(const QVFrameJob &job, long index);

// How many numbered files exist one after the other from the first name on
// (at most `limit`): what "Load Frames ..." offers to load.
long qv_frame_files_in_row(const QVFrameName &first, long limit);

// The frame counts of the window's "Preview [@]" menu: label, count and t0
// ("   last frame" renders a single frame at t = 1).
struct QVPreviewChoice {
  const char *label;
  long count;
  double t0;
};
const std::vector<QVPreviewChoice> &qv_preview_choices();
