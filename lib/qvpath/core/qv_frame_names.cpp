#include "core/qv_frame_names.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int MAX_NUMBER_DIGITS = 15;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Index just past the last folder separator, 0 without one.
size_t file_part_start(const std::string &name) {
  const size_t separator = name.find_last_of("/\\");
  return separator == std::string::npos ? 0 : separator + 1;
}

}  // namespace

QVFrameName qv_frame_name_split(const std::string &name) {
  QVFrameName split;
  const size_t file_start = file_part_start(name);
  const size_t dot = name.rfind('.');
  size_t stem_end = name.size();
  if (dot != std::string::npos && dot >= file_start) {
    split.extension = name.substr(dot + 1);
    stem_end = dot;
  }
  size_t number_start = stem_end;
  while (number_start > file_start && is_digit(name[number_start - 1]) &&
         stem_end - number_start < MAX_NUMBER_DIGITS) {
    --number_start;
  }
  split.base = name.substr(0, number_start);
  split.digits = static_cast<int>(stem_end - number_start);
  for (size_t i = number_start; i < stem_end; ++i) split.start = split.start * 10 + (name[i] - '0');
  return split;
}

std::string qv_frame_name_build(const QVFrameName &name, long number) {
  char digits[32];
  std::snprintf(digits, sizeof digits, "%0*ld", std::clamp(name.digits, 0, MAX_NUMBER_DIGITS),
                number);
  std::string out = name.base + digits;
  if (!name.extension.empty()) out += "." + name.extension;
  return out;
}

std::string qv_frame_name_folder(const std::string &name) {
  const size_t start = file_part_start(name);
  if (start == 0) return ".";
  if (start == 1) return name.substr(0, 1);
  return name.substr(0, start - 1);
}
