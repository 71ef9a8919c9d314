#include "gimp/paths/qv_paths.h"

#include "core/qv_glib_ptr.h"
#include "gimp/base/qv_read_cache.h"

std::vector<QVPathEntry> qv_path_list(gint32 image) {
  gint count = 0;
  const auto ids = qv_take_array(gimp_image_get_vectors(image, &count), count);
  std::vector<QVPathEntry> paths;
  paths.reserve(ids.size());
  for (gint32 id : ids)
    paths.push_back(
        {id, qv_read_cache_item_name(id, [id] { return qv_take_string(gimp_item_get_name(id)); })});
  return paths;
}

size_t qv_path_count(gint32 image) {
  gint count = 0;
  g_free(gimp_image_get_vectors(image, &count));
  return count > 0 ? static_cast<size_t>(count) : 0;
}

std::vector<std::string> qv_path_names(gint32 image) {
  std::vector<std::string> names;
  for (auto &path : qv_path_list(image)) names.push_back(std::move(path.name));
  return names;
}

gint32 qv_path_id_by_name(gint32 image, const char *name) {
  if (!name || !*name) return -1;
  // One round trip instead of a name query per path; an unknown name is an
  // ordinary answer (-1) here, not a failed call.
  const gint32 id = gimp_image_get_vectors_by_name(image, name);
  return id > 0 ? id : -1;
}

gint32 qv_path_tattoo(gint32 image, const char *name) {
  const gint32 id = qv_path_id_by_name(image, name);
  return id > 0 ? static_cast<gint32>(gimp_item_get_tattoo(id)) : 0;
}

std::optional<std::string> qv_path_name_by_tattoo(gint32 image, gint32 tattoo) {
  if (tattoo < 1) return std::nullopt;
  const gint32 id = gimp_image_get_vectors_by_tattoo(image, tattoo);
  if (id < 1) return std::nullopt;
  return qv_take_string(gimp_item_get_name(id));
}

std::optional<std::string> qv_path_current(gint32 image) {
  const gint32 id = gimp_image_get_active_vectors(image);
  if (id < 1) return std::nullopt;
  return qv_take_string(gimp_item_get_name(id));
}

bool qv_path_set_current(gint32 image, const char *name) {
  const gint32 id = qv_path_id_by_name(image, name);
  return id > 0 && gimp_image_set_active_vectors(image, id);
}

bool qv_path_get_locked(gint32 image, const char *name) {
  const gint32 id = qv_path_id_by_name(image, name);
  return id > 0 && gimp_item_get_linked(id);
}

void qv_path_set_locked(gint32 image, const char *name, bool locked) {
  const gint32 id = qv_path_id_by_name(image, name);
  if (id > 0) gimp_item_set_linked(id, locked);
}

bool qv_path_delete(gint32 image, const char *name) {
  const gint32 id = qv_path_id_by_name(image, name);
  qv_read_cache_paths_changed();
  return id > 0 && gimp_image_remove_vectors(image, id);
}
