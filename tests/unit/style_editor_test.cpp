#include "core/qv_style_editor.h"

#include <gtest/gtest.h>

#include <clocale>
#include <set>

// Lines no widget shows survive any edit, after the widget-built ones and
// in their stored order; an opacity extension stays when the value moves.
TEST(StyleEditor, ExtraAttributesAndExtensionsSurviveAnEdit) {
  const std::string stored =
      "marker-start: Arrow\topacity: 40.0;20.0;80.0\tstroke: 255 0 0\tstroke-brush: 2. Hardness 100"
      "\t@-timeline: Main\t  stroke-spacing: 10\trotate-at: 45.0 10 20";
  QVEditorLoad load = qv_editor_load(stored);
  EXPECT_EQ(load.extras, "marker-start: Arrow\t@-timeline: Main");
  EXPECT_TRUE(load.values.opacity_on);
  EXPECT_TRUE(load.values.stroke_on);
  EXPECT_FALSE(load.values.fill_on);
  EXPECT_EQ(load.values.stroke[0], 255);
  EXPECT_EQ(load.values.stroke_spacing, 10);
  load.values.opacity = 55;
  EXPECT_EQ(qv_editor_style_text(load.values, stored, load.extras),
            "opacity: 55.0;20.0;80.0\tstroke: 255 0 0\tstroke-paintmode: 0\tstroke-opacity: 100.0"
            "\tstroke-brush: 2. Hardness 100\tstroke-spacing: 10\trotate-at: 45.0 10 20"
            "\tmarker-start: Arrow\t@-timeline: Main");
}

// Every group read back as it was written, under a decimal-comma locale too.
TEST(StyleEditor, WrittenStylesLoadBackAndUsePoints) {
  QVEditorValues v;
  v.mode_on = true, v.mode = 15;
  v.stroke_on = true, v.stroke_size = 12.5, v.stroke_brush = "Star";
  v.fill_on = true, v.fill_kind = QVFillKind::gradient, v.gradient = "FG to BG (RGB)";
  v.gradient_system_nr = 0, v.fill[0] = 10, v.gradient_bg[2] = 7, v.gradient_form = 2;
  v.supersampling = true, v.supersampling_threshold = 0.25, v.feather = 2.5;
  const char *saved = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved_locale = saved ? saved : "C";
  const bool comma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  const std::string text = qv_editor_style_text(v, "gradient-line: 1 2 3 4", "");
  std::setlocale(LC_NUMERIC, saved_locale.c_str());
  if (!comma) GTEST_LOG_(INFO) << "no de_DE.UTF-8 locale: decimal commas not tried";
  EXPECT_EQ(text.find(','), std::string::npos) << text;
  EXPECT_NE(text.find("\tgradient-line: 1 2 3 4\t"), std::string::npos) << text;
  EXPECT_NE(text.find("supersampling-threshold: 0.25"), std::string::npos) << text;
  const QVEditorLoad back = qv_editor_load(text);
  EXPECT_EQ(qv_editor_style_text(back.values, text, back.extras), text);
  EXPECT_EQ(back.values.fill_kind, QVFillKind::gradient);
  EXPECT_EQ(back.values.stroke_size, 12.5);
  EXPECT_TRUE(back.extras.empty());
  // Nothing on and no extras: nothing to store.
  EXPECT_EQ(qv_editor_style_text(QVEditorValues{}, "", ""), "");
}

TEST(StyleEditor, DamagedStylesLoadWhatTheyCan) {
  const std::string long_line(100000, 'x');
  const QVEditorLoad load = qv_editor_load("no colon here\tfill: red green blue\topacity: 500\t" +
                                           long_line + "\tgradient-form: 99\t\xff\xfe: 1");
  EXPECT_TRUE(load.values.fill_on);
  EXPECT_EQ(load.values.fill[0], 0);
  EXPECT_EQ(load.values.opacity, 100);
  EXPECT_EQ(load.values.gradient_form, 10);
  EXPECT_EQ(load.extras, "no colon here\t" + long_line + "\t\xff\xfe: 1");
}

TEST(StyleEditor, DefaultTAndShortNames) {
  for (const auto &[answer, stored] :
       std::vector<std::pair<std::string, std::string>>{{"1.5", "1.0"},
                                                        {"-2", "0.0"},
                                                        {"0,25", "0.0"},
                                                        {"0.25", "0.25"},
                                                        {"0.5", "0.5"},
                                                        {"abc", "0.0"},
                                                        {"0.123456", "0.12346"},
                                                        {"nan", "0.0"}})
    EXPECT_EQ(qv_default_t_text(answer), stored) << answer;
  EXPECT_EQ(qv_editor_short_name("a\tb"), "a b");
  EXPECT_EQ(qv_editor_short_name(std::string(40, 'n')), std::string(25, 'n') + "...");
  // 24 ASCII bytes and a two-byte letter across the cut: the letter goes whole.
  EXPECT_EQ(qv_editor_short_name(std::string(24, 'a') + "äöüäöü"), std::string(24, 'a') + "...");
}

TEST(StyleEditorMenus, BitsNamesSheetsAndLines) {
  EXPECT_EQ(qv_aspect_ratio_toggle(0, 8), 8);  // "use as marker" alone
  EXPECT_EQ(qv_aspect_ratio_toggle(9, 1), 0);  // clearing "keep aspect-ratio" takes the marker
  EXPECT_EQ(qv_aspect_ratio_toggle(13, 4), 1);
  EXPECT_EQ(qv_aspect_ratio_toggle(13, 2), 15);
  EXPECT_EQ(qv_attribute_key_from_name(" marker-end "), "marker-end: ");
  EXPECT_EQ(qv_attribute_key_from_name("marker-end:"), "marker-end: ");
  EXPECT_EQ(qv_attribute_key_from_name("  "), "");

  const std::set<std::string> taken = {"Red", "Red#1", "Blue#7"};
  auto is_taken = [&](const std::string &n) { return taken.count(n) > 0; };
  EXPECT_EQ(qv_style_sheet_free_name("Green", is_taken), "Green");
  EXPECT_EQ(qv_style_sheet_free_name("Red", is_taken), "Red#2");
  EXPECT_EQ(qv_style_sheet_free_name("Blue#7", is_taken), "Blue#1");
  EXPECT_EQ(qv_style_sheet_apply_text("stroke: 1 1 1\t\tfill: 2 2 2\tstroke: 3 3 3\t"),
            "fill: 2 2 2\tstroke: 3 3 3");
  EXPECT_EQ(qv_style_sheet_label("A"), "   A   ");
  EXPECT_EQ(qv_style_sheet_label(std::string(94, 'n')), "   " + std::string(91, 'n') + "...");

  EXPECT_EQ(qv_attribute_line("rotate-at: 90 10 20;x").item, "rotate-at: 90.0 10 20;x");
  EXPECT_EQ(qv_attribute_line("rotate-at: 90 10 20;x").label, "rotate-at: 90.0 10 20;x  ");
  EXPECT_EQ(qv_attribute_line("fill: 1 2 3").label, "fill: 1 2 3");
  EXPECT_EQ(qv_date_entry_label(8, 12, 2026), "8. Dec. 2026");

  const auto &entries = qv_add_attribute_entries();
  EXPECT_STREQ(entries[QV_ADD_ATTRIBUTE_EXTRA_FROM - 1].key, "@-script-set-bbox: ");
  EXPECT_STREQ(entries.back().key, "@-timeline-t: ");
}
