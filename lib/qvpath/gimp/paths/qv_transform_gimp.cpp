// gimp_drawable_transform_matrix is deprecated in 2.10, but it is the call
// that transforms exactly the drawable given: its successor
// gimp_item_transform_matrix also transforms every other linked item, which
// would move linked layers and locked paths once per layer transformed.
#define GIMP_DISABLE_DEPRECATION_WARNINGS 1

#include "gimp/paths/qv_transform_gimp.h"

#include <optional>
#include <string>
#include <vector>

#include "core/qv_glib_ptr.h"
#include "gimp/base/qv_read_cache.h"
#include "gimp/base/qv_scopes.h"
#include "gimp/paths/qv_path_points.h"
#include "gimp/paths/qv_paths.h"

namespace {

void transform_one(gint32 drawable, const QVMatrix3 &matrix, bool clip) {
  if (!gimp_item_is_valid(drawable)) return;
  const auto &c = matrix.m;
  // Supersampling and the recursion level are ignored by GIMP 2.10's
  // transform code; they are passed for the call's sake.
  gimp_drawable_transform_matrix(drawable, c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8],
                                 GIMP_TRANSFORM_FORWARD, GIMP_INTERPOLATION_CUBIC, TRUE, 3,
                                 clip ? GIMP_TRANSFORM_RESIZE_CLIP : GIMP_TRANSFORM_RESIZE_ADJUST);
}

std::vector<gint32> take_ids(gint *ids, const gint &count) { return qv_take_array(ids, count); }

// Linked layers, outermost first: a linked group stands for its contents
// (transforming it moves them all), so the walk does not descend into it.
void collect_linked_layers(const std::vector<gint32> &layers, std::vector<gint32> &out) {
  for (gint32 layer : layers) {
    if (gimp_item_get_linked(layer)) {
      out.push_back(layer);
    } else if (gimp_item_is_group(layer)) {
      gint count = 0;
      collect_linked_layers(take_ids(gimp_item_get_children(layer, &count), count), out);
    }
  }
}

std::vector<gint32> linked_layers(gint32 image) {
  gint count = 0;
  std::vector<gint32> out;
  collect_linked_layers(take_ids(gimp_image_get_layers(image, &count), count), out);
  return out;
}

// Target: the current path; source: the path after it in the path list.
std::optional<QVMatrix3> matrix_from_current_path(gint32 image) {
  const auto current = qv_path_current(image);
  if (!current) return std::nullopt;
  const auto paths = qv_path_list(image);
  for (size_t i = 0; i + 1 < paths.size(); ++i) {
    if (paths[i].name != *current) continue;
    const QVMatrix3Result r =
        qv_matrix3_from_paths(image, paths[i + 1].name.c_str(), current->c_str());
    if (!r.ok) return std::nullopt;
    return r.matrix;
  }
  return std::nullopt;
}

std::vector<std::string> locked_paths(gint32 image) {
  std::vector<std::string> names;
  for (const auto &path : qv_path_list(image))
    if (gimp_item_get_linked(path.id)) names.push_back(path.name);
  return names;
}

void transform_locked_paths(gint32 image, const QVMatrix3 &matrix) {
  const auto current = qv_path_current(image);
  for (const auto &name : locked_paths(image)) qv_transform_path(image, name.c_str(), matrix);
  if (current) qv_path_set_current(image, current->c_str());
}

void transform_selected(gint32 image, gint32 drawable, const QVMatrix3 &matrix, unsigned options) {
  const bool clip = !(options & QV_TRANSFORM_NO_CLIP);
  bool drawable_done = false;
  if (options & QV_TRANSFORM_DRAWABLE) {
    transform_one(drawable, matrix, clip);
    drawable_done = true;
  }
  // A layer's mask follows the layer in GIMP's own transform; transforming
  // it again would move it twice.
  if (options & QV_TRANSFORM_LINKED_LAYERS)
    for (gint32 layer : linked_layers(image))
      if (!(drawable_done && layer == drawable)) transform_one(layer, matrix, clip);
  if (options & QV_TRANSFORM_LOCKED_PATHS) transform_locked_paths(image, matrix);
}

std::optional<std::vector<double>> mapped_points(std::vector<double> points,
                                                 const QVMatrix3 &matrix) {
  for (size_t i = 0; i + 3 <= points.size(); i += 3) {
    const auto q = qv_matrix3_map(matrix, {points[i], points[i + 1]});
    if (!q) return std::nullopt;
    points[i] = q->x;
    points[i + 1] = q->y;
  }
  return points;
}

int path_position(gint32 image, gint32 vectors) {
  const auto paths = qv_path_list(image);
  for (size_t i = 0; i < paths.size(); ++i)
    if (paths[i].id == vectors) return static_cast<int>(i);
  return 0;
}

}  // namespace

QVMatrix3Result qv_matrix3_from_paths(gint32 image, const char *source, const char *target) {
  const QVPathPoints from = qv_path_read_points(image, source, nullptr);
  const QVPathPoints to = qv_path_read_points(image, target, nullptr);
  return qv_matrix3_from_point_lists(from.points, to.points);
}

bool qv_transform_drawables(gint32 image, gint32 drawable, const QVMatrix3 &matrix,
                            unsigned options) {
  QVMatrix3 m = matrix;
  if (options & QV_TRANSFORM_FROM_PATHS) {
    const auto from_paths = matrix_from_current_path(image);
    if (!from_paths) return false;
    m = *from_paths;
  }
  if (options & QV_TRANSFORM_DRAWABLE) {
    transform_selected(image, drawable, m, options);
  } else {
    QVUndoGroup undo(image);
    transform_selected(image, drawable, m, options);
  }
  gimp_displays_flush();
  return true;
}

bool qv_transform_path(gint32 image, const char *name, const QVMatrix3 &matrix) {
  const gint32 old_id = qv_path_id_by_name(image, name);
  if (old_id < 1) return false;
  const QVPathPoints read = qv_path_read_points(image, name, nullptr);
  const auto points = mapped_points(read.points, matrix);
  if (!points) return false;

  const gint tattoo_state = gimp_image_get_tattoo_state(image);
  const gint32 tattoo = static_cast<gint32>(gimp_item_get_tattoo(old_id));
  const bool locked = gimp_item_get_linked(old_id);
  const bool visible = gimp_item_get_visible(old_id);
  const int position = path_position(image, old_id);

  QVUndoGroup undo(image);
  // The new path is written before the old one goes, so that a refusal
  // leaves the path as it was; GIMP names it apart until then.
  const gint32 new_id = qv_path_write_points(image, name, read.path_type, *points);
  if (new_id < 1) return false;
  qv_read_cache_invalidate();
  gimp_image_remove_vectors(image, old_id);
  gimp_item_set_name(new_id, name);
  gimp_item_set_tattoo(new_id, tattoo);
  qv_read_cache_invalidate();
  gimp_item_set_linked(new_id, locked);
  gimp_item_set_visible(new_id, visible);
  gimp_image_reorder_item(image, new_id, 0, position);
  gimp_image_set_tattoo_state(image, tattoo_state);
  gimp_image_set_active_vectors(image, new_id);
  return true;
}
