// Splitting Scheme text into top-level expressions.
#include "core/qv_script_split.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

const char *const kUnexpected =
    "(gimp-message \"[Line %d:%d] Error: unexpected )... closing parentheses!\")";
const char *const kMissing =
    "(gimp-message \"[Line %d:%d] Error: no closing parentheses ...) found!\")";

std::string error_at(const char *format, int line, int column) {
  gchar *text = g_strdup_printf(format, line, column);
  std::string out = text;
  g_free(text);
  return out;
}

TEST(SchemeSplit, TopLevelExpressionsKeepTheirTextAndSkipBlanksAndComments) {
  EXPECT_EQ(qv_script_split("(define a 1)\n(display a)\n"),
            (Strings{"(define a 1)", "(display a)"}));
  EXPECT_EQ(qv_script_split("  ; only a comment (\n\t"), Strings{});
  EXPECT_EQ(qv_script_split(""), Strings{});
  EXPECT_EQ(qv_script_split("(a ; note )\n b)  x y"), (Strings{"(a ; note )\n b)", "x", "y"}));
  EXPECT_EQ(qv_script_split("(a)(b)"), (Strings{"(a)", "(b)"}));
}

TEST(SchemeSplit, StringsAndCharacterLiteralsDoNotCount) {
  EXPECT_EQ(qv_script_split("(display \";(\")(b)"), (Strings{"(display \";(\")", "(b)"}));
  EXPECT_EQ(qv_script_split("(x \"\\\"(\" y)"), Strings{"(x \"\\\"(\" y)"});
  EXPECT_EQ(qv_script_split("(x \"\\101)\")"), Strings{"(x \"\\101)\")"});
  EXPECT_EQ(qv_script_split("(char=? c #\\() (z)"), (Strings{"(char=? c #\\()", "(z)"}));
  // Quoted lists and string atoms are one expression each.
  EXPECT_EQ(qv_script_split("'(a b) \"c d\""), (Strings{"'(a b)", "\"c d\""}));
}

TEST(SchemeSplit, AnUnexpectedParenthesisEndsTheSplitWithItsPosition) {
  EXPECT_EQ(qv_script_split("(a))(b)"), (Strings{"(a)", error_at(kUnexpected, 1, 4)}));
  EXPECT_EQ(qv_script_split("(a)\n  x) (b)"), (Strings{"(a)", error_at(kUnexpected, 2, 4)}));
}

TEST(SchemeSplit, AMissingParenthesisNamesTheOpeningOne) {
  EXPECT_EQ(qv_script_split("(a"), Strings{error_at(kMissing, 1, 1)});
  // Columns count characters, not bytes.
  EXPECT_EQ(qv_script_split("(b)\n\xC3\xA4 (c (d)"),
            (Strings{"(b)", "\xC3\xA4", error_at(kMissing, 2, 3)}));
}

TEST(SchemeReadFromString, WalksTheExpressionsByIndex) {
  const std::string text = "  (x) (y)";
  const QVScriptRead first = qv_script_read_from_string(text, 0);
  EXPECT_EQ(first.expression, "(x)");
  EXPECT_EQ(first.next, 5u);
  const QVScriptRead second = qv_script_read_from_string(text, static_cast<long>(first.next));
  EXPECT_EQ(second.expression, "(y)");
  EXPECT_EQ(second.next, text.size());
  EXPECT_EQ(qv_script_read_from_string(text, static_cast<long>(second.next)).expression, "()");
  EXPECT_EQ(qv_script_read_from_string(text, 1000).expression, "()");
  EXPECT_EQ(qv_script_read_from_string(text, -5).expression, "(x)");
}

TEST(SchemeReadFromString, ErrorsCarryTheirPositionFromTheStartOfTheText) {
  const QVScriptRead r = qv_script_read_from_string("(a)\n (b", 3);
  EXPECT_EQ(r.expression, error_at(kMissing, 2, 2));
  EXPECT_EQ(r.next, 7u);
}

TEST(SchemeTmpFile, HoldsTheExpressionsOnSeparateLines) {
  const auto name = qv_script_write_tmp_file({"(a)", "b", "c"});
  ASSERT_TRUE(name);
  gchar *content = nullptr;
  ASSERT_TRUE(g_file_get_contents(name->c_str(), &content, nullptr, nullptr));
  EXPECT_STREQ(content, "(a)\nb\nc\n");
  g_free(content);
  g_unlink(name->c_str());
}

}  // namespace
