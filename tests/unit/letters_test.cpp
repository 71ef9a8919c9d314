#include "core/qv_letters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "core/qv_angles.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// A straight path from (0, 0) to (100, 0) as the reader lists it: anchor,
// out-handle, in-handle, anchor, out-handle, the handles on the anchors.
const std::vector<double> kStraight = {0, 0, 1, 0, 0, 2, 100, 0, 2, 100, 0, 1, 100, 0, 2};

const QVTextPlace kPlace{{20, 30}, 12, 0.5};

// ---- Where the text sits --------------------------------------------------------------

TEST(LettersText, PlaceTakesHeightAndDirectionFromTheAnchors) {
  const QVTextPlace level = qv_text_place({0, 50}, {10, 20}, std::nullopt);
  EXPECT_EQ(10, level.anchor.x);
  EXPECT_EQ(20, level.anchor.y);
  EXPECT_EQ(30, level.size);  // the anchor lies above: the height is never negative
  EXPECT_EQ(0, level.angle);
  EXPECT_NEAR(QV_PI / 2, qv_text_place({0, 0}, {10, 20}, QVPoint{10, 30}).angle, 1e-12);
  EXPECT_NEAR(QV_PI, qv_text_place({0, 0}, {10, 20}, QVPoint{0, 20}).angle, 1e-12);
}

TEST(LettersText, BlankMeansOnlySpaces) {
  const struct {
    const char *text;
    bool blank;
  } cases[] = {{"", true},     {" ", true},   {"   ", true},
               {" a ", false}, {"\t", false}, {"\xC2\xA0", false}};
  for (const auto &c : cases) EXPECT_EQ(c.blank, qv_text_is_blank(c.text)) << '"' << c.text << '"';
}

TEST(LettersText, Utf8StaysLatin1IsConvertedNulIsRefused) {
  const struct {
    std::string in;
    std::optional<std::string> out;
  } cases[] = {
      {"", ""},
      {"Hello", "Hello"},
      {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},  // UTF-8 "été" unchanged
      {"\xC9t\xE9", "\xC3\x89t\xC3\xA9"},          // Latin-1 "Été"
      {"\xE2\x82", "\xC3\xA2\xC2\x82"},            // a cut UTF-8 letter is read as Latin-1
      {std::string("a\0b", 3), std::nullopt},      // GIMP would cut the text short
  };
  for (const auto &c : cases) EXPECT_EQ(c.out, qv_text_as_utf8(c.in)) << c.in;
}

// ---- Letters ---------------------------------------------------------------------------

TEST(LettersSplit, EachCharacterIsOneLetterWhateverItsLength) {
  const struct {
    const char *name;
    std::string text;
    std::vector<std::string> letters;
  } cases[] = {
      {"empty", "", {}},
      {"ascii", "ab c", {"a", "b", " ", "c"}},
      {"two bytes", "\xC3\xA9t\xC3\xA9", {"\xC3\xA9", "t", "\xC3\xA9"}},
      {"three bytes", "\xDB\x9E\xE2\x82\xAC", {"\xDB\x9E", "\xE2\x82\xAC"}},
      {"four bytes", "a\xF0\x9F\x98\x80", {"a", "\xF0\x9F\x98\x80"}},
      {"cut at the end", "a\xE2\x82", {"a", "\xE2\x82"}},
      {"cut by a NUL", std::string("\xF0\x9F\0zz", 5), {"\xF0\x9F"}},
      {"ends at a NUL", std::string("ab\0c", 4), {"a", "b"}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.letters, qv_utf8_letters(c.text));
  }
}

TEST(LettersSplit, BlanksRenderNothing) {
  const struct {
    const char *letter;
    bool nothing;
  } cases[] = {{" ", true},  {"\t", true},        {"\xC2\xA0", true},  {"\xE2\x80\x83", true},
               {"a", false}, {"\xC3\xA9", false}, {"\xE2\x82", false}, {"", false}};
  for (const auto &c : cases) EXPECT_EQ(c.nothing, qv_letter_renders_nothing(c.letter)) << c.letter;
}

// ---- The line ------------------------------------------------------------------------------

TEST(LettersLine, TextPathGivesItsEndsOtherwiseTheAnchorLine) {
  const QVLetterLine path = qv_letter_line(kStraight, kPlace);
  EXPECT_EQ(kStraight, path.points);
  EXPECT_NEAR(100, path.length, 0.1);
  EXPECT_EQ(0, path.start.x);
  EXPECT_EQ(100, path.end.x);
  EXPECT_NEAR(0, path.start_angle, 1e-9);

  const std::vector<double> one_point = {5, 5, 1};
  for (const auto &points : {std::vector<double>{}, one_point}) {
    const QVLetterLine straight = qv_letter_line(points, kPlace);
    EXPECT_TRUE(straight.points.empty());
    EXPECT_EQ(0, straight.length);
    EXPECT_EQ(kPlace.anchor.x, straight.start.x);
    EXPECT_EQ(kPlace.anchor.y, straight.end.y);
    EXPECT_EQ(kPlace.angle, straight.start_angle);
    EXPECT_EQ(kPlace.angle, straight.end_angle);
  }
}

// ---- Widths and the start ------------------------------------------------------------------

TEST(LettersLayout, WidthAddsLettersBlanksAndSpacing) {
  const struct {
    std::vector<double> widths;
    double blank, spacing, total;
  } cases[] = {
      {{}, 5, 3, 0},                                   // no letters: no spacing either
      {{10}, 5, 3, 10},      {{10, 0, 20}, 5, 3, 41},  // the blank counts 5
      {{10, 20}, 5, -4, 26},                           // negative spacing pulls letters together
      {{0, 0}, 0, 0, 0},
  };
  for (const auto &c : cases)
    EXPECT_DOUBLE_EQ(c.total, qv_letters_width(c.widths, c.blank, c.spacing));
}

TEST(LettersLayout, StartAlignsAgainstTheLine) {
  const QVLetterLine straight = qv_letter_line({}, kPlace);
  const QVLetterLine path = qv_letter_line(kStraight, kPlace);
  const double length = path.length;
  const struct {
    const char *name;
    const QVLetterLine &line;
    double xalign, palign, offset, start;
  } cases[] = {
      {"left", straight, 0, 0, 0, 0},
      {"centred on the anchor", straight, 0.5, 0, 0, -20},
      {"palign needs a path", straight, 0, 1, 0, 0},
      {"offset", straight, 0, 0, 7, 7},
      {"centred on the path", path, 0, 0.5, 0, (length - 40) / 2},
      {"end of the path", path, 0, 1, 0, length - 40},
      {"palign is clamped", path, 0, 3, 0, length - 40},
      {"below zero too", path, 0, -1, 2, 2},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_DOUBLE_EQ(c.start, qv_letters_start(40, c.xalign, c.palign, c.offset, c.line));
  }
}

TEST(LettersLayout, WalkCentresLettersAndStepsOverBlanks) {
  QVLetterWalk walk{-5, 2, 6};
  EXPECT_EQ(0, *qv_letter_walk_next(walk, 10));  // -5 + 10/2
  EXPECT_EQ(7, walk.position);                   // + 10/2 + 2
  EXPECT_FALSE(qv_letter_walk_next(walk, 0));    // blank: 6 + 2
  EXPECT_EQ(15, walk.position);
  EXPECT_EQ(17, *qv_letter_walk_next(walk, 4));
  for (double bad : {-3.0, kNaN, kInf}) {
    const double before = walk.position;
    EXPECT_FALSE(qv_letter_walk_next(walk, bad)) << bad;
    EXPECT_EQ(before + 8, walk.position);
  }
}

// ---- Poses ----------------------------------------------------------------------------------

TEST(LettersPose, BeforeOnAndPastTheLine) {
  const QVLetterLine path = qv_letter_line(kStraight, kPlace);
  const struct {
    const char *name;
    double centre;
    QVPoint offset, at;
  } cases[] = {
      {"before the start", -10, {-15, -8}, {0, 0}},
      {"at the start", 0, {-5, -8}, {0, 0}},
      {"on the path", 40, {-5, -8}, {40, 0}},
      {"past the end", path.length + 10, {5, -8}, {100, 0}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const QVLetterPose pose = qv_letter_pose(path, c.centre, 10, -8);
    EXPECT_NEAR(c.offset.x, pose.offset.x, 1e-9);
    EXPECT_EQ(c.offset.y, pose.offset.y);
    EXPECT_NEAR(c.at.x, pose.at.x, 0.75);  // a walk overshoots by at most one flat piece
    EXPECT_NEAR(c.at.y, pose.at.y, 1e-9);
    EXPECT_NEAR(0, pose.angle, 1e-9);
  }
}

TEST(LettersPose, WithoutAPathLettersRunAlongTheAnchorLine) {
  const QVLetterLine straight = qv_letter_line({}, kPlace);
  for (double centre : {-4.0, 0.0, 6.0}) {
    const QVLetterPose pose = qv_letter_pose(straight, centre, 10, 3);
    EXPECT_EQ(centre - 5, pose.offset.x);
    EXPECT_EQ(kPlace.angle, pose.angle);
    EXPECT_EQ(kPlace.anchor.x, pose.at.x);
    EXPECT_EQ(kPlace.anchor.y, pose.at.y);
  }
}

TEST(LettersPose, PathTurnsTheLettersOnIt) {
  // Straight down from (0, 0) to (0, 100): letters on it turn a quarter.
  const std::vector<double> down = {0, 0, 1, 0, 0, 2, 0, 100, 2, 0, 100, 1, 0, 100, 2};
  const QVLetterLine line = qv_letter_line(down, kPlace);
  EXPECT_NEAR(QV_PI / 2, qv_letter_pose(line, 50, 10, 0).angle, 1e-9);
  EXPECT_NEAR(QV_PI / 2, qv_letter_pose(line, -5, 10, 0).angle, 1e-9);
  EXPECT_NEAR(QV_PI / 2, qv_letter_pose(line, 500, 10, 0).angle, 1e-9);
}

}  // namespace
