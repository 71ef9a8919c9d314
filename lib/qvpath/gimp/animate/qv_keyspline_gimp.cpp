#include "gimp/animate/qv_keyspline_gimp.h"

#include <glib/gi18n-lib.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "core/qv_attributes.h"
#include "core/qv_geometry.h"
#include "core/qv_keyframes.h"
#include "core/qv_keyspline.h"
#include "core/qv_names.h"
#include "core/qv_scheme.h"
#include "gimp/animate/qv_inbetween_gimp.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_scheme_gimp.h"
#include "gimp/draw/qv_draw_style.h"
#include "gimp/paths/qv_path_calculate.h"
#include "gimp/paths/qv_path_points.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/style/qv_bbox.h"
#include "gimp/style/qv_path_copy.h"
#include "gimp/style/qv_style_getter.h"
#include "gimp/style/qv_style_gimp.h"

namespace {

using Text = std::optional<std::string>;

bool is_keyspline(const std::string &name) { return name.compare(0, 2, "[@") == 0; }

// The own style's value of one attribute as written, or none.
Text raw_attribute(gint32 image, const std::string &path, const QVSnapshot *snapshot,
                   const char *key) {
  Text value;
  qv_path_get_style_attribute(image, path.c_str(), snapshot, QV_GET_RAW, nullptr, {{key, &value}});
  return value;
}

std::optional<std::string> path_by_tattoo(gint32 image, gint32 tattoo, const QVSnapshot *snapshot) {
  if (snapshot) return qv_snapshot_path_name_by_tattoo(*snapshot, tattoo);
  return qv_path_name_by_tattoo(image, tattoo);
}

// The paths the tattoos name, in order; tattoos that name no path are left out.
std::vector<std::string> paths_by_tattoos(gint32 image, const std::vector<int32_t> &tattoos,
                                          const QVSnapshot *snapshot) {
  std::vector<std::string> names;
  for (const int32_t tattoo : tattoos)
    if (auto name = path_by_tattoo(image, tattoo, snapshot)) names.push_back(std::move(*name));
  return names;
}

std::string own_name(const std::string &path) {
  return qv_name_query_text(path, QV_NAME_AFTER_GROUP).value_or(path);
}

double path_length(gint32 image, const std::string &path, const QVSnapshot *snapshot) {
  QVpathCalc calc;
  calc.mode = QV_CALC_LENGTH;
  const QVPathPoints points = qv_path_read_points(image, path.c_str(), snapshot);
  return qv_path_calculate_points(points.points, calc, nullptr) ? calc.length : 0.0;
}

// Puts the target's current path back when the draw is over, whichever way
// it ends.
struct QVCurrentPathKeeper {
  gint32 image;
  std::optional<std::string> previous;
  explicit QVCurrentPathKeeper(gint32 image) : image(image), previous(qv_path_current(image)) {}
  ~QVCurrentPathKeeper() {
    if (previous) qv_path_set_current(image, previous->c_str());
  }
  QVCurrentPathKeeper(const QVCurrentPathKeeper &) = delete;
  QVCurrentPathKeeper &operator=(const QVCurrentPathKeeper &) = delete;
};

// Draws the target's current path (just made there) with the override text
// and removes it again with everything that belongs to it.
void draw_and_remove(gint32 target, const std::string &made, const QVSnapshot *snapshot,
                     const std::string &override_text) {
  qv_path_draw_style(target, snapshot, override_text.c_str());
  qv_path_delete_with_parasites(target, made.c_str());
}

// --- Script keysplines -----------------------------------------------------

std::string quoted_name(const std::string &path) { return qv_scheme_string_literal(path); }

int draw_script(gint32 source, const std::string &path, double t_prime, gint32 target,
                const QVSnapshot *snapshot) {
  Text script, set_bbox, script_av;
  qv_path_get_style_attribute(
      source, path.c_str(), snapshot, QV_GET_RAW, nullptr,
      {{"@-script: ", &script}, {"@-script-set-bbox: ", &set_bbox}, {"@-script-av: ", &script_av}});
  if (set_bbox && !set_bbox->empty()) qv_path_bounding_boxes(source, set_bbox->c_str(), snapshot);
  if (!script) {
    qv_message("No @-script: entry!");
    return 1;
  }
  const auto file = qv_scheme_resolve_script(source, script->c_str());
  if (!file || !g_file_test(file->c_str(), G_FILE_TEST_IS_REGULAR)) {
    qv_message("File not exists:\n\"%s\"", script->c_str());
    return 1;
  }
  const std::string av = script_av ? *script_av : qv_format("%0.10f", t_prime);
  qv_scheme_run_eval4_ref(target, gimp_image_get_active_drawable(target), av.c_str(),
                          quoted_name(path).c_str(), file->c_str());
  return 1;
}

// --- Sequences ---------------------------------------------------------------

struct QVsequencePath {
  std::string name;
  double offset = 0;
  double length = 0;
};

// Cuts one sequence path at `at` into the target: the part before it
// (forward) or after it (reverse). Returns the new path's name, or none when
// nothing is to be drawn.
std::optional<std::string> cut_sequence_path(gint32 source, const QVsequencePath &p, double at,
                                             bool reverse, gint32 target,
                                             const QVSnapshot *snapshot) {
  QVpathCalc calc;
  calc.mode = reverse ? QV_CALC_NEW_END : QV_CALC_NEW_BEGIN;
  calc.length = at;
  (reverse ? calc.end_name : calc.begin_name) = own_name(p.name);
  const gint32 before = gimp_image_get_active_vectors(target);
  if (!qv_path_calculate3(source, p.name.c_str(), calc, target, snapshot)) return std::nullopt;
  const gint32 made = gimp_image_get_active_vectors(target);
  if (made == before || made < 1) return std::nullopt;
  const auto name = qv_path_current(target);
  // A reverse cut beyond the path's end leaves nothing of it to draw.
  if (reverse && at > calc.length) {
    if (name) qv_path_delete_with_parasites(target, name->c_str());
    return std::nullopt;
  }
  return name;
}

int draw_sequence(gint32 source, const std::string &path, double t_prime, bool reverse,
                  gint32 target, const QVSnapshot *snapshot) {
  const Text tattoos = raw_attribute(source, path, snapshot, "@-tattoos: ");
  if (!tattoos) {
    qv_message("Cancel, no '@-tattoos:'!");
    return 0;
  }
  if (reverse) t_prime = std::clamp(1.0 - t_prime, 0.0, 1.0);

  std::vector<QVsequencePath> paths;
  double total = 0;
  for (const auto &name : paths_by_tattoos(source, qv_keyspline_tattoo_list(*tattoos), snapshot)) {
    QVsequencePath p{name, qv_sequence_offset(name), path_length(source, name, snapshot)};
    total = std::max(total, p.offset + p.length);
    paths.push_back(std::move(p));
  }
  const std::string override_text =
      qv_keyspline_override_text(source, path.c_str(), snapshot, t_prime);
  const double d = t_prime * total;
  QVCurrentPathKeeper keep(target);
  for (const auto &p : paths) {
    if (reverse ? d >= total - 1 : p.offset >= d) continue;
    const auto made =
        cut_sequence_path(source, p, std::max(0.0, d - p.offset), reverse, target, snapshot);
    if (!made) continue;
    if (const auto style = qv_path_get_style_text(source, p.name.c_str(), snapshot))
      qv_path_store_style(target, made->c_str(), *style);
    draw_and_remove(target, *made, snapshot, override_text);
  }
  return 1;
}

// --- In-between ----------------------------------------------------------------

// What an in-between reads from its keyspline: the key tattoos and the motion.
struct QVmotion {
  Text tattoos;
  Text path;
  Text keyspline;
  QVmotionAngle angle;
};

QVmotion read_inbetween(gint32 source, const std::string &path, const QVSnapshot *snapshot) {
  QVmotion motion;
  Text angle;
  qv_path_get_style_attribute(source, path.c_str(), snapshot, QV_GET_RAW, nullptr,
                              {{"@-tattoos: ", &motion.tattoos},
                               {"@-motion-path: ", &motion.path},
                               {"@-motion-keyspline: ", &motion.keyspline},
                               {"@-motion-angle: ", &angle}});
  if (motion.path && motion.path->empty()) motion.path.reset();
  if (motion.keyspline && motion.keyspline->empty()) motion.keyspline.reset();
  if (angle) motion.angle = qv_parse_motion_angle(*angle);
  return motion;
}

// Moves the new path along the motion path: its own style gets the shift
// and the turn about the motion path's start, which the draw applies.
void place_on_motion_path(gint32 source, const QVmotion &motion, double m, gint32 target,
                          const std::string &made, const QVSnapshot *snapshot) {
  if (qv_path_tattoo_by_name(source, motion.path->c_str(), snapshot) == 0) {
    qv_message(_("Motion path \"%s\" does not exist; the shape is drawn where it is."),
               motion.path->c_str());
    return;
  }
  const QVPathPoints points = qv_path_read_points(source, motion.path->c_str(), snapshot);
  const auto placement = qv_motion_placement(points.points, m, motion.angle);
  if (!placement) {
    qv_message(_("Motion path \"%s\" has too few points; the shape is drawn where it is."),
               motion.path->c_str());
    return;
  }
  qv_path_set_style_attribute(
      target, made.c_str(),
      {{"translate: ", qv_format("%0.2f %0.2f 0", placement->dx, placement->dy)},
       {"rotate-at-add: ", qv_format("%0.2f %0.2f %0.2f", placement->angle_degrees,
                                     placement->start_x, placement->start_y)}});
}

int draw_inbetween(gint32 source, const std::string &path, double t, double t_prime, gint32 target,
                   const QVSnapshot *snapshot) {
  const QVmotion motion = read_inbetween(source, path, snapshot);
  if (!motion.tattoos) return 1;
  double m = t_prime;
  if (motion.path && motion.keyspline)
    m = qv_path_time_curve(source, motion.keyspline->c_str(), snapshot, std::clamp(t, 0.0, 1.0));
  const std::string override_text =
      qv_keyspline_override_text(source, path.c_str(), snapshot, t_prime);

  const auto groups = qv_keyspline_tattoo_groups(*motion.tattoos);
  QVCurrentPathKeeper keep(target);
  for (auto group = groups.rbegin(); group != groups.rend(); ++group) {
    const auto keys = paths_by_tattoos(source, *group, snapshot);
    const auto pair = qv_keyspline_key_pair(keys.size(), t_prime);
    if (!pair) continue;
    const std::string &from = keys[pair->from];
    const auto made = qv_path_new_inbetween(source, from.c_str(), keys[pair->to].c_str(), pair->f,
                                            own_name(from).c_str(), target, snapshot);
    if (!made) continue;
    if (motion.path) place_on_motion_path(source, motion, m, target, *made, snapshot);
    draw_and_remove(target, *made, snapshot, override_text);
  }
  return 1;
}

}  // namespace

double qv_path_time_curve(gint32 image, const char *path, const QVSnapshot *snapshot, double t) {
  const QVPathPoints points = qv_path_read_points(image, path, snapshot);
  return qv_time_curve_of_points(points.points, t);
}

double qv_keyspline_time_curve(gint32 image, const char *path, const QVSnapshot *snapshot,
                               double t) {
  if (!path || !is_keyspline(path)) return t;
  return qv_path_time_curve(image, path, snapshot, t);
}

std::string qv_keyspline_override_text(gint32 image, const char *path, const QVSnapshot *snapshot,
                                       double t_prime) {
  const auto style = qv_path_get_style_text_with_sheet(image, path, snapshot);
  return qv_animated_attribute_text(
      qv_style_resolve_date_name(style.value_or(""), path ? path : ""), t_prime);
}

int qv_keyspline_draw(gint32 source, const std::string &path, double t, double t_prime,
                      gint32 target, const QVSnapshot *snapshot) {
  const int kind = qv_path_kind_from_name(path, false);
  if (kind & QV_PATH_KIND_SCRIPT) return draw_script(source, path, t_prime, target, snapshot);
  if (kind & QV_PATH_KIND_TO_SCRIPT)
    return draw_sequence(source, path, t_prime, false, target, snapshot);
  if (kind & QV_PATH_KIND_FROM_SCRIPT)
    return draw_sequence(source, path, t_prime, true, target, snapshot);
  return draw_inbetween(source, path, t, t_prime, target, snapshot);
}
