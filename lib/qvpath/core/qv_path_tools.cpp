#include "core/qv_path_tools.h"

#include <algorithm>
#include <map>
#include <sstream>

#include "core/qv_geometry.h"
#include "core/qv_glib_ptr.h"
#include "core/qv_names.h"

#include <glib.h>

#include <cmath>

namespace {

constexpr double kAnchor = 1, kControl = 2;

bool is_keyspline(const std::string &name) { return name.rfind("[@", 0) == 0; }

}  // namespace

std::vector<double> qv_keyspline_default_points(bool falling) {
  const double y0 = falling ? 0 : 200, y1 = falling ? 200 : 0;
  return {0, y0, kAnchor, 0, y0, kControl, 200, y1, kControl, 200, y1, kAnchor, 200, y1, kControl};
}

QVKeysplineMembers qv_keyspline_members(const std::vector<QVToolPath> &bottom_up) {
  QVKeysplineMembers members;
  // Groups in the order their first member is met.
  std::vector<std::string> groups;
  std::map<long, size_t> group_index;
  for (const QVToolPath &path : bottom_up) {
    if (!path.locked && !path.current) continue;
    if (qv_name_is_helper_path(path.name)) continue;
    if (is_keyspline(path.name)) {
      if (path.locked && !members.template_path) members.template_path = path.name;
      continue;
    }
    const long group = qv_name_query_number(path.name, QV_NAME_GROUP);
    const std::string tattoo = std::to_string(path.tattoo);
    const auto found = group > 0 ? group_index.find(group) : group_index.end();
    if (found != group_index.end()) {
      groups[found->second] += " " + tattoo;
    } else {
      if (group > 0) group_index[group] = groups.size();
      groups.push_back(tattoo);
    }
    ++members.count;
  }
  for (size_t i = 0; i < groups.size(); ++i) members.tattoos += (i ? "; " : "") + groups[i];
  return members;
}

std::string qv_keyspline_name(const std::string &current,
                              const std::optional<std::string> &template_path,
                              const std::vector<QVToolPath> &paths) {
  if (template_path) {
    std::istringstream lines(*template_path);
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind("[@]", 0) != 0) continue;
      const qv_gstring stripped(g_strstrip(g_strdup(line.substr(3).c_str())));
      const std::string named = stripped.get();
      const bool exists = std::any_of(paths.begin(), paths.end(),
                                      [&](const QVToolPath &p) { return p.name == named; });
      if (!named.empty() && exists) return "[@] " + named + " ...";
    }
  }
  return "[@] " + current;
}

QVKeysplineMembers qv_stroke_keyspline_members(const std::vector<QVToolPath> &bottom_up) {
  QVKeysplineMembers members;
  for (const QVToolPath &path : bottom_up) {
    if (!path.locked && !path.current) continue;
    if (is_keyspline(path.name)) {
      if (!members.template_path) members.template_path = path.name;
      continue;
    }
    members.tattoos += (members.count++ ? " " : "") + std::to_string(path.tattoo);
  }
  return members;
}

std::vector<double> qv_ellipse_points(double x1, double y1, double x2, double y2) {
  const double w = x2 - x1, h = y2 - y1;
  const double cx = x1 + w / 2, cy = y1 + h / 2;
  const double kx = 0.276 * w, ky = 0.276 * h;
  const double top = cy - h / 2, bottom = cy + h / 2, left = cx - w / 2, right = cx + w / 2;
  // Each anchor, its out-handle, then the next anchor's in-handle; the last
  // in-handle (the top's) closes the stroke.
  return {cx,    top,    kAnchor, cx + kx, top,     kControl, right,   cy - ky, kControl,
          right, cy,     kAnchor, right,   cy + ky, kControl, cx + kx, bottom,  kControl,
          cx,    bottom, kAnchor, cx - kx, bottom,  kControl, left,    cy + ky, kControl,
          left,  cy,     kAnchor, left,    cy - ky, kControl, cx - kx, top,     kControl};
}

std::vector<int> qv_guide_positions(int size, int delta, int offset) {
  std::vector<int> positions;
  if (delta < 1) return positions;
  // An offset beyond a delta, or negative, names the same grid.
  long first = offset % delta;
  if (first < 0) first += delta;
  for (long p = first; p < size; p += delta) positions.push_back(static_cast<int>(p));
  return positions;
}

namespace {

double hundredths(double v) { return std::round(v * 100.0) / 100.0; }

}  // namespace

std::optional<QVJoin> qv_join_to_reference(const std::vector<double> &path,
                                           const std::vector<double> &reference,
                                           const std::string &reference_name) {
  if (path.size() < 6) return std::nullopt;
  QVpathCalc nearest;
  nearest.mode = QV_CALC_NEAREST;
  nearest.target_x = path[0];
  nearest.target_y = path[1];
  if (!qv_path_calculate_points(reference, nearest, nullptr) || nearest.status != 1)
    return std::nullopt;
  QVpathCalc at;
  at.mode = QV_CALC_AT_LENGTH;
  at.length = hundredths(nearest.nearest_length);
  if (!qv_path_calculate_points(reference, at, nullptr) || at.status != 1) return std::nullopt;
  const double x = hundredths(at.x), y = hundredths(at.y);
  const double out_x = hundredths(at.handle_out_x), out_y = hundredths(at.handle_out_y);
  const double in_x = hundredths(at.handle_in_x), in_y = hundredths(at.handle_in_y);
  QVJoin join;
  join.points = path;
  const bool joined_forward = path[0] == x && path[1] == y && path[3] == out_x && path[4] == out_y;
  join.points[0] = x;
  join.points[1] = y;
  join.points[3] = joined_forward ? in_x : out_x;
  join.points[4] = joined_forward ? in_y : out_y;
  const double base = g_ascii_strtod(reference_name.c_str(), nullptr);
  char text[G_ASCII_DTOSTR_BUF_SIZE];
  g_ascii_formatd(text, sizeof text, "%0.1f", (std::isfinite(base) ? base : 0.0) + at.length);
  join.name = text;
  return join;
}
