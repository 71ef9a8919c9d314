#include "core/qv_render_timing.h"

#include <gtest/gtest.h>

namespace {

// Begin 2 s, duration 2 s, t from 0 to 1.
QVanimChunk two_seconds() {
  QVanimChunk e;
  e.begin = 2;
  e.duration = 2;
  return e;
}

double t_at(const QVanimChunk &e, double seconds) {
  const auto state = qv_entry_state(e, seconds);
  return state ? state->t : -1;
}

TEST(RenderTiming, FramesCountFromTheInpoint) {
  EXPECT_DOUBLE_EQ(qv_frame_time(25, 0, 75, 0), 3.0);
  EXPECT_DOUBLE_EQ(qv_frame_time(25, 1, 0, 0.5), 25.5 / 25);
  EXPECT_EQ(qv_inpoint_frame(25, 0.3), 8);
  EXPECT_EQ(qv_frame_time(0, 1, 10, 0), 0.0);
}

TEST(RenderTiming, EntryRunsDuringItsDurationAndRepeats) {
  QVanimChunk e = two_seconds();
  EXPECT_DOUBLE_EQ(t_at(e, 3.0), 0.5);  // frame 75 at 25 fps
  e.repeat = -1;
  EXPECT_DOUBLE_EQ(t_at(e, 5.0), 0.5);  // the second pass
  EXPECT_DOUBLE_EQ(t_at(e, 100.5), 0.25);
  e.repeat = 1;
  EXPECT_DOUBLE_EQ(t_at(e, 5.0), 0.5);
  e.freeze_after = -1;
  EXPECT_DOUBLE_EQ(t_at(e, 7.0), 1.0);  // held at its end after the repeat
}

TEST(RenderTiming, BeforeTheBeginTheEntryWaitsOrIsHidden) {
  QVanimChunk e = two_seconds();
  EXPECT_FALSE(qv_entry_state(e, 1.0));  // frame 25: not yet visible
  e.freeze_before = -1;
  EXPECT_DOUBLE_EQ(t_at(e, 0.0), 0.0);  // visible at t_start from frame 0
  e.freeze_before = 1;                  // visible from 1 s, fading in over the second before
  e.fade_in = 1;
  EXPECT_FALSE(qv_entry_state(e, -0.5));
  const auto fading = qv_entry_state(e, 0.25);
  ASSERT_TRUE(fading);
  EXPECT_DOUBLE_EQ(fading->fade, 0.25);
  EXPECT_DOUBLE_EQ(qv_entry_state(e, 1.5)->fade, 1.0);
}

TEST(RenderTiming, AfterTheEndTheEntryFreezesAndFadesOut) {
  QVanimChunk e = two_seconds();
  EXPECT_FALSE(qv_entry_state(e, 4.0));  // no freeze, no fade: gone at once
  e.freeze_after = 1;
  e.fade_out = 2;
  EXPECT_DOUBLE_EQ(qv_entry_state(e, 4.5)->fade, 1.0);
  EXPECT_DOUBLE_EQ(t_at(e, 4.5), 1.0);
  EXPECT_DOUBLE_EQ(qv_entry_state(e, 6.0)->fade, 0.5);
  EXPECT_FALSE(qv_entry_state(e, 7.0));
}

TEST(RenderTiming, AnEntryWithoutDurationNeverDividesByZero) {
  QVanimChunk e;
  e.begin = 1;
  e.duration = 0;
  e.repeat = -1;
  e.freeze_after = -1;
  const auto state = qv_entry_state(e, 5.0);
  ASSERT_TRUE(state);
  EXPECT_DOUBLE_EQ(state->t, 1.0);
}

TEST(RenderTiming, FrameTOfListRendersAndLoops) {
  EXPECT_DOUBLE_EQ(qv_render_frame_t(0, 3, 0.2, 0.8), 0.2);
  EXPECT_DOUBLE_EQ(qv_render_frame_t(1, 3, 0.2, 0.8), 0.5);
  EXPECT_DOUBLE_EQ(qv_render_frame_t(2, 3, 0.2, 0.8), 0.8);
  for (long i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(qv_render_frame_t(i, -4, 0, 1), i * 0.25);
  EXPECT_DOUBLE_EQ(qv_render_frame_t(0, 1, 0.3, 0.9), 0.3);
  EXPECT_DOUBLE_EQ(qv_render_field_t(0, 3, 0, 1), 0.25);
}

TEST(RenderTiming, ModesMapToFlags) {
  EXPECT_EQ(qv_render_mode_flags(0), 0x02);
  EXPECT_EQ(qv_render_mode_flags(1), 0x03);
  EXPECT_EQ(qv_render_mode_flags(4), 0x0E);
  EXPECT_EQ(qv_render_mode_flags(5), 0x0F);
  EXPECT_EQ(qv_render_mode_flags(9), 0x02);
}

TEST(RenderTiming, TimelinesInProgressFindLoops) {
  std::optional<std::string> list;
  EXPECT_FALSE(qv_timelines_push(list, "a.xcf", "Main"));
  EXPECT_EQ(*list, "a.xcf;Main");
  EXPECT_FALSE(qv_timelines_push(list, "a.xcf", "Intro"));
  EXPECT_TRUE(qv_timelines_push(list, "a.xcf", "Main"));
  EXPECT_FALSE(qv_timelines_push(list, "Main", "a.xcf"));  // pairs, not neighbours
  EXPECT_EQ(*list, "a.xcf;Main;a.xcf;Intro;Main;a.xcf");
  qv_timelines_pop(list);
  qv_timelines_pop(list);
  EXPECT_EQ(*list, "a.xcf;Main");
  qv_timelines_pop(list);
  EXPECT_FALSE(list);
}

}  // namespace

// 25 fps with the outpoint at 2 s: frame 50 is the first past it.
TEST(RenderTiming, FrameRangesStopAtTheOutpoint) {
  QVahdrChunk h;
  h.fps = 25;
  h.outpoint = 2;
  h.outpoint_mode = QV_OUT_EXPLICIT;
  struct Case {
    long first, asked, frames;
    bool cut;
  } cases[] = {{0, 50, 50, false}, {0, 10, 10, false}, {48, 2147483647, 2, true}, {50, 1, 0, true},
               {70, 5, 0, true},   {-5, 60, 50, true}, {0, 0, 0, false}};
  for (const Case &c : cases) {
    const QVFrameRange r = qv_render_frame_range(h, c.first, c.asked);
    EXPECT_EQ(r.frames, c.frames) << c.first << "+" << c.asked;
    EXPECT_EQ(r.cut, c.cut) << c.first << "+" << c.asked;
    EXPECT_EQ(r.outpoint_frame, 50);
  }
  h.outpoint_mode = QV_OUT_END;  // then the end counts
  h.end = 1;
  EXPECT_EQ(qv_render_frame_range(h, 0, 100).frames, 25);
}
