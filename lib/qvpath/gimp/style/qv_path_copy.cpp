#include "gimp/style/qv_path_copy.h"

#include <string>

#include "core/qv_names.h"
#include "core/qv_style.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_read_cache.h"
#include "gimp/base/qv_scopes.h"
#include "gimp/paths/qv_path_points.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/style/qv_helper_paths.h"
#include "gimp/style/qv_style_gimp.h"

int qv_path_copy_with_parasites(gint32 source_image, const char *source_path, gint32 target_image,
                                const char *new_name, const QVSnapshot *snapshot, int keep_tattoo) {
  const gint32 source_tattoo = qv_path_tattoo_by_name(source_image, source_path, snapshot);
  if (source_tattoo == 0) return 0;
  const QVPathPoints points = qv_path_read_points(source_image, source_path, snapshot);
  const gint32 vectors =
      qv_path_write_points(target_image, new_name ? new_name : source_path,
                           points.path_type ? points.path_type : 1, points.points);
  if (vectors < 1) return 0;
  if (keep_tattoo & 1) {
    gimp_item_set_tattoo(vectors, source_tattoo);
    qv_read_cache_invalidate();
  }
  const gint32 new_tattoo = static_cast<gint32>(gimp_item_get_tattoo(vectors));

  const auto names =
      snapshot ? qv_snapshot_parasite_names(*snapshot) : qv_image_parasite_names(source_image);
  for (const auto &name : names) {
    if (!qv_is_per_path_parasite(name, source_tattoo)) continue;
    const auto parasite = qv_image_parasite_find_in(source_image, name, snapshot);
    if (!parasite) continue;
    const std::string target_name =
        qv_split_trailing_number(name).first + std::to_string(new_tattoo);
    qv_parasite_attach(target_image, target_name.c_str(), parasite->flags, parasite->data.size(),
                       parasite->data.data());
  }
  return static_cast<int>(names.size());
}

int qv_path_delete_with_parasites(gint32 image, const char *path) {
  if (qv_path_tattoo_by_name(image, path, nullptr) < 1) return 0;
  const QVUndoGroup undo(image);
  qv_helpers_remove_gradient(image, path);
  qv_helpers_remove_rotation(image, path);
  return qv_path_delete_own(image, path);
}
