#include "qv_helper_sync.h"

#include <cmath>
#include <string>
#include <vector>

#include "qv_attributes.h"
#include "qv_esl.h"
#include "qv_geometry.h"
#include "qv_names.h"
#include "qv_path_points.h"
#include "qv_paths.h"
#include "qv_style_getter.h"
#include "qv_style_store.h"

namespace {

struct XY {
  double x, y;
};

std::string extension_of(gint32 image, const char *path, const char *key) {
  std::optional<std::string> extension;
  qv_path_get_style_attribute(image, path, nullptr, QV_GET_EXTENSION, nullptr, {{key, &extension}});
  return extension.value_or("");
}

// The helper's five points: a line from `from` to `to` with handles on the
// anchors, and a last control point so that it reads back as open.
std::vector<double> helper_line(XY from, XY to) {
  return {from.x, from.y, QV_POINT_ANCHOR, from.x, from.y, QV_POINT_CONTROL, to.x, to.y, QV_POINT_CONTROL,
          to.x,   to.y,   QV_POINT_ANCHOR, to.x,   to.y,   QV_POINT_CONTROL};
}

std::vector<std::string> group_paths(gint32 image, long group) {
  std::vector<std::string> names;
  for (const auto &p : qv_path_list(image))
    if (qv_name_query_number(p.name, QV_NAME_GROUP) == group && !qv_name_is_helper_path(p.name))
      names.push_back(p.name);
  return names;
}

void set_on_owner(gint32 image, const char *path, long group, const char *key, const std::string &value) {
  if (group == 0) {
    qv_path_set_style_attribute(image, path, {{key, value}});
    return;
  }
  for (const auto &name : group_paths(image, group)) qv_path_set_style_attribute(image, name.c_str(), {{key, value}});
}

void lock_with_helpers(gint32 image, const char *path, gint32 tattoo) {
  qv_path_set_locked(image, path, true);
  for (const auto &p : qv_path_list(image)) {
    if (qv_name_query_number(p.name, QV_NAME_GRADIENT_TATTOO) == tattoo) qv_path_set_locked(image, p.name.c_str(), true);
  }
  if (const auto rotation = qv_helpers_rotation_of(image, path)) qv_path_set_locked(image, rotation->c_str(), true);
}

bool ready(gint32 image, const char *path, int lock_mode, gint32 &tattoo) {
  if (!qv_path_current(image)) return false;
  tattoo = qv_path_tattoo_by_name(image, path, nullptr);
  if (tattoo == 0) return false;
  if (lock_mode == 1) lock_with_helpers(image, path, tattoo);
  return true;
}

}  // namespace

void qv_helpers_sync_rotation(gint32 image, const char *path, int lock_mode) {
  gint32 tattoo = 0;
  if (!path || !ready(image, path, lock_mode, tattoo)) return;
  const long group = qv_name_query_number(path, QV_NAME_GROUP);
  const std::string extension = extension_of(image, path, "rotate-at: ");

  if (const auto helper = qv_helpers_rotation_of(image, path)) {
    const auto r = qv_rotation_from_helper(qv_path_read_points(image, helper->c_str(), nullptr).points);
    if (r) set_on_owner(image, path, group, "rotate-at: ", qv_format_rotation(*r) + extension);
    return;
  }
  QVRotation r;
  qv_path_get_style_attribute(image, path, nullptr, QV_GET_BINARY, nullptr, {{"rotate-at: ", &r}});
  if (group != 0) set_on_owner(image, path, group, "rotate-at: ", qv_format_rotation(r) + extension);
  const std::string name = group ? qv_group_rotation_helper_name(group) : qv_rotation_helper_name(tattoo);
  const gint32 helper = qv_path_write_points(image, name.c_str(), 1, helper_line({r.x, r.y}, {r.x2, r.y2}));
  if (helper > 0 && lock_mode == 1) gimp_item_set_linked(helper, TRUE);
}

void qv_helpers_sync_gradient(gint32 image, const char *path, int lock_mode) {
  gint32 tattoo = 0;
  if (!path || !ready(image, path, lock_mode, tattoo)) return;
  const std::string extension = extension_of(image, path, "gradient-line: ");

  if (const auto helper = qv_helpers_gradient_of(image, path)) {
    const auto line = qv_gradient_line_from_helper(qv_path_read_points(image, helper->c_str(), nullptr).points);
    if (line)
      qv_path_set_style_attribute(image, path, {{"gradient-line: ", qv_format_gradient_line(*line) + extension}});
    return;
  }
  QVRotation line;
  qv_path_get_style_attribute(image, path, nullptr, QV_GET_BINARY, nullptr, {{"gradient-line: ", &line}});
  const gint32 helper = qv_path_write_points(image, qv_gradient_helper_name(tattoo).c_str(), 1,
                                             helper_line({line.x, line.y}, {line.x2, line.y2}));
  if (helper > 0 && lock_mode == 1) gimp_item_set_linked(helper, TRUE);
}
