// Running the blocks of a render: one GIMP process per block, at most a
// given number at once. GIMP's batch mode exits 0 even when the program it
// ran failed, so a block counts as done only when GIMP ended cleanly, the
// render procedure did not report a failure (it removes the block's marker
// file then) and every frame file of the block is on disk.
#pragma once

#include "qv_frame_names.h"
#include "qv_render_blocks.h"

#include <functional>
#include <string>
#include <vector>

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
  std::string reason;  // why it failed
};

// Runs every block, also after others failed, and returns one outcome per
// block in block order. Progress lines go to `log`.
std::vector<QVBlockOutcome> qv_run_render_job(const QVRenderJob &job,
                                              const std::function<void(const std::string &)> &log);

// "frames 100–199 (out_0100.png … out_0199.png)" for messages.
std::string qv_block_description(const QVFrameName &first, const QVFrameBlock &block);

// The frame files of the block that are not on disk.
std::vector<std::string> qv_block_missing_files(const QVFrameName &first,
                                                const QVFrameBlock &block);
