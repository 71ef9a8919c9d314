// The timeline editor's computations: time fields and labels, the render
// range, "Set to" points, row markup and the templates parasite.
#include <gtest/gtest.h>

#include "core/qv_playback.h"
#include "core/qv_timeline_edit.h"

TEST(TimelineEdit, TimeFieldsCarryAWholeSecondAndLabelsReadAsClockTimes) {
  // 0.99 s at 25 fps rounds to 25 frames: that is the next second.
  const QVTimeParts carried = qv_time_parts(59.99, 25);
  EXPECT_EQ(carried.minutes, 1);
  EXPECT_EQ(carried.seconds, 0);
  EXPECT_EQ(carried.frames, 0);
  struct Case {
    double seconds;
    const char *label;
  } cases[] = {{59.5, "59.50 sec   "}, {3725, "1:02:05   "}, {3725.9, "1:02:05   "},
               {119.6, "0:01:59   "},  {4210, "1:10:10   "}, {3605, "1:00:05   "},
               {3650, "1:00:50   "}};
  for (const Case &c : cases) EXPECT_EQ(qv_time_label(c.seconds), c.label) << c.seconds;
  EXPECT_EQ(qv_rate_item_label(29.97), "29.97 frames/sec   ");
  EXPECT_EQ(qv_rate_item_label(1), "1 frame/sec   ");
  EXPECT_EQ(qv_rate_item_label(25), "25 frames/sec   ");
}

TEST(TimelineEdit, RenderSpanRunsFromTheInpointFrameToTheOutpointFrame) {
  QVahdrChunk h;
  h.fps = 25;
  h.outpoint_mode = QV_OUT_EXPLICIT;
  h.outpoint = 10;
  EXPECT_EQ(qv_timeline_render_span(h).first, 0);
  EXPECT_EQ(qv_timeline_render_span(h).count, 250);
  h.inpoint = 1.02;  // floor(25.5 + 0.5)
  EXPECT_EQ(qv_timeline_render_span(h).first, 26);
  EXPECT_EQ(qv_timeline_render_span(h).count, 224);
  h.outpoint = 0.5;  // before the inpoint: nothing
  EXPECT_EQ(qv_timeline_render_span(h).count, 0);
  h.outpoint_mode = QV_OUT_END;
  h.end = 4;
  EXPECT_EQ(qv_timeline_render_span(h).count, 100 - 26);
}

TEST(TimelineEdit, ReferencePointsAndTheirConditions) {
  QVanimChunk r;
  r.begin = 10;
  r.duration = 2;
  r.freeze_before = 1;
  r.fade_in = 0.5;
  r.repeat = 1.5;
  r.freeze_after = 3;
  r.fade_out = 0.25;
  const auto points = qv_reference_points(r);
  ASSERT_EQ(points.size(), 7u);
  const double times[7] = {8.5, 9, 10, 12, 15, 18, 18.25};
  for (size_t i = 0; i < 7; ++i) {
    EXPECT_DOUBLE_EQ(points[i].time, times[i]) << points[i].label;
    EXPECT_TRUE(points[i].usable) << points[i].label;
  }
  // Without freezes, fades or repeats only begin and end are offered.
  QVanimChunk plain;
  plain.begin = 1;
  std::vector<std::string> usable;
  for (const QVReferencePoint &p : qv_reference_points(plain))
    if (p.usable) usable.emplace_back(p.label);
  EXPECT_EQ(usable, (std::vector<std::string>{"animation-begin", "animation-end"}));
}

TEST(TimelineEdit, RowMarkupShowsGroupPathOrScriptEscapedAndStruckWhenMissing) {
  QVanimChunk paths;
  paths.group_id = 2;
  paths.group_file = std::string("");
  paths.group_name = std::string("Hero & <co>");
  paths.path_name = std::string("[@] run\tlayer 2");
  EXPECT_EQ(qv_entry_markup(paths, 1),
            "&lt;Embeded&gt;  <span weight=\"bold\">Hero &amp; &lt;co&gt;</span>  "
            "<span>[@] run</span>");
  paths.group_file = std::string("/p/walk.qvg");
  paths.path_name.reset();
  EXPECT_EQ(qv_entry_markup(paths, 0),
            "<span strikethrough=\"true\">/p/walk.qvg  <span weight=\"bold\">Hero &amp; "
            "&lt;co&gt;</span></span>");
  QVanimChunk script;
  script.script_name = std::string("\"In\"\nsecond line");
  EXPECT_EQ(qv_entry_markup(script, 1),
            "&lt;Script&gt;  <span foreground=\"#5555ff\">\"In\" second line</span>");
  EXPECT_EQ(qv_edit_button_markup("Extra", true, true),
            "<span background=\"#ff0000\">   Extra   </span>");
  EXPECT_EQ(qv_edit_button_markup("Script", false, false), "<span>   Script   </span>");
}

TEST(TimelineEdit, NewEntriesTakeTheNextIdAndTemplatesSurviveTheirParasite) {
  QVahdrChunk header;
  header.next_anim_id = 7;
  const QVanimChunk a = qv_entry_new(header, 42, true, 3.5);
  EXPECT_EQ(a.anim_id, 7);
  EXPECT_EQ(header.next_anim_id, 8);
  EXPECT_EQ(a.drawable_tattoo, 42);
  EXPECT_EQ(a.drawable_is_mask, 1);
  EXPECT_DOUBLE_EQ(a.begin, 3.5);
  EXPECT_DOUBLE_EQ(a.duration, 2);
  EXPECT_EQ(qv_template_label(a), "NULL");

  QVanimChunk script = a;
  script.script_name = std::string("Date");
  script.extra = std::string("begin 2020-01-01\n");
  const QVBytes bytes = qv_templates_encode({a, script});
  const auto back = qv_templates_decode(bytes);
  ASSERT_TRUE(back) << back.error;
  ASSERT_EQ(back.value->size(), 2u);
  EXPECT_EQ(qv_template_label((*back.value)[1]), "Date");
  EXPECT_EQ((*back.value)[1].extra, script.extra);
  // A cut-off parasite is refused whole.
  const QVBytes cut(bytes.begin(), bytes.end() - 3);
  EXPECT_FALSE(qv_templates_decode(cut));
  EXPECT_TRUE(qv_templates_decode({}));  // none stored: an empty list
}
