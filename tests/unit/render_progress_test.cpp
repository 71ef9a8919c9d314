#include "core/qv_frame_temporary.h"
#include "core/qv_render_progress.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(RenderProgress, CountsFramesOfTheWholeJob) {
  const QVRenderProgress p = qv_render_progress(17, 50, 12.0);
  EXPECT_DOUBLE_EQ(p.fraction, 0.34);
  EXPECT_EQ(p.frames, "17/50 frames");
  // 12 s for 17 frames: 33 more take 23.3 s.
  ASSERT_TRUE(p.seconds_left.has_value());
  EXPECT_NEAR(*p.seconds_left, 12.0 / 17 * 33, 1e-9);
  EXPECT_EQ(p.times, "0:12 elapsed, 0:23 left");
}

TEST(RenderProgress, TimeLeftIsUnknownBeforeTheFirstFrame) {
  const QVRenderProgress p = qv_render_progress(0, 50, 3.7);
  EXPECT_DOUBLE_EQ(p.fraction, 0.0);
  EXPECT_EQ(p.frames, "0/50 frames");
  EXPECT_FALSE(p.seconds_left.has_value());
  EXPECT_EQ(p.times, "0:03 elapsed, time left unknown");
}

TEST(RenderProgress, CompleteJobHasNothingLeft) {
  const QVRenderProgress p = qv_render_progress(50, 50, 95.2);
  EXPECT_DOUBLE_EQ(p.fraction, 1.0);
  EXPECT_EQ(p.frames, "50/50 frames");
  EXPECT_EQ(p.seconds_left, 0.0);
  EXPECT_EQ(p.times, "1:35 elapsed, 0:00 left");
}

TEST(RenderProgress, TimeLeftRoundsToTheNearestSecond) {
  // 1 frame in 10 s, 3 to go: 30 s; 2 frames in 3 s, 1 to go: 1.5 s → 0:02.
  EXPECT_EQ(qv_render_progress(1, 4, 10.0).times, "0:10 elapsed, 0:30 left");
  EXPECT_EQ(qv_render_progress(2, 3, 3.0).times, "0:03 elapsed, 0:02 left");
  EXPECT_EQ(qv_render_progress(4, 5, 1.0).times, "0:01 elapsed, 0:00 left");
}

TEST(RenderProgress, OutOfRangeInputIsClamped) {
  const QVRenderProgress over = qv_render_progress(60, 50, 10.0);
  EXPECT_DOUBLE_EQ(over.fraction, 1.0);
  EXPECT_EQ(over.frames, "50/50 frames");
  const QVRenderProgress under = qv_render_progress(-3, 50, -2.0);
  EXPECT_DOUBLE_EQ(under.fraction, 0.0);
  EXPECT_EQ(under.frames, "0/50 frames");
  EXPECT_EQ(under.times, "0:00 elapsed, time left unknown");
  const QVRenderProgress empty = qv_render_progress(0, 0, 1.0);
  EXPECT_DOUBLE_EQ(empty.fraction, 1.0);
  EXPECT_EQ(empty.frames, "0/0 frames");
  const QVRenderProgress nan = qv_render_progress(1, 2, std::nan(""));
  EXPECT_EQ(nan.times, "0:00 elapsed, 0:00 left");
}

TEST(RenderProgress, DurationTexts) {
  EXPECT_EQ(qv_duration_text(0), "0:00");
  EXPECT_EQ(qv_duration_text(7.99), "0:07");
  EXPECT_EQ(qv_duration_text(59.5), "0:59");
  EXPECT_EQ(qv_duration_text(60), "1:00");
  EXPECT_EQ(qv_duration_text(754), "12:34");
  EXPECT_EQ(qv_duration_text(3599), "59:59");
  EXPECT_EQ(qv_duration_text(3723), "1:02:03");
  EXPECT_EQ(qv_duration_text(100 * 3600), "100:00:00");
  EXPECT_EQ(qv_duration_text(-5), "0:00");
  EXPECT_EQ(qv_duration_text(std::numeric_limits<double>::infinity()), "0:00");
}

TEST(FrameTemporaryName, HiddenBesideTheFrameKeepingItsExtension) {
  EXPECT_EQ(qv_frame_temporary_name("/render/shot_0007.png"), "/render/.shot_0007.png.part.png");
  EXPECT_EQ(qv_frame_temporary_name("/a.b/c/f_01.jpg"), "/a.b/c/.f_01.jpg.part.jpg");
  // A legal frame name near the 255-byte limit gets a temporary name within
  // it too, still unique per frame and still ending in the extension.
  const std::string stem(240, 'x');
  const std::string a = qv_frame_temporary_name("/r/" + stem + "_0001.png");
  const std::string b = qv_frame_temporary_name("/r/" + stem + "_0002.png");
  std::string umlauts;
  for (int i = 0; i < 120; ++i) umlauts += "\xc3\xa4";  // "ä", two bytes each
  umlauts = qv_frame_temporary_name("/r/" + umlauts + "_1.png");
  for (const std::string &name : {a, b}) {
    EXPECT_LE(name.size() - 3, 255u) << name;
    EXPECT_EQ(name.substr(name.size() - 9), ".part.png");
    EXPECT_EQ(name.substr(0, 4), "/r/.");
  }
  EXPECT_NE(a, b);
  EXPECT_LE(umlauts.size() - 3, 255u);
  EXPECT_TRUE(g_utf8_validate(umlauts.c_str(), -1, nullptr)) << "cut inside a character";
  EXPECT_EQ(qv_frame_temporary_name("f_01.png"), "./.f_01.png.part.png");
  EXPECT_EQ(qv_frame_temporary_name("/out/frame_7"), "/out/.frame_7.part");
  EXPECT_EQ(qv_frame_temporary_name("/r/f_01.tar.gz"), "/r/.f_01.tar.gz.part.gz");
  // In the root folder the renderer doubles the separator; the name is the
  // same file.
  EXPECT_EQ(qv_frame_temporary_name("/f_01.png"), "//.f_01.png.part.png");
}

}  // namespace

TEST(RenderProgress, OneLineForTerminalsAndLogs) {
  EXPECT_EQ(qv_render_progress_line(17, 50, 5),
            "17/50 frames, 3.4 frames/s, 0:05 elapsed, 0:10 left");
  EXPECT_EQ(qv_render_progress_line(0, 50, 2).find("frames/s"), std::string::npos);
}
