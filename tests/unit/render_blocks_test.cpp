#include "core/qv_frame_names.h"
#include "core/qv_render_blocks.h"
#include "core/qv_runner_settings.h"

#include "core/qv_glib_ptr.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using Blocks = std::vector<QVFrameBlock>;

// Reads a Script-Fu string literal back as the interpreter would.
std::string scheme_read_literal(const std::string &literal) {
  std::string out;
  for (size_t i = 1; i + 1 < literal.size(); ++i) {
    if (literal[i] == '\\') ++i;
    out += literal[i];
  }
  return out;
}

// The string arguments of the render call in a block program, in order.
std::vector<std::string> literals_of(const std::string &program) {
  std::vector<std::string> literals;
  for (size_t i = 0; i < program.size(); ++i) {
    if (program[i] != '"') continue;
    size_t j = i + 1;
    while (program[j] != '"') j += program[j] == '\\' ? 2 : 1;
    literals.push_back(scheme_read_literal(program.substr(i, j - i + 1)));
    i = j;
  }
  return literals;
}

}  // namespace

TEST(FrameNames, SplitAndCountOn) {
  const QVFrameName out = qv_frame_name_split("/r/out_0007.png");
  EXPECT_EQ(out.base, "/r/out_");
  EXPECT_EQ(out.start, 7);
  EXPECT_EQ(out.digits, 4);
  EXPECT_EQ(out.extension, "png");
  EXPECT_EQ(qv_frame_name_build(out, 107), "/r/out_0107.png");
  EXPECT_EQ(qv_frame_name_build(out, 12345), "/r/out_12345.png");  // width is a minimum

  const QVFrameName clip = qv_frame_name_split("clip.png");  // no digits
  EXPECT_EQ(clip.base, "clip");
  EXPECT_EQ(clip.digits, 0);
  EXPECT_EQ(qv_frame_name_build(clip, 0), "clip0.png");
  EXPECT_EQ(qv_frame_name_build(clip, 100), "clip100.png");
}

TEST(FrameNames, FoldersNeverLendTheirDotsOrDigits) {
  const QVFrameName dotted = qv_frame_name_split("/tmp/take.2/shot");
  EXPECT_EQ(dotted.extension, "");
  EXPECT_EQ(dotted.base, "/tmp/take.2/shot");
  EXPECT_EQ(qv_frame_name_build(dotted, 3), "/tmp/take.2/shot3");

  const QVFrameName windows = qv_frame_name_split("C:\\render.v2\\12.exr");
  EXPECT_EQ(windows.base, "C:\\render.v2\\");
  EXPECT_EQ(windows.start, 12);
  EXPECT_EQ(windows.extension, "exr");
  EXPECT_EQ(qv_frame_name_folder("C:\\render.v2\\12.exr"), "C:\\render.v2");
  EXPECT_EQ(qv_frame_name_folder("/out_1.png"), "/");
  EXPECT_EQ(qv_frame_name_folder("out_1.png"), ".");

  // A digit run too long for a frame counter keeps its head in the base.
  const QVFrameName huge = qv_frame_name_split("f_12345678901234567890.png");
  EXPECT_EQ(huge.digits, 15);
  EXPECT_EQ(huge.base, "f_12345");
  EXPECT_EQ(qv_frame_name_build(huge, huge.start + 1), "f_12345678901234567891.png");
}

TEST(RenderBlocks, FullBlocksThenTheRemainder) {
  EXPECT_EQ(qv_plan_blocks(250, 100), (Blocks{{0, 100}, {100, 100}, {200, 50}}));
  EXPECT_EQ(qv_plan_blocks(200, 100), (Blocks{{0, 100}, {100, 100}}));
  EXPECT_EQ(qv_plan_blocks(7, 100), (Blocks{{0, 7}}));
  EXPECT_TRUE(qv_plan_blocks(0, 100).empty());
  EXPECT_TRUE(qv_plan_blocks(-3, 100).empty());
  EXPECT_EQ(qv_plan_blocks(3, 0), (Blocks{{0, 1}, {1, 1}, {2, 1}}));

  const QVFrameName first = qv_frame_name_split("out_0007.png");
  EXPECT_EQ(qv_block_first_frame(first, {100, 100}), "out_0107.png");
  EXPECT_EQ(qv_block_frame_files(first, {200, 3}),
            (std::vector<std::string>{"out_0207.png", "out_0208.png", "out_0209.png"}));
}

TEST(RenderBlocks, ResumeRendersOnlyTheMissingRuns) {
  // Done: 0–99, 150, 160–249. Missing: 100–149 and 151–159.
  auto done = [](long f) { return f < 100 || f == 150 || f >= 160; };
  EXPECT_EQ(qv_plan_resume(250, 100, done), (Blocks{{100, 50}, {151, 9}}));
  // A long missing run is still cut into blocks.
  EXPECT_EQ(qv_plan_resume(250, 100, [](long f) { return f < 20; }),
            (Blocks{{20, 100}, {120, 100}, {220, 30}}));
  EXPECT_TRUE(qv_plan_resume(250, 100, [](long) { return true; }).empty());
  EXPECT_EQ(qv_plan_resume(250, 100, [](long) { return false; }), qv_plan_blocks(250, 100));
}

TEST(RenderBlocks, ProgramCarriesEveryNameIntact) {
  EXPECT_EQ(qv_render_block_program("/a/img.xcf", "Intro", "/o/f_0100.png", 100, "/tmp/m"),
            "(begin(define image (car (gimp-file-load 1 \"/a/img.xcf\" \"/a/img.xcf\")))"
            "(if (> 1 (car (plug-in-qv-render-timeline-save 2 image 0 \"Intro\" "
            "\"/o/f_0100.png\" 100)))(plug-in-qv-remove-file \"/tmp/m\"))(gimp-quit 1))");

  // Quotes, backslashes, line breaks and non-ASCII text survive the Scheme
  // reader, and the timeline and frame names survive the render procedure's
  // own un-escaping as well.
  const std::string xcf = "/a/\"quoted\" \\ bild_\xC3\xA4.xcf";
  const std::string timeline = "He said \"hi\"\\n\tÄ";
  const std::string frame = "/o/f\\x\n_01.png";
  const std::string marker = "/tmp/m \"1\"";
  const auto literals = literals_of(qv_render_block_program(xcf, timeline, frame, 5, marker));
  ASSERT_EQ(literals.size(), 5u);
  EXPECT_EQ(literals[0], xcf);
  EXPECT_EQ(literals[1], xcf);
  EXPECT_EQ(qv_take_string(g_strcompress(literals[2].c_str())), timeline);
  EXPECT_EQ(qv_take_string(g_strcompress(literals[3].c_str())), frame);
  EXPECT_EQ(literals[4], marker);
}

TEST(RunnerSettings, KeyFileNameAndFloors) {
  EXPECT_EQ(qv_runner_keyfile_name("C:\\qv\\frameRunner.exe"), "C:\\qv\\frameRunner.ini");
  EXPECT_EQ(qv_runner_keyfile_name("/usr/bin/frameRunner"), "/usr/bin/frameRunner.ini");

  GKeyFile *file = g_key_file_new();
  QVRunnerSettings loaded = qv_runner_settings_read(file);
  EXPECT_EQ(loaded.frames_to_render, 1);
  EXPECT_EQ(loaded.block_size, 100);
  g_key_file_set_integer(file, QV_RUNNER_GROUP, "frames_to_render", 0);
  g_key_file_set_integer(file, QV_RUNNER_GROUP, "block_size", -4);
  g_key_file_set_string(file, QV_RUNNER_GROUP, "timeline", "Old");
  loaded = qv_runner_settings_read(file);
  EXPECT_EQ(loaded.frames_to_render, 1);
  EXPECT_EQ(loaded.block_size, 100);
  EXPECT_EQ(loaded.timeline, "Old");

  // Clearing an entry forgets it; numbers are always written.
  loaded.timeline.clear();
  loaded.xcf = "/a.xcf";
  loaded.block_size = 25;
  qv_runner_settings_write(file, loaded);
  EXPECT_FALSE(g_key_file_has_key(file, QV_RUNNER_GROUP, "timeline", nullptr));
  const QVRunnerSettings again = qv_runner_settings_read(file);
  EXPECT_EQ(again.xcf, "/a.xcf");
  EXPECT_EQ(again.block_size, 25);
  g_key_file_free(file);
}
