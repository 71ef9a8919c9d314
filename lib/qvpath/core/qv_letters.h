// Texts drawn by a path: where the text sits, the letters it splits into,
// and where each letter goes when the text runs letter by letter along a
// line (a text path, or the straight line through the text's anchor).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/qv_geometry.h"  // QVPoint

// Where a text path puts its text: the anchor (bottom left of the text),
// the size from the path and the text's angle.
struct QVTextPlace {
  QVPoint anchor;
  double size = 0;
  double angle = 0;  // radians
};

// The text stands on `anchor`, as high as `anchor` lies below or above
// `size_from`, and runs toward `toward` (level without it).
QVTextPlace qv_text_place(QVPoint size_from, QVPoint anchor, std::optional<QVPoint> toward);

// Whether the text holds nothing but blanks (an empty text does).
bool qv_text_is_blank(const std::string &text);

// Texts arrive from path names and styles; GIMP takes UTF-8 only. Older
// files carry Latin-1, which is converted; none when neither reading works.
std::optional<std::string> qv_text_as_utf8(const std::string &text);

// The letters (UTF-8 characters) of the text, each as its bytes. A letter
// cut short by the end of the text or by a NUL keeps the bytes it has, so
// that invalid input is split without reading past it.
std::vector<std::string> qv_utf8_letters(const std::string &text);

// GIMP renders a blank as an empty layer one pixel wide, so blanks are
// known by their character rather than by what the render gives back.
bool qv_letter_renders_nothing(const std::string &letter);

// The line the letters follow: a text path, or (length 0) the straight line
// through the anchor in the text's direction.
struct QVLetterLine {
  std::vector<double> points;  // empty: no text path
  double length = 0;
  QVPoint start, end;
  double start_angle = 0, end_angle = 0;
};

// The text path's points as the line, or the straight line of `place` when
// the path has nothing to measure.
QVLetterLine qv_letter_line(std::vector<double> path_points, const QVTextPlace &place);

// The width of the text as its letters add up: each letter's own, a blank's
// for letters that render nothing (width 0), and `spacing` between letters.
double qv_letters_width(const std::vector<double> &widths, double blank, double spacing);

// Where along the line the text begins: moved back by `xalign` of its
// width, along a text path by `palign` (0..1) of the room left, and on by
// `offset`.
double qv_letters_start(double text_width, double xalign, double palign, double offset,
                        const QVLetterLine &line);

// The letters' walk along the line: each letter's centre lies half its
// width past where the one before ended plus the spacing; a letter that
// renders nothing takes the place of a blank.
struct QVLetterWalk {
  double position = 0;  // where the next letter begins
  double spacing = 0, blank = 0;
};

// The centre of the next letter, `width` wide, and the walk moves past it;
// none (the walk moves on by a blank) for a letter that renders nothing
// (width 0 or less, or not finite).
std::optional<double> qv_letter_walk_next(QVLetterWalk &walk, double width);

// Where a letter layer goes: its top-left corner at `offset`, turned by
// `angle` (radians) about the origin, then moved by `at`.
struct QVLetterPose {
  QVPoint offset;
  double angle = 0;
  QVPoint at;
};

// A letter `width` wide centred at `centre` along the line, its top at `y`.
// Letters run straight back from the line's start and straight on past its
// end; in between they sit on the path, turned with it.
QVLetterPose qv_letter_pose(const QVLetterLine &line, double centre, double width, double y);
