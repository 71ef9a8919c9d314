// Numbered frame file names: the name of a timeline's first frame ends in a
// number before its extension ("shot_0007.png"), and every later frame counts
// on from it with at least as many digits. The batch launcher and the
// renderer must agree on this rule, or the launcher would look for files the
// renderer never writes.
#pragma once

#include <string>

struct QVFrameName {
  std::string base;       // everything before the number, folders included
  long start = 0;         // the number; 0 when the name has no digits there
  int digits = 0;         // how many digits it was written with
  std::string extension;  // without the "."; empty when the name has none
};

// Splits at the last "." of the last path component ("/" or "\"), so a dot
// in a folder name is never taken for the extension. The number is the run
// of digits right before that point, at most 15 of them (longer runs leave
// their leading digits in the base) so that counting on cannot overflow.
QVFrameName qv_frame_name_split(const std::string &name);

// The name of frame `number`: base, the number left-padded with "0" to the
// digit count, then "." and the extension when there is one.
std::string qv_frame_name_build(const QVFrameName &name, long number);

// The folder part of a frame name ("." when it has none), accepting both
// separators.
std::string qv_frame_name_folder(const std::string &name);
