#include "core/qv_png_settings.h"

#include <glib.h>

#include <algorithm>
#include <vector>

const char *const QV_PNG_DEFAULTS_PARASITE = "png-save-defaults";

namespace {

// The leading whole numbers of the text, up to the first word that is none.
std::vector<long> leading_numbers(const std::string &text) {
  std::vector<long> numbers;
  const char *p = text.c_str();
  while (true) {
    while (*p == ' ' || *p == '\t') ++p;
    char *end = nullptr;
    const gint64 value = g_ascii_strtoll(p, &end, 10);
    if (end == p) break;
    numbers.push_back(static_cast<long>(std::clamp<gint64>(value, -1000, 1000)));
    p = end;
  }
  return numbers;
}

}  // namespace

QVPngSettings qv_png_settings_parse(const std::optional<std::string> &text) {
  QVPngSettings s;
  if (!text) return s;
  const std::vector<long> n = leading_numbers(*text);
  bool *flags[] = {&s.interlace,  &s.background, &s.gamma,   &s.offsets,
                   &s.resolution, &s.time,       &s.comment, &s.transparent_colours};
  for (size_t i = 0; i < std::size(flags) && i < n.size(); ++i) *flags[i] = n[i] != 0;
  if (n.size() > std::size(flags)) s.compression = static_cast<int>(std::clamp(n[8], 0L, 9L));
  return s;
}
