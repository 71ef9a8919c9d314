#include "gimp/animate/qv_inbetween_gimp.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/qv_inbetween.h"
#include "gimp/paths/qv_path_points.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/style/qv_path_copy.h"
#include "gimp/style/qv_style_gimp.h"

namespace {

bool path_exists(gint32 image, const std::string &name, const QVSnapshot *snapshot) {
  return qv_path_tattoo_by_name(image, name.c_str(), snapshot) != 0;
}

std::vector<std::string> source_names(gint32 image, const QVSnapshot *snapshot) {
  if (snapshot) return qv_snapshot_path_names(*snapshot);
  std::vector<std::string> names;
  for (const auto &entry : qv_path_list(image)) names.push_back(entry.name);
  return names;
}

std::string new_path_name(gint32 source, const std::string &p0, const std::string &p1, double t,
                          const char *name, const QVSnapshot *snapshot) {
  if (name && *name) return name;
  const auto names = source_names(source, snapshot);
  return qv_inbetween_name(p0, p1, t, [&](const std::string &candidate) {
    return std::find(names.begin(), names.end(), candidate) != names.end();
  });
}

std::optional<std::string> copy_of(gint32 source, const std::string &path, const std::string &name,
                                   gint32 target, const QVSnapshot *snapshot) {
  const gint32 before = gimp_image_get_active_vectors(target);
  qv_path_copy_with_parasites(source, path.c_str(), target, name.c_str(), snapshot, 0);
  if (gimp_image_get_active_vectors(target) == before) return std::nullopt;
  return qv_path_current(target);
}

// The style of the new path between p0 and p1: none without p0's style,
// p0's style as it is without p1's.
std::optional<std::string> style_between(gint32 source, const std::string &p0,
                                         const std::string &p1, double t,
                                         const QVSnapshot *snapshot) {
  const auto from = qv_path_get_style_text(source, p0.c_str(), snapshot);
  if (!from) return std::nullopt;
  const auto to = qv_path_get_style_text(source, p1.c_str(), snapshot);
  if (!to) return from;
  return qv_inbetween_style(*from, *to, t, p0, p1);
}

}  // namespace

std::optional<std::string> qv_path_new_inbetween(gint32 source, const char *p0_name,
                                                 const char *p1_name, double t, const char *name,
                                                 gint32 target, const QVSnapshot *snapshot) {
  std::string p0 = p0_name ? p0_name : "";
  std::string p1 = p1_name ? p1_name : "";
  if (std::isnan(t)) t = 0.0;
  if (p0.empty()) {
    p0 = p1;
    t = 1.0;
  }
  if (p1.empty()) {
    p1 = p0;
    t = 0.0;
  }
  if (p0.empty() || !path_exists(source, p0, snapshot) || !path_exists(source, p1, snapshot))
    return std::nullopt;

  const std::string new_name = new_path_name(source, p0, p1, t, name, snapshot);
  if (t <= 0.0) return copy_of(source, p0, new_name, target, snapshot);
  if (t >= 1.0) return copy_of(source, p1, new_name, target, snapshot);

  const QVPathPoints from = qv_path_read_points(source, p0.c_str(), snapshot);
  const QVPathPoints to = qv_path_read_points(source, p1.c_str(), snapshot);
  const gint32 vectors = qv_path_write_points(target, new_name.c_str(), 1,
                                              qv_inbetween_points(from.points, to.points, t));
  if (vectors < 1) return std::nullopt;
  gchar *stored = gimp_item_get_name(vectors);
  const std::string made = stored ? stored : new_name;
  g_free(stored);
  if (const auto style = style_between(source, p0, p1, t, snapshot); style && !style->empty())
    qv_path_store_style(target, made.c_str(), *style);
  return made;
}
