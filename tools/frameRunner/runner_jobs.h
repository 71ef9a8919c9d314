// Running the blocks of a render: one GIMP process per block, at most a
// given number at once. GIMP's batch mode exits 0 even when the program it
// ran failed, so a block counts as done only when GIMP ended cleanly, the
// render procedure did not report a failure (it removes the block's marker
// file then) and every frame file of the block is on disk.
//
// GIMP is started without a display (DISPLAY and WAYLAND_DISPLAY are taken
// out of its environment), so a batch GIMP never opens a window: the render
// procedure then reports its progress through GIMP's progress calls instead
// of its "Render&Save" window, with the same frames.
#pragma once

#include "core/qv_frame_names.h"
#include "core/qv_render_blocks.h"

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

// The most GIMP processes a job runs at once, whatever is asked: each needs
// a few hundred megabytes, and more than this only makes them wait for disk
// and processors.
constexpr int QV_RUNNER_MAX_JOBS = 16;

// GIMP processes at once for a request: 0 or less means one per processor;
// the result lies in 1..QV_RUNNER_MAX_JOBS.
int qv_runner_parallel(int asked);

struct QVRenderJob {
  std::string gimp;                     // executable, a path or a name on PATH
  std::vector<std::string> parameters;  // put between the executable and "-b"
  std::string xcf;
  std::string timeline;
  QVFrameName first;  // the first frame of the whole job
  std::vector<QVFrameBlock> blocks;
  int parallel = 1;
};

struct QVBlockOutcome {
  QVFrameBlock block;
  bool ok = false;
  bool started = false;    // its GIMP was started
  bool cancelled = false;  // ended early, or never started, because the job was cancelled
  std::string reason;      // why it failed
};

struct QVJobRun;

// Stops a job while qv_run_render_job runs it, from a callback of the main
// loop (a Cancel button): blocks not yet started are never started, the
// running GIMPs are ended with everything they started (SIGTERM to their
// process groups, SIGKILL to what is left after a short grace), and the
// temporary files of the started blocks' frames are removed, so only whole
// frame files remain. It also tells which blocks have started.
class QVJobControl {
 public:
  // Safe to call more than once; before the job runs it keeps every block
  // from starting, after the job ended it does nothing.
  void cancel();
  bool cancelled() const { return cancelled_; }
  // The signal (SIGINT, SIGTERM, SIGHUP) that cancelled the job; 0 if none did.
  int signal() const { return signal_; }
  // Per block of the job, whether its GIMP was started (sized once the job runs).
  const std::vector<bool> &started() const { return started_; }

 private:
  friend struct QVJobRun;
  bool cancelled_ = false;
  bool finished_ = false;
  int signal_ = 0;
  std::vector<bool> started_;
  QVJobRun *run_ = nullptr;
};

// Runs every block, also after others failed, and returns one outcome per
// block in block order. Progress lines go to `log`.
//
// Each GIMP starts in a process group of its own, so that a cancel reaches
// GIMP's plug-ins too, and gets SIGTERM should frameRunner die. While the
// job runs, SIGINT, SIGTERM and SIGHUP cancel it like the Cancel button
// (the control, when given, tells which signal): the GIMPs are ended, their
// unfinished frame files and frameRunner's marker files removed. Marker
// files that a killed frameRunner left behind are removed when the next job
// starts.
std::vector<QVBlockOutcome> qv_run_render_job(const QVRenderJob &job,
                                              const std::function<void(const std::string &)> &log,
                                              QVJobControl *control = nullptr);

// "frames 100–199 (out_0100.png … out_0199.png)" for messages.
std::string qv_block_description(const QVFrameName &first, const QVFrameBlock &block);

// Removes the temporary files that an ended render may have left beside the
// job's first `frames` frames; returns how many there were.
long qv_remove_temporary_frames(const QVFrameName &first, long frames);

// The frame files of the block that are not on disk.
std::vector<std::string> qv_block_missing_files(const QVFrameName &first,
                                                const QVFrameBlock &block);

// Counts the frames a job has written, by looking at its frame files: a
// frame counts once its file is there and is not the file that was there
// when the watch was made (a frame rendered again is written to a new file
// renamed over the old one). Only the frames of started blocks are looked
// at, each until it counts, so a poll stays cheap.
class QVFrameWatch {
 public:
  explicit QVFrameWatch(const QVRenderJob &job);
  long total() const { return total_; }
  long done() const { return done_; }
  // Looks again at the started blocks (as QVJobControl::started gives them;
  // an empty vector means all) and returns the frames done.
  long poll(const std::vector<bool> &started);

 private:
  struct Frame {
    std::string file;
    bool existed = false;  // a file was there when the watch was made …
    dev_t device = 0;      // … and this was its identity
    ino_t inode = 0;
    bool done = false;
  };
  std::vector<std::vector<Frame>> blocks_;
  long total_ = 0;
  long done_ = 0;
};
