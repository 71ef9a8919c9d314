#include "core/qv_letters.h"

#include <glib.h>

#include <algorithm>
#include <cmath>

#include "core/qv_glib_ptr.h"

QVTextPlace qv_text_place(QVPoint size_from, QVPoint anchor, std::optional<QVPoint> toward) {
  const double angle = toward ? std::atan2(toward->y - anchor.y, toward->x - anchor.x) : 0.0;
  return {anchor, std::fabs(anchor.y - size_from.y), angle};
}

bool qv_text_is_blank(const std::string &text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

std::optional<std::string> qv_text_as_utf8(const std::string &text) {
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return text;
  gsize written = 0;
  const qv_gstring converted(g_convert(text.data(), static_cast<gssize>(text.size()), "UTF-8",
                                       "ISO-8859-1", nullptr, &written, nullptr));
  if (!converted || !g_utf8_validate(converted.get(), static_cast<gssize>(written), nullptr))
    return std::nullopt;
  return std::string(converted.get(), written);
}

std::vector<std::string> qv_utf8_letters(const std::string &text) {
  std::vector<std::string> letters;
  // The text ends at its first NUL, as GIMP would read it.
  const size_t end = std::min(text.size(), text.find('\0'));
  for (size_t at = 0; at < end;) {
    const size_t step = std::min<size_t>(g_utf8_skip[static_cast<guchar>(text[at])], end - at);
    letters.push_back(text.substr(at, step));
    at += step;
  }
  return letters;
}

bool qv_letter_renders_nothing(const std::string &letter) {
  return g_unichar_isspace(
      g_utf8_get_char_validated(letter.c_str(), static_cast<gssize>(letter.size())));
}

QVLetterLine qv_letter_line(std::vector<double> path_points, const QVTextPlace &place) {
  QVLetterLine line;
  line.start = line.end = place.anchor;
  line.start_angle = line.end_angle = place.angle;
  QVpathCalc calc;
  calc.mode = QV_CALC_LENGTH;
  if (!qv_path_calculate_points(path_points, calc, nullptr) || calc.status != 1) return line;
  line.points = std::move(path_points);
  line.length = calc.length;
  line.start = {calc.begin_x, calc.begin_y};
  line.end = {calc.end_x, calc.end_y};
  line.start_angle = calc.begin_angle;
  line.end_angle = calc.end_angle;
  return line;
}

double qv_letters_width(const std::vector<double> &widths, double blank, double spacing) {
  if (widths.empty()) return 0;
  double letters = 0;
  for (double w : widths) letters += w > 0 ? w : blank;
  return static_cast<double>(widths.size() - 1) * spacing + letters;
}

double qv_letters_start(double text_width, double xalign, double palign, double offset,
                        const QVLetterLine &line) {
  double p = -xalign * text_width;
  if (!line.points.empty()) p += (line.length - text_width) * std::clamp(palign, 0.0, 1.0);
  return p + offset;
}

std::optional<double> qv_letter_walk_next(QVLetterWalk &walk, double width) {
  if (!(width > 0) || !std::isfinite(width)) {
    walk.position += walk.blank + walk.spacing;
    return std::nullopt;
  }
  walk.position += width / 2;
  const double centre = walk.position;
  walk.position += walk.spacing + width / 2;
  return centre;
}

QVLetterPose qv_letter_pose(const QVLetterLine &line, double centre, double width, double y) {
  if (centre <= 0) return {{centre - width / 2, y}, line.start_angle, line.start};
  if (centre < line.length) {
    QVpathCalc calc;
    calc.mode = QV_CALC_AT_LENGTH;
    calc.length = centre;
    qv_path_calculate_points(line.points, calc, nullptr);
    return {{-width / 2, y}, calc.angle, {calc.x, calc.y}};
  }
  return {{centre - width / 2 - line.length, y}, line.end_angle, line.end};
}
