#include <gtest/gtest.h>

#include "core/qv_names.h"

namespace {

const std::string kMark = "\xDB\x9E ";  // U+06DE and a blank

long num(const std::string &name, int query) { return qv_name_query_number(name, query); }
std::optional<std::string> text(const std::string &name, int query) {
  return qv_name_query_text(name, query);
}

TEST(PathNamesGroup, PrefixNumberAndRest) {
  EXPECT_EQ(3, num("{3}star", QV_NAME_GROUP));
  EXPECT_EQ(12, num("{ 12 }  star", QV_NAME_GROUP));
  EXPECT_EQ(0, num("star", QV_NAME_GROUP));
  EXPECT_EQ("  star", text("{ 12 }  star", QV_NAME_AFTER_GROUP));
  EXPECT_EQ("star", text("star", QV_NAME_AFTER_GROUP));
  // Blanks after the brace are skipped before the bracket part is looked for.
  EXPECT_EQ("[@]", text("{4}  [@] walk", QV_NAME_BRACKET));
}

TEST(PathNamesGroup, MalformedPrefixIsNoPrefix) {
  for (const char *name : {"{", "{12", "{ab}x", "{-3}x", "{1a}x", "}3{"}) {
    EXPECT_EQ(0, num(name, QV_NAME_GROUP)) << name;
    EXPECT_EQ(name, text(name, QV_NAME_AFTER_GROUP)) << name;
  }
  EXPECT_EQ(0, num("{}x", QV_NAME_GROUP));
  EXPECT_EQ("x", text("{}x", QV_NAME_AFTER_GROUP));
}

TEST(PathNamesGroup, HugeNumbersSaturate) {
  EXPECT_EQ(2147483647L, num("{99999999999999999999999999}x", QV_NAME_GROUP));
  EXPECT_EQ(2147483647L, num(kMark + "ESL-99999999999999999999", QV_NAME_ESL_TATTOO));
  EXPECT_EQ(2147483647L, num(kMark + "Rotation-123456789012345 ", QV_NAME_ROTATION_TATTOO));
}

TEST(PathNamesText, BracketPart) {
  EXPECT_EQ("[@->S]", text("[@->S] move", QV_NAME_BRACKET));
  EXPECT_EQ(" move", text("[@->S] move", QV_NAME_AFTER_BRACKET));
  EXPECT_FALSE(text("[@ never closed", QV_NAME_BRACKET));
  EXPECT_FALSE(text("[@ never closed", QV_NAME_AFTER_BRACKET));
  EXPECT_FALSE(text("x [a]", QV_NAME_BRACKET));
  EXPECT_FALSE(text("plain", QV_NAME_AFTER_BRACKET));
  EXPECT_EQ("", text("[a]", QV_NAME_AFTER_BRACKET));
}

TEST(PathNamesText, QuotedText) {
  EXPECT_EQ("Hello", text("\"Hello\"", QV_NAME_QUOTED));
  // The closing quote is the last one of the name, so inner quotes stay.
  EXPECT_EQ("say \"hi\"", text("{2}\"say \"hi\"\" tail", QV_NAME_QUOTED));
  EXPECT_EQ("txt", text("[lbl] x \"txt\"", QV_NAME_QUOTED));
  EXPECT_EQ("", text("\"\"", QV_NAME_QUOTED));
  EXPECT_FALSE(text("\"unclosed", QV_NAME_QUOTED));
  EXPECT_FALSE(text("[lbl] \"unclosed", QV_NAME_QUOTED));
  EXPECT_FALSE(text("[lbl] no quote", QV_NAME_QUOTED));
  // A quote that does not follow a bracket part or open the rest is not text.
  EXPECT_FALSE(text("say \"hi\"", QV_NAME_QUOTED));
}

TEST(PathNamesText, QueryKindsDoNotMix) {
  EXPECT_EQ(0, num("{3}x", QV_NAME_BRACKET));
  EXPECT_FALSE(text("{3}x", QV_NAME_GROUP));
  EXPECT_EQ(0, num("{3}x", 11));
  EXPECT_FALSE(text("{3}x", -1));
}

TEST(PathNamesHelpers, BuildersAndQueriesAgree) {
  EXPECT_EQ(kMark + "ESL-12", qv_esl_name(12));
  EXPECT_EQ("{3}" + kMark + "Edit Style Layer", qv_esl_name(-3));
  EXPECT_EQ("", qv_esl_name(0));
  EXPECT_EQ(kMark + "Rotation-7 ", qv_rotation_helper_name(7));
  EXPECT_EQ("{3}" + kMark + "Rotation ", qv_group_rotation_helper_name(3));
  EXPECT_EQ(kMark + "Gradient-9 ", qv_gradient_helper_name(9));

  EXPECT_EQ(12, num(qv_esl_name(12), QV_NAME_ESL_TATTOO));
  EXPECT_EQ(3, num(qv_esl_name(-3), QV_NAME_GROUP_ESL));
  EXPECT_EQ(7, num(qv_rotation_helper_name(7), QV_NAME_ROTATION_TATTOO));
  EXPECT_EQ(3, num(qv_group_rotation_helper_name(3), QV_NAME_GROUP_ROTATION));
  EXPECT_EQ(9, num(qv_gradient_helper_name(9), QV_NAME_GRADIENT_TATTOO));
  EXPECT_TRUE(qv_is_esl_name(qv_esl_name(12)));
  EXPECT_TRUE(qv_is_esl_name(qv_esl_name(-3)));
  EXPECT_TRUE(qv_name_is_helper_path(qv_rotation_helper_name(7)));
  EXPECT_TRUE(qv_name_is_helper_path(qv_group_rotation_helper_name(3)));
  EXPECT_TRUE(qv_name_is_helper_path(qv_gradient_helper_name(9)));
}

TEST(PathNamesHelpers, KindsAreDistinct) {
  const std::string rot = qv_rotation_helper_name(7);
  EXPECT_EQ(0, num(rot, QV_NAME_GROUP_ROTATION));
  EXPECT_EQ(0, num(rot, QV_NAME_GRADIENT_TATTOO));
  EXPECT_EQ(0, num(qv_group_rotation_helper_name(3), QV_NAME_ROTATION_TATTOO));
  EXPECT_EQ(0, num(qv_gradient_helper_name(9), QV_NAME_ROTATION_TATTOO));
  // A rotation helper is a path, not an ESL layer.
  EXPECT_FALSE(qv_is_esl_name(rot));
  EXPECT_FALSE(qv_name_is_helper_path(qv_esl_name(12)));
  EXPECT_FALSE(qv_name_is_helper_path("{3}star"));
  EXPECT_FALSE(qv_name_is_helper_path(""));
  // The per-path forms must open the name; behind a group prefix they are not helpers.
  EXPECT_EQ(0, num("{3}" + rot, QV_NAME_ROTATION_TATTOO));
  // The group form needs a group: "۞ Rotation " alone has number 0.
  EXPECT_EQ(0, num(kMark + "Rotation ", QV_NAME_GROUP_ROTATION));
  // Numbers stop at the first non-digit, so copies still name their owner.
  EXPECT_EQ(7, num(kMark + "Rotation-7  #1", QV_NAME_ROTATION_TATTOO));
  EXPECT_EQ(0, num(kMark + "Rotation-x", QV_NAME_ROTATION_TATTOO));
  EXPECT_EQ(0, num(kMark + "Gradient-", QV_NAME_GRADIENT_TATTOO));
}

// The finders pick a path's helper out of an image's path list: its own
// rotation helper, its group's when it is in a group, the stripped form GIMP
// stores, and nothing for tattoo 0 (every ordinary name queries as 0).
TEST(PathNamesHelpers, FindersPickTheOwnersHelper) {
  const std::vector<std::string> names = {"star",
                                          "{3}moon",
                                          kMark + "Rotation-7",
                                          "{3}" + kMark + "Rotation ",
                                          kMark + "Gradient-9",
                                          kMark + "Rotation-70 "};
  struct Case {
    std::string owner;
    long tattoo;
    std::optional<std::string> rotation, gradient;
  } cases[] = {
      {"star", 7, kMark + "Rotation-7", std::nullopt},
      {"star", 70, kMark + "Rotation-70 ", std::nullopt},
      {"{3}moon", 9, "{3}" + kMark + "Rotation ", kMark + "Gradient-9"},
      {"{4}sun", 5, std::nullopt, std::nullopt},
      {"star", 0, std::nullopt, std::nullopt},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(c.rotation, qv_find_rotation_helper(names, c.owner, c.tattoo)) << c.owner << c.tattoo;
    EXPECT_EQ(c.gradient, qv_find_gradient_helper(names, c.tattoo)) << c.owner << c.tattoo;
  }
}

TEST(PathNamesEsl, PerPathEslMustBeExact) {
  EXPECT_EQ(12, num(kMark + "ESL-12", QV_NAME_ESL_TATTOO));
  EXPECT_EQ(0, num(kMark + "ESL-12 copy", QV_NAME_ESL_TATTOO));
  EXPECT_EQ(0, num(kMark + "ESL-", QV_NAME_ESL_TATTOO));
  EXPECT_EQ(0, num(kMark + "ESL-x", QV_NAME_ESL_TATTOO));
  EXPECT_EQ(0, num("ESL-12", QV_NAME_ESL_TATTOO));
  EXPECT_EQ(0, num("\xDB"
                   " ESL-12",
                   QV_NAME_ESL_TATTOO));  // a broken mark
  EXPECT_FALSE(qv_is_esl_name(kMark + "ESL-12 copy"));
}

TEST(PathNamesEsl, GroupEslMustBeExact) {
  const std::string esl = kMark + "Edit Style Layer";
  EXPECT_EQ(3, num("{3}" + esl, QV_NAME_GROUP_ESL));
  EXPECT_EQ(3, num("{3} " + esl, QV_NAME_GROUP_ESL));
  EXPECT_EQ(0, num("{3}" + esl + " copy", QV_NAME_GROUP_ESL));
  EXPECT_EQ(0, num(esl, QV_NAME_GROUP_ESL));
  EXPECT_EQ(0, num("{0}" + esl, QV_NAME_GROUP_ESL));
  EXPECT_FALSE(qv_is_esl_name(esl));
}

TEST(PathNamesEsl, MalformedEsl) {
  const std::string esl = kMark + "Edit Style Layer";
  EXPECT_EQ(12, num(kMark + "ESL-12 copy", QV_NAME_MALFORMED_ESL));
  EXPECT_EQ(12, num(kMark + "ESL-12 #1", QV_NAME_MALFORMED_ESL));
  EXPECT_EQ(0, num(kMark + "ESL-12", QV_NAME_MALFORMED_ESL));
  EXPECT_EQ(0, num(kMark + "ESL-", QV_NAME_MALFORMED_ESL));
  EXPECT_EQ(-3, num("{3}" + esl + " copy", QV_NAME_MALFORMED_ESL));
  EXPECT_EQ(-3, num("{3}background", QV_NAME_MALFORMED_ESL));
  EXPECT_EQ(0, num("{3}" + esl, QV_NAME_MALFORMED_ESL));
  EXPECT_EQ(0, num("Background", QV_NAME_MALFORMED_ESL));
}

TEST(PathNamesOddInput, NothingCrashes) {
  const std::string odd[] = {"",     "{",        "{12",    "{ab}",     kMark + "ESL-",
                             "[",    "\"",       "[\"",    "{1}[",     "{1}",
                             "\xDB", "\xDB\x9E", "{ }   ", "[]\"\"\"", "}{}{"};
  for (const auto &name : odd) {
    for (int q = -1; q <= 11; ++q) {
      (void)num(name, q);
      (void)text(name, q);
    }
    (void)qv_path_kind_from_name(name, true);
  }
  EXPECT_EQ(0, num("", QV_NAME_GROUP));
  EXPECT_EQ("", text("", QV_NAME_AFTER_GROUP));
  EXPECT_EQ("", text("{1}", QV_NAME_AFTER_GROUP));
  EXPECT_FALSE(text("\"", QV_NAME_QUOTED));
}

TEST(PathNamesKind, KeysplineKinds) {
  EXPECT_EQ(8, qv_path_kind_from_name("[@] walk", false));
  EXPECT_EQ(8, qv_path_kind_from_name("[@seq] \"t\"", true));
  EXPECT_EQ(8 | 16, qv_path_kind_from_name("[@->S]", false));
  EXPECT_EQ(8 | 32, qv_path_kind_from_name("{2}[@<-S] x", false));
  EXPECT_EQ(8 | 64, qv_path_kind_from_name("[@-Script]", false));
  EXPECT_EQ(8, qv_path_kind_from_name("[@-Script ]", false));
}

TEST(PathNamesKind, OrdinaryKinds) {
  EXPECT_EQ(2, qv_path_kind_from_name("[label] x", true));
  EXPECT_EQ(2 | 4, qv_path_kind_from_name("[label] \"Hi\"", false));
  EXPECT_EQ(4, qv_path_kind_from_name("\"Hi\"", true));
  EXPECT_EQ(1, qv_path_kind_from_name("plain", true));
  EXPECT_EQ(0, qv_path_kind_from_name("plain", false));
  EXPECT_EQ(0, qv_path_kind_from_name("[@ unclosed", false));
}

}  // namespace
