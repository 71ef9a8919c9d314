#include "core/qv_render_blocks.h"

#include "core/qv_glib_ptr.h"
#include "core/qv_scheme.h"

#include <glib.h>

#include <cstdio>

std::vector<QVFrameBlock> qv_plan_blocks(long frames, long block_size) {
  std::vector<QVFrameBlock> blocks;
  const long size = block_size < 1 ? 1 : block_size;
  for (long first = 0; first < frames; first += size) {
    blocks.push_back({first, first + size <= frames ? size : frames - first});
  }
  return blocks;
}

std::vector<QVFrameBlock> qv_plan_resume(long frames, long block_size,
                                         const std::function<bool(long frame)> &done) {
  std::vector<QVFrameBlock> blocks;
  long frame = 0;
  while (frame < frames) {
    if (done(frame)) {
      ++frame;
      continue;
    }
    long run_end = frame + 1;
    while (run_end < frames && !done(run_end)) ++run_end;
    for (QVFrameBlock block : qv_plan_blocks(run_end - frame, block_size)) {
      block.first += frame;
      blocks.push_back(block);
    }
    frame = run_end;
  }
  return blocks;
}

std::string qv_block_first_frame(const QVFrameName &first, const QVFrameBlock &block) {
  return qv_frame_name_build(first, first.start + block.first);
}

std::vector<std::string> qv_block_frame_files(const QVFrameName &first, const QVFrameBlock &block) {
  std::vector<std::string> files;
  for (long i = 0; i < block.count; ++i) {
    files.push_back(qv_frame_name_build(first, first.start + block.first + i));
  }
  return files;
}

namespace {

std::string escaped(const std::string &text) {
  return qv_take_string(g_strescape(text.c_str(), nullptr));
}

}  // namespace

std::string qv_render_block_program(const std::string &xcf, const std::string &timeline,
                                    const std::string &first_frame, long count,
                                    const std::string &marker) {
  const std::string image = qv_scheme_string_literal(xcf);
  return "(begin(define image (car (gimp-file-load 1 " + image + " " + image +
         ")))(if (> 1 (car (plug-in-qv-render-timeline-save 2 image 0 " +
         qv_scheme_string_literal(escaped(timeline)) + " " +
         qv_scheme_string_literal(escaped(first_frame)) + " " + std::to_string(count) +
         ")))(plug-in-qv-remove-file " + qv_scheme_string_literal(marker) + "))(gimp-quit 1))";
}

std::string qv_runner_keyfile_name(const std::string &program_path) {
  const size_t n = program_path.size();
  if (n >= 4 && program_path[n - 4] == '.') return program_path.substr(0, n - 3) + "ini";
  return program_path + ".ini";
}
