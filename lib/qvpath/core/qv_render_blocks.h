// Batch rendering of a timeline in blocks: each block is one GIMP start that
// renders a run of frames, so a long timeline survives a crash of one GIMP,
// blocks can run side by side, and a render that was stopped can pick up
// the frames still missing.
#pragma once

#include "core/qv_frame_names.h"

#include <functional>
#include <string>
#include <vector>

// A run of frames, counted from the first frame of the whole job (0-based).
struct QVFrameBlock {
  long first = 0;
  long count = 0;
  bool operator==(const QVFrameBlock &other) const {
    return first == other.first && count == other.count;
  }
};

// Full blocks of `block_size` frames and one shorter last block for the
// remainder. A block size below 1 counts as 1; no frames give no blocks.
std::vector<QVFrameBlock> qv_plan_blocks(long frames, long block_size);

// The blocks for the frames not yet done: each run of missing frames is cut
// into blocks of at most `block_size`, so no block re-renders a finished one.
std::vector<QVFrameBlock> qv_plan_resume(long frames, long block_size,
                                         const std::function<bool(long frame)> &done);

// The first frame's file name of a block, and all of its file names.
std::string qv_block_first_frame(const QVFrameName &first, const QVFrameBlock &block);
std::vector<std::string> qv_block_frame_files(const QVFrameName &first, const QVFrameBlock &block);

// The Script-Fu batch program of one block: load the image, render and save
// the frames through "plug-in-qv-render-timeline-save" in its escaped-strings
// mode, and remove the marker file when the render reports less than
// success, so the launcher learns of the failure. The timeline and frame
// names are escaped (g_strescape) for that mode on top of the literal
// quoting; the image and marker names are quoted only.
std::string qv_render_block_program(const std::string &xcf, const std::string &timeline,
                                    const std::string &first_frame, long count,
                                    const std::string &marker);

// The launcher's key file beside the program: a three-letter extension
// ("frameRunner.exe") is replaced by "ini", otherwise ".ini" is appended.
std::string qv_runner_keyfile_name(const std::string &program_path);
