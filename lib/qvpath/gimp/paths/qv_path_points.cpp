#include "gimp/paths/qv_path_points.h"

#include <utility>

#include "core/qv_glib_ptr.h"
#include "gimp/base/qv_read_cache.h"
#include "gimp/paths/qv_paths.h"

namespace {

constexpr double kAnchor = 1.0;
constexpr double kControl = 2.0;
constexpr double kStrokeStart = 3.0;

void push_point(std::vector<double> &out, double x, double y, double type) {
  out.insert(out.end(), {x, y, type});
}

// GIMP hands a stroke's control points as (in-handle, anchor, out-handle)
// per anchor, x and y each.
// A stroke without anchors adds nothing, so "first" means first in the list.
void append_stroke(std::vector<double> &out, const std::vector<double> &cps, bool closed) {
  const size_t anchors = cps.size() / 6;
  const bool first_stroke = out.empty();
  for (size_t i = 0; i < anchors; ++i) {
    const double *p = &cps[i * 6];
    push_point(out, p[2], p[3], (i == 0 && !first_stroke) ? kStrokeStart : kAnchor);
    push_point(out, p[4], p[5], kControl);
    if (i + 1 < anchors) push_point(out, cps[(i + 1) * 6], cps[(i + 1) * 6 + 1], kControl);
  }
  if (closed && anchors > 0) push_point(out, cps[0], cps[1], kControl);
}

// Every path is read through the vectors interface. In GIMP 2.10 the old
// path call is a wrapper over the same vectors object: for a one-stroke path
// it returns this very list, and for more strokes it returns nothing, which
// would send us here anyway. One route also keeps an unknown name an ordinary
// answer instead of a failed procedure call on the error console.
QVCachedPoints read_vectors(gint32 vectors) {
  QVCachedPoints result;
  gint stroke_count = 0;
  const auto strokes =
      qv_take_array(gimp_vectors_get_strokes(vectors, &stroke_count), stroke_count);
  for (size_t s = 0; s < strokes.size(); ++s) {
    gint count = 0;
    gdouble *raw = nullptr;
    gboolean closed = FALSE;
    gimp_vectors_stroke_get_points(vectors, strokes[s], &count, &raw, &closed);
    const auto cps = qv_take_array(raw, count);
    append_stroke(result.points, cps, closed);
    result.closed = closed ? 1 : 0;
  }
  return result;
}

QVPathPoints read_live(gint32 image, const char *name) {
  QVPathPoints result;
  const gint32 vectors = qv_path_id_by_name(image, name);
  if (vectors < 1) return result;
  QVCachedPoints read = qv_read_cache_points(vectors, [vectors] { return read_vectors(vectors); });
  result.closed = read.closed;
  result.points = std::move(read.points);
  if (!result.points.empty()) result.path_type = 1;
  return result;
}

// One stroke of the triple list as GIMP control points: the first anchor
// serves as its own in-handle unless the stroke ends in two control points,
// which marks it closed and makes the last one the first anchor's in-handle.
std::vector<double> stroke_control_points(const std::vector<double> &points, size_t begin,
                                          size_t end, bool &closed) {
  std::vector<double> cps = {points[begin], points[begin + 1]};
  for (size_t i = begin; i < end; i += 3) cps.insert(cps.end(), {points[i], points[i + 1]});
  const size_t n = (end - begin) / 3;
  closed = n >= 3 && points[end - 1] == kControl && points[end - 4] == kControl;
  if (closed) {
    cps[0] = points[end - 3];
    cps[1] = points[end - 2];
    cps.resize(cps.size() - 2);
  }
  // GIMP takes whole (in, anchor, out) triples; a stroke that ends on an
  // anchor gets that anchor as its own out-handle.
  while ((cps.size() / 2) % 3 != 0)
    cps.insert(cps.end(), {cps[cps.size() - 2], cps[cps.size() - 1]});
  return cps;
}

}  // namespace

QVPathPoints qv_path_read_points(gint32 image, const char *name, const QVSnapshot *snapshot) {
  if (!snapshot) return read_live(image, name);
  QVPathPoints result;
  if (!name) return result;
  if (auto path = qv_snapshot_find_path(*snapshot, name)) {
    result.path_type = path->path_type;
    result.closed = path->closed;
    result.points = std::move(path->points);
  }
  return result;
}

// Always through the vectors interface: the suite runs on GIMP 2.10 only, so
// the old path call of GIMPs before 2.4 never applies.
gint32 qv_path_write_points(gint32 image, const char *name, gint32 path_type,
                            const std::vector<double> &points) {
  const size_t count = points.size() - points.size() % 3;
  if (count < 6) return -1;
  const gint32 vectors = gimp_vectors_new(image, name);
  if (vectors < 1) return -1;
  size_t begin = 0;
  while (begin < count) {
    size_t end = begin + 3;
    while (end < count && points[end + 2] != kStrokeStart) end += 3;
    bool closed = false;
    const auto cps = stroke_control_points(points, begin, end, closed);
    gimp_vectors_stroke_new_from_points(vectors, GIMP_VECTORS_STROKE_TYPE_BEZIER,
                                        static_cast<gint>(cps.size()),
                                        const_cast<double *>(cps.data()), closed);
    begin = end;
  }
  qv_read_cache_paths_changed();
  if (!gimp_image_insert_vectors(image, vectors, 0, -1)) {
    gimp_item_delete(vectors);
    return -1;
  }
  gimp_image_set_active_vectors(image, vectors);
  return vectors;
}
