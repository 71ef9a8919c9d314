// Script names resolved against the image's file, the program text for the
// generic evaluator, and Scheme string literals.
#include "core/qv_scheme.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <string>

namespace {

std::string native(std::string path) {
  for (char &c : path)
    if (c == '/') c = G_DIR_SEPARATOR;
  return path;
}

TEST(SchemeResolve, ParentComponentsClimbFromTheImagesFolderInBothSeparatorStyles) {
  EXPECT_EQ(qv_scheme_resolve_relative("D:\\work\\img\\x.xcf", "..\\scripts\\a.scm"),
            native("D:/work/scripts/a.scm"));
  EXPECT_EQ(qv_scheme_resolve_relative("/work/img/x.xcf", "../scripts/a.scm"),
            native("/work/scripts/a.scm"));
  EXPECT_EQ(qv_scheme_resolve_relative("/work/img/x.xcf", "..\\scripts/a.scm"),
            native("/work/scripts/a.scm"));
  EXPECT_EQ(qv_scheme_resolve_relative("/work/img/x.xcf", "./a.scm"), native("/work/img/a.scm"));
  EXPECT_EQ(qv_scheme_resolve_relative("/work/img/x.xcf", "./.././sub/./b.scm"),
            native("/work/sub/./b.scm"));
  // Up to the root, but not above it.
  EXPECT_EQ(qv_scheme_resolve_relative("/work/img/x.xcf", "../../a.scm"), native("/a.scm"));
}

TEST(SchemeResolve, ClimbingAboveTheFirstComponentJoinsTheNamesUnchanged) {
  EXPECT_EQ(qv_scheme_resolve_relative("D:\\img\\x.xcf", "..\\..\\a.scm"),
            native("D:/img/../../a.scm"));
  EXPECT_EQ(qv_scheme_resolve_relative("/img/x.xcf", "../../a.scm"), native("/img/../../a.scm"));
}

TEST(SchemeResolve, NamesThatAreNotRelativeOrHaveNothingToResolveAgainst) {
  EXPECT_EQ(qv_scheme_resolve_relative("/work/img/x.xcf", "/abs/a.scm"), "/abs/a.scm");
  // Scheme text passed where a file name is accepted must come back intact.
  EXPECT_EQ(qv_scheme_resolve_relative("/work/img/x.xcf", "(display \"a\\b\")"),
            "(display \"a\\b\")");
  EXPECT_EQ(qv_scheme_resolve_relative("", "../a.scm"), "../a.scm");
  EXPECT_EQ(qv_scheme_resolve_relative("x.xcf", "../a.scm"), "../a.scm");
  EXPECT_EQ(qv_scheme_resolve_relative("/work/img/x.xcf", ".."), std::nullopt);
  EXPECT_EQ(qv_scheme_resolve_relative("/work/img/x.xcf", ".\\..\\."), std::nullopt);
}

TEST(SchemeLiteral, EscapesBackslashAndQuoteOnly) {
  EXPECT_EQ(qv_scheme_string_literal("plain"), "\"plain\"");
  EXPECT_EQ(qv_scheme_string_literal("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(qv_scheme_string_literal("\xDB\x9E line\nbreak"), "\"\xDB\x9E line\nbreak\"");
  EXPECT_EQ(qv_scheme_string_literal(""), "\"\"");
}

TEST(SchemeLiteral, RecognisesExactlyOneWellFormedLiteral) {
  EXPECT_TRUE(qv_scheme_is_string_literal("\"\""));
  EXPECT_TRUE(qv_scheme_is_string_literal("\"a\\\"b\\\\\""));
  EXPECT_TRUE(qv_scheme_is_string_literal(qv_scheme_string_literal("x\") (gimp-quit 0) (\"")));
  EXPECT_FALSE(qv_scheme_is_string_literal("name"));
  EXPECT_FALSE(qv_scheme_is_string_literal("\""));
  EXPECT_FALSE(qv_scheme_is_string_literal("\"a\\\""));  // the last quote is escaped
  EXPECT_FALSE(qv_scheme_is_string_literal("\"a\") (gimp-quit 0) (\""));  // two literals and code
}

TEST(SchemeNestedProgram, HeadBindsTheFourNamesAndTailClosesTheBegin) {
  EXPECT_EQ(
      qv_scheme_nested_program(3, 7, "0.5000000000", "\"path 1\"", "(display av)"),
      "(begin (define image 3) (define draw 7) (define av 0.5000000000) (define name \"path 1\")\n"
      "(display av)\n)\n");
}

TEST(SchemeNestedProgram, TextsThatAreNotNumbersOrLiteralsCannotInjectCode) {
  const std::string program =
      qv_scheme_nested_program(1, 2, "0) (gimp-quit 0", "x\") (gimp-quit 0) (\"", "");
  EXPECT_NE(program.find("(define av \"0) (gimp-quit 0\")"), std::string::npos) << program;
  EXPECT_NE(program.find("(define name \"x\\\") (gimp-quit 0) (\\\"\")"), std::string::npos)
      << program;
  EXPECT_NE(qv_scheme_nested_program(1, 2, "", "", "").find("(define av \"\") (define name \"\")"),
            std::string::npos);
  EXPECT_NE(qv_scheme_nested_program(1, 2, "-1.5e3", "\"\"", "").find("(define av -1.5e3)"),
            std::string::npos);
}

TEST(SchemeStrtod, ReadsDotDecimalsAndGivesZeroForText) {
  EXPECT_DOUBLE_EQ(qv_scheme_strtod("2.5"), 2.5);
  EXPECT_DOUBLE_EQ(qv_scheme_strtod(" -3e2"), -300.0);
  EXPECT_DOUBLE_EQ(qv_scheme_strtod("abc"), 0.0);
  EXPECT_DOUBLE_EQ(qv_scheme_strtod(""), 0.0);
  EXPECT_DOUBLE_EQ(qv_scheme_strtod(nullptr), 0.0);
  EXPECT_DOUBLE_EQ(qv_scheme_strtod("nan"), 0.0);
}

}  // namespace
