#include "core/qv_playback.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/qv_render_timing.h"
#include "core/qv_timeline.h"

namespace {

std::vector<long> play(QVLoopMode mode, long start, long in, long end, int steps) {
  QVPlayhead head;
  head.frame = start;
  std::vector<long> shown;
  for (int i = 0; i < steps; ++i) {
    head = qv_play_next(head, mode, in, end);
    shown.push_back(head.frame);
  }
  return shown;
}

}  // namespace

TEST(Playback, LoopModesWrapAndTurnWithinInAndEnd) {
  EXPECT_EQ(play(QVLoopMode::forward, 2, 2, 4, 5), (std::vector<long>{3, 4, 2, 3, 4}));
  EXPECT_EQ(play(QVLoopMode::backward, 3, 2, 4, 4), (std::vector<long>{2, 4, 3, 2}));
  EXPECT_EQ(play(QVLoopMode::pingpong, 2, 2, 4, 6), (std::vector<long>{3, 4, 3, 2, 3, 4}));
  EXPECT_EQ(play(QVLoopMode::stopped, 3, 2, 4, 2), (std::vector<long>{3, 3}));
  EXPECT_EQ(play(QVLoopMode::forward, 9, 2, 4, 1),
            (std::vector<long>{2}));  // outside: starts at In
  EXPECT_EQ(play(QVLoopMode::pingpong, 5, 5, 5, 2), (std::vector<long>{5, 5}));
  // 4 s at 25 frames per second over 100 frames shows each once, in order.
  const auto forward = play(QVLoopMode::forward, 99, 0, 99, 100);
  for (long i = 0; i < 100; ++i) EXPECT_EQ(forward[i], i);
  QVPlayhead head;
  head.frame = 4;
  EXPECT_TRUE(qv_play_next(head, QVLoopMode::pingpong, 0, 4).at_end) << "a pause may follow";
}

TEST(Playback, PreviewKeepsEveryStepthAndTheLastFrame) {
  std::vector<long> kept;
  for (long i = 0; i < 25; ++i)
    if (qv_preview_keeps(i, 25, 10)) kept.push_back(i);
  EXPECT_EQ(kept, (std::vector<long>{0, 10, 20, 24}));
  EXPECT_TRUE(qv_preview_keeps(7, 25, 0));
}

TEST(Playback, EditorTimesAndRates) {
  const QVTimeParts begin = qv_time_parts(3725.5, 25);
  EXPECT_EQ(begin.hours, 1);
  EXPECT_EQ(begin.minutes, 2);
  EXPECT_EQ(begin.seconds, 5);
  EXPECT_EQ(begin.frames, 13);
  EXPECT_DOUBLE_EQ(qv_time_seconds(begin, 25), 3725.52);
  EXPECT_EQ(qv_inpoint_frame(25, 1.02), 26);
  EXPECT_EQ(qv_rate_menu_label(29.97, QV_PROGRESSIVE), "fps(29.97) | progressive");
  EXPECT_EQ(qv_rate_menu_label(25, QV_INTERLACED_PAL), "fps(25) | PAL");
  EXPECT_EQ(qv_rate_menu_label(30, QV_INTERLACED_NTSC), "fps(30) | NTSC");
}
