#include "gimp/style/qv_esl.h"

#include <algorithm>
#include <set>
#include <utility>

#include "core/qv_glib_ptr.h"
#include "core/qv_names.h"
#include "gimp/base/qv_scopes.h"
#include "gimp/paths/qv_paths.h"

namespace {

// ---- layers ---------------------------------------------------------------

std::string item_name(gint32 item) { return qv_take_string(gimp_item_get_name(item)); }

std::vector<gint32> top_layers(gint32 image) {
  gint count = 0;
  return qv_take_array(gimp_image_get_layers(image, &count), count);
}

void append_layer_tree(gint32 layer, std::vector<gint32> &out) {
  out.push_back(layer);
  if (!gimp_item_is_group(layer)) return;
  gint count = 0;
  for (gint32 child : qv_take_array(gimp_item_get_children(layer, &count), count))
    append_layer_tree(child, out);
}

// Every layer, layer groups' children included, from the top of the stack
// down: a user may have dragged an ESL into a group.
std::vector<gint32> all_layers(gint32 image) {
  std::vector<gint32> out;
  for (gint32 layer : top_layers(image)) append_layer_tree(layer, out);
  return out;
}

bool is_layer(gint32 item) {
  return item > 0 && gimp_item_is_valid(item) && gimp_item_is_layer(item);
}

// ESLs are plain layers; a layer group with such a name holds a user's work.
bool is_esl_layer(gint32 layer) {
  return is_layer(layer) && !gimp_item_is_group(layer) && qv_is_esl_name(item_name(layer));
}

// A layer the user draws on: neither an ESL nor a layer group.
bool is_ordinary_layer(gint32 layer) {
  return is_layer(layer) && !gimp_item_is_group(layer) && !qv_is_esl_name(item_name(layer));
}

bool is_owner_esl(const std::string &name, long owner) {
  if (owner > 0) return qv_name_query_number(name, QV_NAME_ESL_TATTOO) == owner;
  return owner < 0 && qv_name_query_number(name, QV_NAME_GROUP_ESL) == -owner;
}

gint32 find_owner_esl(const std::vector<gint32> &layers, long owner) {
  for (gint32 layer : layers)
    if (!gimp_item_is_group(layer) && is_owner_esl(item_name(layer), owner)) return layer;
  return -1;
}

// The first ordinary layer below `layer` in stack order, or -1.
gint32 ordinary_layer_after(gint32 image, gint32 layer) {
  const auto layers = all_layers(image);
  auto it = std::find(layers.begin(), layers.end(), layer);
  if (it == layers.end()) return -1;
  for (++it; it != layers.end(); ++it)
    if (is_ordinary_layer(*it)) return *it;
  return -1;
}

// The top-level layer that holds `layer` (itself when it is top-level).
gint32 top_level_ancestor(gint32 layer) {
  for (gint32 parent = gimp_item_get_parent(layer); parent > 0;
       parent = gimp_item_get_parent(layer))
    layer = parent;
  return layer;
}

// Index of the layer (or its top-level ancestor) in the top-level stack, or
// none when it is no layer of the image.
std::optional<int> stack_index(gint32 image, gint32 layer) {
  if (!is_layer(layer)) return std::nullopt;
  const auto layers = top_layers(image);
  const auto it = std::find(layers.begin(), layers.end(), top_level_ancestor(layer));
  if (it == layers.end()) return std::nullopt;
  return static_cast<int>(it - layers.begin());
}

struct QVLayerBox {
  gint width = 0, height = 0, x = 0, y = 0;
  bool operator==(const QVLayerBox &o) const {
    return width == o.width && height == o.height && x == o.x && y == o.y;
  }
};

QVLayerBox layer_box(gint32 layer) {
  QVLayerBox box{gimp_drawable_width(layer), gimp_drawable_height(layer), 0, 0};
  gimp_drawable_offsets(layer, &box.x, &box.y);
  return box;
}

// The base layer's box; without one, the whole image.
QVLayerBox base_box(gint32 image, gint32 base) {
  if (is_layer(base)) return layer_box(base);
  return {gimp_image_width(image), gimp_image_height(image), 0, 0};
}

void fit_to_box(gint32 layer, const QVLayerBox &box) {
  const QVLayerBox now = layer_box(layer);
  if (now.width != box.width || now.height != box.height)
    gimp_layer_resize(layer, box.width, box.height, 0, 0);
  if (now.x != box.x || now.y != box.y) gimp_layer_set_offsets(layer, box.x, box.y);
}

void clear_and_show(gint32 layer) {
  gimp_drawable_fill(layer, GIMP_FILL_TRANSPARENT);
  gimp_item_set_visible(layer, TRUE);
}

// A new ESL above the active layer, at the top level of the stack.
gint32 create_esl(gint32 image, long owner, const QVLayerBox &box) {
  const auto type = static_cast<GimpImageType>(gimp_image_base_type(image) * 2 + 1);
  const gint32 layer = gimp_layer_new(image, qv_esl_name(owner).c_str(), box.width, box.height,
                                      type, 100.0, GIMP_LAYER_MODE_NORMAL_LEGACY);
  if (layer < 1) return -1;
  const gint32 active = gimp_image_get_active_layer(image);
  const int position = stack_index(image, active).value_or(0);
  if (!gimp_image_insert_layer(image, layer, 0, position)) {
    gimp_item_delete(layer);
    return -1;
  }
  return layer;
}

// Moves a top-level layer one step at a time to `target`.
void move_to_index(gint32 image, gint32 layer, int from, int target) {
  for (; from < target; ++from)
    if (!gimp_image_lower_item(image, layer)) return;
  for (; from > target; --from)
    if (!gimp_image_raise_item(image, layer)) return;
}

// ---- paths ----------------------------------------------------------------

long group_of(const std::string &name) { return qv_name_query_number(name, QV_NAME_GROUP); }

long owner_of(gint32 vectors, const std::string &name) {
  const long group = group_of(name);
  return group != 0 ? -group : static_cast<long>(gimp_item_get_tattoo(vectors));
}

bool starts_with(const std::string &s, const std::string &prefix) {
  return s.rfind(prefix, 0) == 0;
}

}  // namespace

QVPathOwners qv_path_owners(gint32 image) {
  QVPathOwners owners;
  for (const auto &path : qv_path_list(image)) {
    owners.tattoos.insert(gimp_item_get_tattoo(path.id));
    if (!qv_name_is_helper_path(path.name) && group_of(path.name) != 0)
      owners.groups.insert(group_of(path.name));
  }
  return owners;
}

bool qv_layer_is_esl(gint32 layer) {
  if (layer < 1 || !gimp_item_is_valid(layer) || !gimp_item_is_layer(layer)) return false;
  return qv_is_esl_name(qv_take_string(gimp_item_get_name(layer)));
}

long qv_esl_owner_of_path(gint32 image, const char *path) {
  const gint32 id = qv_path_id_by_name(image, path);
  return id > 0 ? owner_of(id, path) : 0;
}

gint32 qv_esl_for_owner(gint32 image, gint32 base_layer, long owner) {
  if (owner == 0) return -1;
  const QVLayerBox box = base_box(image, base_layer);
  gint32 layer = find_owner_esl(all_layers(image), owner);
  if (layer < 1) layer = create_esl(image, owner, box);
  if (layer < 1) return -1;
  fit_to_box(layer, box);
  clear_and_show(layer);
  gimp_item_set_linked(layer, TRUE);
  return layer;
}

std::vector<long> qv_esl_owners(gint32 image) {
  std::vector<long> owners;
  const auto paths = qv_path_list(image);
  for (auto it = paths.rbegin(); it != paths.rend(); ++it) {
    if (qv_name_is_helper_path(it->name)) continue;
    const long owner = owner_of(it->id, it->name);
    if (owner > 0 || std::find(owners.begin(), owners.end(), owner) == owners.end())
      owners.push_back(owner);
  }
  return owners;
}

std::vector<gint32> qv_esl_relay(gint32 image, gint32 base_layer) {
  const QVLayerBox box = base_box(image, base_layer);
  int slot = stack_index(image, base_layer).value_or(static_cast<int>(top_layers(image).size()));
  std::vector<gint32> cleared;
  for (long owner : qv_esl_owners(image)) {
    const auto layers = top_layers(image);
    // The lowest copy is the one that sits nearest the base layer.
    const auto found = std::find_if(layers.rbegin(), layers.rend(), [&](gint32 layer) {
      return is_owner_esl(item_name(layer), owner);
    });
    if (found == layers.rend()) continue;
    const gint32 esl = *found;
    const int index = static_cast<int>(layers.rend() - found) - 1;
    const int target = index < slot ? slot - 1 : slot;
    move_to_index(image, esl, index, target);
    slot = target;
    if (layer_box(esl) == box) continue;
    fit_to_box(esl, box);
    clear_and_show(esl);
    cleared.push_back(esl);
  }
  return cleared;
}

std::optional<std::vector<gint32>> qv_esl_list_for_path(gint32 image, const char *path,
                                                        int lock_mode) {
  if (!path || qv_path_tattoo(image, path) < 1) return std::nullopt;
  qv_esl_remove_orphans(image);

  gint32 base = gimp_image_get_active_layer(image);
  if (is_esl_layer(base)) base = ordinary_layer_after(image, base);
  for (gint32 layer : all_layers(image)) gimp_item_set_linked(layer, FALSE);

  const gint32 own = qv_esl_for_owner(image, base, qv_esl_owner_of_path(image, path));
  std::vector<gint32> locked;
  if (lock_mode == 1) {
    for (const auto &entry : qv_path_list(image)) {
      if (qv_name_is_helper_path(entry.name) || !gimp_item_get_linked(entry.id)) continue;
      const gint32 esl = qv_esl_for_owner(image, base, owner_of(entry.id, entry.name));
      if (esl > 0 && esl != own && std::find(locked.begin(), locked.end(), esl) == locked.end())
        locked.push_back(esl);
    }
  }

  std::vector<gint32> list = qv_esl_relay(image, base);
  list.push_back(QV_ESL_LOCK_MARKER);
  list.insert(list.end(), locked.begin(), locked.end());
  if (own > 0) list.push_back(own);
  return list;
}

gint32 qv_esl_unset(gint32 image) {
  for (gint32 layer : all_layers(image)) gimp_item_set_linked(layer, FALSE);
  const gint32 active = gimp_image_get_active_layer(image);
  if (is_esl_layer(active)) {
    gimp_item_set_visible(active, FALSE);
    const gint32 next = ordinary_layer_after(image, active);
    if (next > 0) {
      gimp_item_set_visible(next, TRUE);
      gimp_image_set_active_layer(image, next);
    }
  }
  for (gint32 layer : all_layers(image))
    if (layer != active && is_esl_layer(layer)) gimp_item_set_visible(layer, FALSE);
  return gimp_image_get_active_layer(image);
}

void qv_esl_remove_orphans(gint32 image) {
  const QVPathOwners owners = qv_path_owners(image);
  for (gint32 layer : all_layers(image)) {
    if (!is_layer(layer) || gimp_item_is_group(layer)) continue;
    const std::string name = item_name(layer);
    const long malformed = qv_name_query_number(name, QV_NAME_MALFORMED_ESL);
    bool remove = false;
    if (malformed > 0) {
      remove = true;
    } else if (malformed < 0) {
      // Only copies of a group ESL: a user's own layer named "{3}sky" stays.
      auto rest = qv_name_query_text(name, QV_NAME_AFTER_GROUP).value_or("");
      rest.erase(0, rest.find_first_not_of(' '));
      remove = starts_with(rest, QV_GROUP_ESL_SUFFIX);
    } else if (const long tattoo = qv_name_query_number(name, QV_NAME_ESL_TATTOO)) {
      remove = owners.tattoos.count(tattoo) == 0;
    } else if (const long group = qv_name_query_number(name, QV_NAME_GROUP_ESL)) {
      remove = owners.groups.count(group) == 0;
    }
    if (remove) gimp_image_remove_layer(image, layer);
  }
}

void qv_esl_remove_all(gint32 image) {
  {
    const QVUndoGroup undo(image);
    for (gint32 layer : all_layers(image))
      if (is_esl_layer(layer)) gimp_image_remove_layer(image, layer);
  }
  gimp_displays_flush();
}
