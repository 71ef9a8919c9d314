// Carrying out the animation window's frame job in GIMP, one frame per
// call, so that the window's main loop runs between frames and Cancel (which
// takes the rendering marker down) is seen before the next one: keyspline
// previews and frames loaded from files go into the frame store, and frames
// of the store are saved to numbered files.
#pragma once

#include <libgimp/gimp.h>

#include <string>
#include <vector>

#include "core/qv_frame_job.h"
#include "gimp/render/qv_render.h"

// The store keeps at most this many bytes of pixels; a job that would go
// beyond stops there with a message (the frames kept so far stay).
inline constexpr size_t QV_FRAME_STORE_MAX_BYTES = size_t(1) << 30;

struct QVFrameJobRun {
  QVFrameJob job;
  gint32 image = -1;
  std::vector<std::string> paths;  // of a preview
  long in = 0;                     // first store frame a save job writes
  QVpathAnimationEnvironment env;  // its frame_store is the window's store
  long index = -1;                 // -1: not begun
  bool marker_set_here = false;
  size_t store_limit = QV_FRAME_STORE_MAX_BYTES;  // bytes of pixels the store may hold
  std::string failure;  // why the job ended early, "" when it did not
};

// Sets the run up to render `count` frames of the image's timeline (a name
// or a ".qvt" file) from the first frame's name on: into the store, every
// preview-step-th frame of the timeline's header (and the last), and with
// `save` also into the numbered files. The store's frames stay until the
// job begins. False with a message when the timeline cannot be rendered.
bool qv_frame_job_setup_timeline(QVFrameJobRun &run, const std::string &timeline,
                                 const std::string &first_frame, long count, bool save);

// The store's size in bytes of pixels.
size_t qv_frame_store_bytes(const QVpathAnimationEnvironment &env);

// One call of the job: the first sets the rendering marker and (but for a
// save) empties the store; each later one does one frame. False once the
// job is over (all done, stopped, marker taken down, or a frame failed);
// the marker is then down again if this job set it.
bool qv_frame_job_step(QVFrameJobRun &run);

// Ends a job early (Cancel): the frames done so far stay.
void qv_frame_job_stop(QVFrameJobRun &run);
