#include "gimp/animate/qv_draw_current.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "core/qv_glib_ptr.h"
#include "core/qv_names.h"
#include "core/qv_style.h"
#include "gimp/animate/qv_animation.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_read_cache.h"
#include "gimp/base/qv_scopes.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/style/qv_esl.h"
#include "gimp/style/qv_helper_paths.h"
#include "gimp/style/qv_style_gimp.h"

namespace {

constexpr int kGroup = QV_NAME_GROUP;
constexpr int kGroupRotation = QV_NAME_GROUP_ROTATION;
constexpr int kRotationTattoo = QV_NAME_ROTATION_TATTOO;
constexpr int kGradientTattoo = QV_NAME_GRADIENT_TATTOO;
constexpr int kEslTattoo = QV_NAME_ESL_TATTOO;
constexpr int kGroupEsl = QV_NAME_GROUP_ESL;

bool is_keyspline(const std::string &name) { return name.compare(0, 2, "[@") == 0; }

// The value of an attribute as the style (with its sheet) finally sets it.
std::optional<std::string> style_value(gint32 image, const std::string &path, const char *key) {
  const auto text = qv_path_get_style_text_with_sheet(image, path.c_str(), nullptr);
  if (!text) return std::nullopt;
  const auto items = qv_style_merge(*text, std::nullopt);
  const size_t key_length = std::strlen(key);
  for (auto it = items->rbegin(); it != items->rend(); ++it)
    if (it->compare(0, key_length, key) == 0) return it->substr(key_length);
  return std::nullopt;
}

// Owner of an ESL layer: a tattoo (> 0), a group (< 0), or 0 for an
// ordinary layer.
long layer_owner(gint32 layer) {
  const std::string name = qv_take_string(gimp_item_get_name(layer));
  if (const long tattoo = qv_name_query_number(name, kEslTattoo)) return tattoo;
  if (const long group = qv_name_query_number(name, kGroupEsl)) return -group;
  return 0;
}

// The paths a locked draw keeps locked besides the drawn one: what its style
// refers to by name or tattoo.
std::vector<std::string> referenced_paths(gint32 image, const std::string &path) {
  std::vector<std::string> names;
  if (is_keyspline(path)) {
    if (const auto tattoos = style_value(image, path, "@-tattoos: ")) {
      gchar **parts = g_strsplit_set(tattoos->c_str(), " ,;", -1);
      qv_gstrv holder(parts);
      for (gchar **p = parts; *p; ++p) {
        if (!**p) continue;
        if (auto name = qv_path_name_by_tattoo(
                image, static_cast<gint32>(g_ascii_strtoll(*p, nullptr, 10))))
          names.push_back(*name);
      }
    }
    if (const auto motion = style_value(image, path, "@-motion-path: ")) names.push_back(*motion);
  } else if (const auto text_path = style_value(image, path, "text-path: ")) {
    names.push_back(*text_path);
  }
  return names;
}

// Helper paths of an owner (tattoo > 0 or group < 0) and, for a group, its
// other member paths.
bool belongs_to_owner(const std::string &name, long owner) {
  if (owner > 0)
    return qv_name_query_number(name, kRotationTattoo) == owner ||
           qv_name_query_number(name, kGradientTattoo) == owner;
  if (owner < 0)
    return qv_name_query_number(name, kGroupRotation) == -owner ||
           qv_name_query_number(name, kGroup) == -owner;
  return false;
}

// On its ESL an ordinary path gets the helper paths that make "rotate-at: "
// and "gradient-line: " editable on the canvas, when it has none yet.
void add_missing_helpers(gint32 image, const std::string &path) {
  const char *name = path.c_str();
  if (qv_path_has_style_attribute(image, name, nullptr, "gradient-line: ", true) &&
      !qv_helpers_gradient_of(image, name))
    qv_helpers_sync_gradient(image, name, 0);
  if (qv_path_has_style_attribute(image, name, nullptr, "rotate-at: ", true) &&
      !qv_helpers_rotation_of(image, name))
    qv_helpers_sync_rotation(image, name, 0);
}

void draw_one(gint32 image, const std::string &path, double t, QVDrawTarget target) {
  if (!is_keyspline(path)) {
    if (target == QVDrawTarget::esl) add_missing_helpers(image, path);
    qv_path_set_current(image, path.c_str());
  }
  qv_path_animation_draw3(image, path.c_str(), t, image, nullptr);
}

std::vector<gint32> target_layers(gint32 image, const std::string &path, QVDrawTarget target) {
  switch (target) {
    case QVDrawTarget::esl: {
      auto list = qv_esl_list_for_path(image, path.c_str(), 1);
      return list ? *list : std::vector<gint32>();
    }
    case QVDrawTarget::unset_esl: {
      const gint32 layer = qv_esl_unset(image);
      return layer > 0 ? std::vector<gint32>{layer} : std::vector<gint32>();
    }
    case QVDrawTarget::active_layer: {
      const gint32 layer = gimp_image_get_active_layer(image);
      return layer > 0 ? std::vector<gint32>{layer} : std::vector<gint32>();
    }
  }
  return {};
}

long owner_of_path(gint32 image, const std::string &path) {
  return qv_esl_owner_of_path(image, path.c_str());
}

}  // namespace

std::optional<std::string> qv_draw_resolve_path(gint32 image, const std::string &current) {
  const long owner_tattoo = std::max(qv_name_query_number(current, kGradientTattoo),
                                     qv_name_query_number(current, kRotationTattoo));
  if (owner_tattoo > 0) return qv_path_name_by_tattoo(image, static_cast<gint32>(owner_tattoo));
  if (const long group = qv_name_query_number(current, kGroupRotation)) {
    for (const auto &p : qv_path_list(image))
      if (qv_name_query_number(p.name, kGroup) == group && !qv_name_is_helper_path(p.name))
        return p.name;
    return std::nullopt;
  }
  return current;
}

void qv_path_draw_current(gint32 image, QVDrawTarget target, double t) {
  const auto current = qv_path_current(image);
  if (!current) return;
  const QVReadCacheScope read_cache;
  const auto path = qv_draw_resolve_path(image, *current);
  if (!path) return;

  const QVUndoGroup undo(image);
  const std::vector<gint32> layers = target_layers(image, *path, target);
  const long drawn_owner = owner_of_path(image, *path);

  bool locking = false;
  std::set<std::string> remembered;
  for (gint32 layer : layers) {
    if (layer == -1) {
      locking = true;
      continue;
    }
    if (layer < 1) continue;
    gimp_image_set_active_layer(image, layer);
    const long owner = layer_owner(layer);
    // The layer's owner decides what is drawn on it: the path asked for on
    // its own ESL or a plain layer; on a re-laid or collected ESL of another
    // owner, that owner's path (a group's draw covers the whole group).
    const auto paths = qv_path_list(image);
    std::optional<std::string> to_draw;
    if (owner == 0 || owner == drawn_owner) {
      to_draw = *path;
    } else {
      for (auto it = paths.rbegin(); it != paths.rend() && !to_draw; ++it)
        if (!qv_name_is_helper_path(it->name) && owner_of_path(image, it->name) == owner)
          to_draw = it->name;
    }
    if (to_draw) draw_one(image, *to_draw, t, target);
    if (!locking) continue;
    for (auto it = paths.rbegin(); it != paths.rend(); ++it) {
      const std::string &name = it->name;
      const bool drawn_here = to_draw && name == *to_draw;
      if (!drawn_here && !belongs_to_owner(name, owner)) continue;
      qv_path_set_locked(image, name.c_str(), true);
      remembered.insert(name);
      for (const auto &ref : referenced_paths(image, name)) {
        qv_path_set_locked(image, ref.c_str(), true);
        remembered.insert(ref);
      }
    }
  }

  if (locking) {
    for (const auto &p : qv_path_list(image))
      if (!remembered.count(p.name)) qv_path_set_locked(image, p.name.c_str(), false);
  }
  qv_path_set_current(image, current->c_str());
  gimp_displays_flush();
  qv_helpers_cleanup(image);
}
