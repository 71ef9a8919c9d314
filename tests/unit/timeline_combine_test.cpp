// Joining dated timelines: placement of the parts and of the setup's
// entries, the date sequence with set-duration and set-t-end, and the
// questions and refusals on the way.
#include <gtest/gtest.h>

#include <cmath>

#include "core/qv_timeline_combine.h"

namespace {

QVanimChunk script(const char *name, double duration) {
  QVanimChunk e;
  e.script_name = std::string(name);
  e.duration = duration;
  return e;
}

QVanimChunk path_entry(double begin, double duration, const char *extra = nullptr) {
  QVanimChunk e;
  e.group_id = 1;
  e.path_name = std::string("[@] a");
  e.begin = begin;
  e.duration = duration;
  if (extra) e.extra = std::string(extra);
  return e;
}

QVTimeline timeline(const char *name, std::vector<QVanimChunk> entries) {
  QVTimeline t = qv_timeline_new(std::string(name));
  for (QVanimChunk &e : entries) qv_timeline_add_entry(t, e);
  return t;
}

struct Fixture {
  std::vector<QVTimeline> all;
  Fixture() {
    all.push_back(timeline("Demo", {path_entry(0, 9)}));  // no date: not joined
    all.push_back(timeline("1. 1. 2002", {path_entry(0, 3)}));
    all.push_back(timeline("1. 1. 2000", {script("\"In\"", 1), script("\"Out\"", 0.5),
                                          script("[@-Script] ZoomTo", 0), script("Date", 0)}));
    all.push_back(timeline("1. 1. 2001", {path_entry(0, 2, "set-duration 2. 7. 2001\n")}));
  }
};

const auto yes = [](const std::string &) { return true; };
const auto no = [](const std::string &) { return false; };

}  // namespace

TEST(TimelineCombine, PartsFollowEachOtherWithTheSetupsEntriesAroundThem) {
  Fixture f;
  const QVCombineResult r = qv_timelines_combine(f.all, no);
  ASSERT_TRUE(r.timeline) << r.alert;
  const QVTimeline &t = *r.timeline;
  EXPECT_EQ(qv_timeline_display_name(t.header), "#!COMBINED will be deleted!");
  EXPECT_EQ(t.header.outpoint_mode, QV_OUT_END);
  EXPECT_DOUBLE_EQ(t.header.inpoint, 0);
  // Per part: In, its entries, Out, ZoomTo and Date; 2001 comes first.
  ASSERT_EQ(t.entries.size(), 10u);
  const double begins[10] = {0, 1, 3, 0, 0, 3.5, 4.5, 7.5, 3.5, 3.5};
  for (size_t i = 0; i < 10; ++i) EXPECT_DOUBLE_EQ(t.entries[i].begin, begins[i]) << i;
  EXPECT_DOUBLE_EQ(t.entries[3].duration, 3.5);  // ZoomTo spans In, the part and Out
  EXPECT_DOUBLE_EQ(t.header.end, 8);
  for (size_t i = 0; i < 10; ++i) EXPECT_EQ(t.entries[i].anim_id, static_cast<int32_t>(i + 1));
  // 2. 7. 2001 lies half a year after 1. 1. 2001 (at 1 s) on the way to
  // 1. 1. 2002 (at 4.5 s): the entry lasts until about 2.75 s.
  EXPECT_NEAR(t.entries[1].duration, 3.5 * 182 / 365, 1e-9);
  EXPECT_TRUE(r.warnings.empty());
}

TEST(TimelineCombine, ReverseDatesWarnAndSetTEndHoldsUntilTheDate) {
  Fixture f;
  f.all[1].entries[0].extra = std::string("t-end 1. 1. 1999\n");  // back in time
  f.all[3].entries[0].extra = std::string("set-t-end 1. 1. 2002\n");
  const QVCombineResult r = qv_timelines_combine(f.all, no);
  ASSERT_TRUE(r.timeline);
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_EQ(r.warnings[0], "Date-Sequence goes REVERSE!");
  // Held from its end (3 s) until 1. 1. 2002 at 4.5 s.
  EXPECT_DOUBLE_EQ(r.timeline->entries[1].freeze_after, 1.5);
}

TEST(TimelineCombine, RefusalsAndMissingPiecesEndWithTheirMessage) {
  Fixture f;
  // Two setups of the same date: asked, and refusing ends quietly.
  std::vector<QVTimeline> twice = f.all;
  twice.push_back(twice[2]);
  std::string asked;
  const QVCombineResult refused = qv_timelines_combine(twice, [&](const std::string &q) {
    asked = q;
    return false;
  });
  EXPECT_FALSE(refused.timeline);
  EXPECT_EQ(refused.alert, "");
  EXPECT_EQ(asked, "Multiple Setup-Timelines recognized!\nDo you want to use «1. 1. 2000»?");

  // Two parts of one date ask whether to go on.
  std::vector<QVTimeline> equal = f.all;
  equal.push_back(timeline("1.1.2001", {path_entry(0, 1)}));
  EXPECT_FALSE(qv_timelines_combine(equal, no).timeline);
  EXPECT_TRUE(qv_timelines_combine(equal, yes).timeline);

  std::vector<QVTimeline> bare = f.all;
  bare[2].entries.pop_back();  // no "Date" entry
  EXPECT_EQ(qv_timelines_combine(bare, yes).alert,
            "Aborting,\n«\"In\"»\nor «\"Out\"»\nor «[@-Script] ZoomTo»\nor «Date» "
            "animation\nin timeline «1. 1. 2000» is missing!");
  EXPECT_EQ(qv_timelines_combine({f.all[0]}, yes).alert, "Aborting, «Setup» timeline is missing!");
  EXPECT_EQ(qv_timelines_combine({f.all[0], f.all[2]}, yes).alert,
            "No timelines to combine, only Setup-Timeline!");
  std::vector<QVTimeline> empty_parts = {f.all[2], timeline("2005", {})};
  EXPECT_EQ(qv_timelines_combine(empty_parts, yes).alert, "No Animtions combined!");
}

TEST(TimelineCombine, TheTmpTimelineJoinsTheNamedTimelinesInTextOrder) {
  Fixture f;
  const QVCombineResult r = qv_timelines_combine_text(f.all, "Demo\n\n 1. 1. 2001\nunknown\n", no);
  ASSERT_TRUE(r.timeline) << r.alert;
  EXPECT_EQ(qv_timeline_display_name(r.timeline->header), "#!TMP will be deleted!");
  ASSERT_EQ(r.timeline->entries.size(), 10u);
  EXPECT_DOUBLE_EQ(r.timeline->entries[1].duration, 9);  // Demo first, as the text says
  EXPECT_EQ(qv_timelines_combine_text(f.all, " \n", no).alert, "No Text to combine!");
  EXPECT_FALSE(qv_date_value("Demo"));
  EXPECT_LT(*qv_date_value("31. 12. 2000"), *qv_date_value("1. 1. 2001"));
}
