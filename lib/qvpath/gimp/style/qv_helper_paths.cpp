#include "gimp/style/qv_helper_paths.h"

#include <cmath>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/qv_attributes.h"
#include "core/qv_geometry.h"
#include "core/qv_names.h"
#include "core/qv_style.h"
#include "gimp/base/qv_scopes.h"
#include "gimp/paths/qv_path_points.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/style/qv_esl.h"
#include "gimp/style/qv_style_getter.h"
#include "gimp/style/qv_style_gimp.h"

namespace {

const char *const kRotateAtKey = "rotate-at: ";
const char *const kGradientLineKey = "gradient-line: ";

long group_of(const std::string &name) { return qv_name_query_number(name, QV_NAME_GROUP); }

// The named path, or the current one for null or "".
std::optional<std::string> path_or_current(gint32 image, const char *path) {
  if (path && *path) {
    if (qv_path_id_by_name(image, path) < 1) return std::nullopt;
    return std::string(path);
  }
  return qv_path_current(image);
}

// Deletes a helper path; when it is current its owner becomes current, so
// that the user keeps working on the path the helper belonged to.
void delete_helper(gint32 image, const std::string &helper, const std::string &owner) {
  if (qv_path_current(image) == helper) qv_path_set_current(image, owner.c_str());
  qv_path_delete(image, helper.c_str());
}

// GIMP strips trailing blanks from item names, so "۞ Gradient-12 " is stored
// as "۞ Gradient-12": match by the number, which ends at the first
// non-digit, rather than by the built name with its blank.
bool is_gradient_helper_of(const std::string &name, gint32 tattoo) {
  return qv_name_query_number(name, QV_NAME_GRADIENT_TATTOO) == tattoo;
}

bool style_has_line(gint32 image, const std::string &path, const char *prefix) {
  const auto text = qv_path_get_style_text(image, path.c_str(), nullptr);
  return text && qv_style_has_attribute(*text, prefix);
}

// Whether a helper path has lost what it serves: its owner, its group, or
// (for a gradient helper) the owner's "gradient-line: ".
bool helper_is_orphan(gint32 image, const std::string &name, const QVPathOwners &owners) {
  if (const long tattoo = qv_name_query_number(name, QV_NAME_ROTATION_TATTOO))
    return owners.tattoos.count(tattoo) == 0;
  if (const long group = qv_name_query_number(name, QV_NAME_GROUP_ROTATION))
    return owners.groups.count(group) == 0;
  if (const long tattoo = qv_name_query_number(name, QV_NAME_GRADIENT_TATTOO)) {
    const auto owner = qv_path_name_by_tattoo(image, static_cast<gint32>(tattoo));
    return !owner || !style_has_line(image, *owner, kGradientLineKey);
  }
  return false;
}

// Helpers of the same kind for the same owner share one key.
std::optional<std::pair<int, long>> helper_key(const std::string &name) {
  for (int query : {QV_NAME_ROTATION_TATTOO, QV_NAME_GROUP_ROTATION, QV_NAME_GRADIENT_TATTOO})
    if (const long owner = qv_name_query_number(name, query)) return std::make_pair(query, owner);
  return std::nullopt;
}

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
  return {from.x, from.y, QV_POINT_ANCHOR,  from.x, from.y, QV_POINT_CONTROL,
          to.x,   to.y,   QV_POINT_CONTROL, to.x,   to.y,   QV_POINT_ANCHOR,
          to.x,   to.y,   QV_POINT_CONTROL};
}

std::vector<std::string> group_paths(gint32 image, long group) {
  std::vector<std::string> names;
  for (const auto &p : qv_path_list(image))
    if (qv_name_query_number(p.name, QV_NAME_GROUP) == group && !qv_name_is_helper_path(p.name))
      names.push_back(p.name);
  return names;
}

void set_on_owner(gint32 image, const char *path, long group, const char *key,
                  const std::string &value) {
  if (group == 0) {
    qv_path_set_style_attribute(image, path, {{key, value}});
    return;
  }
  for (const auto &name : group_paths(image, group))
    qv_path_set_style_attribute(image, name.c_str(), {{key, value}});
}

void lock_with_helpers(gint32 image, const char *path, gint32 tattoo) {
  qv_path_set_locked(image, path, true);
  for (const auto &p : qv_path_list(image)) {
    if (qv_name_query_number(p.name, QV_NAME_GRADIENT_TATTOO) == tattoo)
      qv_path_set_locked(image, p.name.c_str(), true);
  }
  if (const auto rotation = qv_helpers_rotation_of(image, path))
    qv_path_set_locked(image, rotation->c_str(), true);
}

bool ready(gint32 image, const char *path, int lock_mode, gint32 &tattoo) {
  if (!qv_path_current(image)) return false;
  tattoo = qv_path_tattoo_by_name(image, path, nullptr);
  if (tattoo == 0) return false;
  if (lock_mode == 1) lock_with_helpers(image, path, tattoo);
  return true;
}

}  // namespace

std::optional<std::string> qv_helpers_rotation_of(gint32 image, const char *path) {
  const gint32 tattoo = path ? qv_path_tattoo(image, path) : 0;
  if (tattoo < 1) return std::nullopt;
  return qv_find_rotation_helper(qv_path_names(image), path, tattoo);
}

std::optional<std::string> qv_helpers_gradient_of(gint32 image, const char *path) {
  const gint32 tattoo = path ? qv_path_tattoo(image, path) : 0;
  if (tattoo < 1) return std::nullopt;
  return qv_find_gradient_helper(qv_path_names(image), tattoo);
}

void qv_helpers_remove_rotation(gint32 image, const char *path) {
  const auto owner = path_or_current(image, path);
  // A helper has no helpers; treating a group helper as a group member would
  // strip "rotate-at: " from the whole group.
  if (!owner || qv_name_is_helper_path(*owner)) return;
  const gint32 tattoo = qv_path_tattoo(image, owner->c_str());
  if (tattoo < 1) return;
  const long group = group_of(*owner);
  const auto paths = qv_path_list(image);
  for (auto it = paths.rbegin(); it != paths.rend(); ++it) {
    const bool group_helper =
        group != 0 && qv_name_query_number(it->name, QV_NAME_GROUP_ROTATION) == group;
    if (group_helper || qv_name_query_number(it->name, QV_NAME_ROTATION_TATTOO) == tattoo)
      delete_helper(image, it->name, *owner);
  }
  if (group == 0) return;
  for (const auto &entry : qv_path_list(image)) {
    if (entry.name == *owner || qv_name_is_helper_path(entry.name)) continue;
    if (group_of(entry.name) == group)
      qv_path_remove_style_attributes(image, entry.name.c_str(), {kRotateAtKey});
  }
}

void qv_helpers_remove_gradient(gint32 image, const char *path) {
  const auto owner = path_or_current(image, path);
  if (!owner || qv_name_is_helper_path(*owner)) return;
  const gint32 tattoo = qv_path_tattoo(image, owner->c_str());
  if (tattoo < 1) return;
  for (const auto &entry : qv_path_list(image))
    if (is_gradient_helper_of(entry.name, tattoo)) delete_helper(image, entry.name, *owner);
}

void qv_helpers_cleanup(gint32 image) {
  QVLazyUndoGroup undo{image};
  const auto remove = [&](const std::string &name) {
    undo.ensure();
    qv_path_delete_own(image, name.c_str());
  };

  const QVPathOwners owners = qv_path_owners(image);
  const auto paths = qv_path_list(image);
  for (auto it = paths.rbegin(); it != paths.rend(); ++it)
    if (helper_is_orphan(image, it->name, owners)) remove(it->name);

  std::set<std::pair<int, long>> seen;
  for (const auto &entry : qv_path_list(image)) {
    const auto key = helper_key(entry.name);
    if (key && !seen.insert(*key).second) remove(entry.name);
  }
}

void qv_helpers_sync_rotation(gint32 image, const char *path, int lock_mode) {
  gint32 tattoo = 0;
  if (!path || !ready(image, path, lock_mode, tattoo)) return;
  const long group = qv_name_query_number(path, QV_NAME_GROUP);
  const std::string extension = extension_of(image, path, kRotateAtKey);

  if (const auto helper = qv_helpers_rotation_of(image, path)) {
    const auto r =
        qv_rotation_from_helper(qv_path_read_points(image, helper->c_str(), nullptr).points);
    if (r) set_on_owner(image, path, group, kRotateAtKey, qv_format_rotation(*r) + extension);
    return;
  }
  QVRotation r;
  qv_path_get_style_attribute(image, path, nullptr, QV_GET_BINARY, nullptr, {{kRotateAtKey, &r}});
  if (group != 0) set_on_owner(image, path, group, kRotateAtKey, qv_format_rotation(r) + extension);
  const std::string name =
      group ? qv_group_rotation_helper_name(group) : qv_rotation_helper_name(tattoo);
  const gint32 helper =
      qv_path_write_points(image, name.c_str(), 1, helper_line({r.x, r.y}, {r.x2, r.y2}));
  if (helper > 0 && lock_mode == 1) gimp_item_set_linked(helper, TRUE);
}

void qv_helpers_sync_gradient(gint32 image, const char *path, int lock_mode) {
  gint32 tattoo = 0;
  if (!path || !ready(image, path, lock_mode, tattoo)) return;
  const std::string extension = extension_of(image, path, kGradientLineKey);

  if (const auto helper = qv_helpers_gradient_of(image, path)) {
    const auto line =
        qv_gradient_line_from_helper(qv_path_read_points(image, helper->c_str(), nullptr).points);
    if (line)
      qv_path_set_style_attribute(image, path,
                                  {{kGradientLineKey, qv_format_gradient_line(*line) + extension}});
    return;
  }
  QVRotation line;
  qv_path_get_style_attribute(image, path, nullptr, QV_GET_BINARY, nullptr,
                              {{kGradientLineKey, &line}});
  const gint32 helper = qv_path_write_points(image, qv_gradient_helper_name(tattoo).c_str(), 1,
                                             helper_line({line.x, line.y}, {line.x2, line.y2}));
  if (helper > 0 && lock_mode == 1) gimp_item_set_linked(helper, TRUE);
}
