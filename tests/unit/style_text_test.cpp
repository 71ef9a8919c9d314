#include <gtest/gtest.h>

#include "core/qv_style.h"

namespace {

QVStyleItems items(std::initializer_list<const char *> list) {
  return QVStyleItems(list.begin(), list.end());
}

TEST(StyleText, SplitKeepsEmptyItemsAndJoinRestoresTheText) {
  const std::string text = "stroke: 1 2 3\t\tfill: 4 5 6\t";
  const auto parts = qv_style_split(text);
  EXPECT_EQ(parts, items({"stroke: 1 2 3", "", "fill: 4 5 6", ""}));
  EXPECT_EQ(qv_style_join(parts), text);
}

// Nothing stored may change how the style splits into attributes.
TEST(StyleText, PairsThatWouldSplitTheStyleAreRefusedAndSetNothing) {
  const std::string old = "fill: 1 2 3";
  struct Case {
    std::string key, value;
    bool refused;
  } cases[] = {
      {"fill: ", "1 2 3\t@-script: /tmp/x.scm", true},
      {"fill\t@-script: ", "1", true},
      {"fi\nll: ", "1", true},
      {"fi\rll: ", "1", true},
      {"@-script: x; fill: ", "1", true},
      {": ", "1", true},
      {"", "1", true},
      {"text: ", "two\nlines", false},
      {"stroke: ", "", false},
      {"@-timeline-t-temp: ", "0.5000000000", false},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(qv_style_pair_refusal(c.key, c.value).has_value(), c.refused) << c.key << c.value;
    const auto text = qv_style_set_attributes(old, {{"stroke: ", "9"}, {c.key, c.value}});
    EXPECT_EQ(*text == old, c.refused) << c.key << c.value;
  }
}

TEST(StyleText, KeyIsTheTextUpToColonBlank) {
  EXPECT_EQ(qv_style_item_key("stroke-brush: Circle (11)"), "stroke-brush: ");
  EXPECT_EQ(qv_style_item_key("date: 12: 30"), "date: ");
  EXPECT_EQ(qv_style_item_key("nocolon"), "nocolon");
}

TEST(StyleText, DedupeKeepsLastOccurrenceInOrderAndDropsEmpties) {
  auto list = items({"opacity: 50", "", "stroke: 1 1 1", "opacity: 80", "fill: 2 2 2", ""});
  qv_style_items_dedupe(list);
  EXPECT_EQ(list, items({"stroke: 1 1 1", "opacity: 80", "fill: 2 2 2"}));

  // A key is a prefix with its colon: "stroke: " must not swallow "stroke-brush: ".
  list = items({"stroke: 1 1 1", "stroke-brush: Circle"});
  qv_style_items_dedupe(list);
  EXPECT_EQ(list, items({"stroke: 1 1 1", "stroke-brush: Circle"}));

  list = items({"only"});
  qv_style_items_dedupe(list);
  EXPECT_EQ(list, items({"only"}));
}

TEST(StyleText, MergeLetsOverrideWinUnlessCssPriorityOff) {
  const auto merged =
      qv_style_merge(std::string("stroke: 1 1 1\topacity: 50"), std::string("opacity: 80"));
  ASSERT_TRUE(merged);
  EXPECT_EQ(*merged, items({"stroke: 1 1 1", "opacity: 80"}));

  const auto off = qv_style_merge(std::string("stroke: 1 1 1\topacity: 50"),
                                  std::string("opacity: 80\tcss-priority: off"));
  ASSERT_TRUE(off);
  EXPECT_EQ(*off, items({"css-priority: off", "stroke: 1 1 1", "opacity: 50"}));

  // Only the exact item switches the order.
  const auto padded =
      qv_style_merge(std::string("opacity: 50"), std::string("opacity: 80\tcss-priority: off "));
  EXPECT_EQ(qv_style_value(*padded, "opacity: "), "80");
}

TEST(StyleText, MergeWithOneOrNoText) {
  EXPECT_FALSE(qv_style_merge(std::nullopt, std::nullopt));
  EXPECT_EQ(*qv_style_merge(std::string("a: 1\ta: 2"), std::nullopt), items({"a: 2"}));
  EXPECT_EQ(*qv_style_merge(std::nullopt, std::string("b: 1\t\tb: 3")), items({"b: 3"}));
}

TEST(StyleText, SetReplacesFirstEmptiesLaterAndAppendsNew) {
  EXPECT_EQ(qv_style_set_attributes(std::string("stroke: 255 0 0\tfill: 1 2 3"),
                                    {{"stroke: ", "0 0 255"}}),
            "stroke: 0 0 255\tfill: 1 2 3");
  // The second opacity is emptied, leaving two TABs in a row.
  EXPECT_EQ(qv_style_set_attributes(std::string("opacity: 10\tfill: 1 2 3\topacity: 20"),
                                    {{"opacity: ", "30"}}),
            "opacity: 30\tfill: 1 2 3\t");
  EXPECT_EQ(qv_style_set_attributes(std::string("opacity: 10\topacity: 20\tfill: 1"),
                                    {{"opacity: ", "30"}}),
            "opacity: 30\t\tfill: 1");
  // New attributes are appended in argument order, without a trailing TAB.
  EXPECT_EQ(qv_style_set_attributes(std::string("fill: 1"), {{"a: ", "1"}, {"b: ", "2"}}),
            "fill: 1\ta: 1\tb: 2");
  EXPECT_EQ(qv_style_set_attributes(std::nullopt, {{"stroke: ", "1 2 3"}}), "stroke: 1 2 3");
  EXPECT_FALSE(qv_style_set_attributes(std::nullopt, {}));
  // "stroke: " is not a prefix of "stroke-brush: ".
  EXPECT_EQ(qv_style_set_attributes(std::string("stroke-brush: Circle"), {{"stroke: ", "1 1 1"}}),
            "stroke-brush: Circle\tstroke: 1 1 1");
}

TEST(StyleText, RemoveDropsEveryMatchingItem) {
  EXPECT_EQ(qv_style_remove_attributes("a: 1\tb: 2\ta: 3", {"a: "}), "b: 2");
  EXPECT_FALSE(qv_style_remove_attributes("a: 1\ta: 3", {"a: "}));
  EXPECT_EQ(qv_style_remove_attributes("a: 1\tb: 2\tc: 3", {"a: ", "c: "}), "b: 2");
}

TEST(StyleText, TrimForStoreRemovesLeadingBlanksAndTrailingTabs) {
  EXPECT_EQ(qv_style_trim_for_store("  \tstroke: 1\tfill: 2\t\t"), "stroke: 1\tfill: 2");
  EXPECT_EQ(qv_style_trim_for_store("stroke: 1 "), "stroke: 1 ");
  EXPECT_EQ(qv_style_trim_for_store("\t\t"), "");
}

TEST(StyleText, TextFromBytesNeedsANul) {
  const char with_nul[] = {'a', ':', ' ', '1', '\0', 'x'};
  EXPECT_EQ(qv_style_text_from_bytes(with_nul, sizeof with_nul), "a: 1");
  const char without_nul[] = {'a', ':', ' ', '1'};
  EXPECT_FALSE(qv_style_text_from_bytes(without_nul, sizeof without_nul));
  EXPECT_FALSE(qv_style_text_from_bytes(nullptr, 0));
}

TEST(StyleText, PerPathParasiteNames) {
  EXPECT_TRUE(qv_is_per_path_parasite("qv-style-for-path-12", 12));
  EXPECT_FALSE(qv_is_per_path_parasite("qv-style-for-path-12", 2));
  EXPECT_FALSE(qv_is_per_path_parasite("qv-style-for-path-", 0));
  EXPECT_FALSE(qv_is_per_path_parasite("qv-style-sheet-12", 12));
  EXPECT_TRUE(qv_is_any_per_path_parasite("x-for-path-7"));
  EXPECT_FALSE(qv_is_any_per_path_parasite("x-for-path-99999999999999999999"));
  EXPECT_EQ(qv_split_trailing_number("abc-for-path-42").first, "abc-for-path-");
  EXPECT_EQ(qv_split_trailing_number("abc").second, -1);
}

TEST(StyleText, NormaliseKeyForScripts) {
  EXPECT_EQ(qv_style_normalise_key("TEXT-OFFSET"), "text-offset: ");
  EXPECT_EQ(qv_style_normalise_key(" text-offset: "), "text-offset: ");
  EXPECT_EQ(qv_style_normalise_key("FONT-SIZE:"), "font-size: ");
}

}  // namespace
