#include "gimp/animate/qv_animation.h"

#include <glib/gi18n-lib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/qv_attributes.h"
#include "core/qv_keyspline.h"
#include "core/qv_names.h"
#include "core/qv_render_timing.h"
#include "core/qv_scheme.h"
#include "gimp/animate/qv_keyspline_gimp.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_render_session.h"
#include "gimp/base/qv_scheme_gimp.h"
#include "gimp/draw/qv_draw_style.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/render/qv_nested_timeline.h"
#include "gimp/style/qv_dates_gimp.h"
#include "gimp/style/qv_path_copy.h"
#include "gimp/style/qv_style_getter.h"
#include "gimp/style/qv_style_gimp.h"

namespace {

bool is_keyspline(const std::string &name) { return name.compare(0, 2, "[@") == 0; }

// The names of the paths of the image, or of the snapshot when one is given,
// in list order.
std::vector<std::string> path_names(gint32 image, const QVSnapshot *snapshot) {
  if (snapshot) return qv_snapshot_path_names(*snapshot);
  std::vector<std::string> names;
  for (const auto &p : qv_path_list(image)) names.push_back(p.name);
  return names;
}

bool path_exists(gint32 image, const std::string &path, const QVSnapshot *snapshot) {
  if (snapshot) return qv_snapshot_find_path(*snapshot, path).has_value();
  return qv_path_id_by_name(image, path.c_str()) > 0;
}

// Draws one path of the source onto the target: in place when both are the
// same live image, else through a copy that is removed again.
void draw_path(gint32 source, const std::string &path, gint32 target, const QVSnapshot *snapshot,
               const std::string &override_text) {
  if (source == target && !snapshot) {
    qv_path_set_current(target, path.c_str());
    qv_path_draw_style(target, nullptr, override_text.c_str());
    return;
  }
  const std::string copy_name = qv_name_query_text(path, QV_NAME_AFTER_GROUP).value_or(path);
  const size_t paths_before = qv_path_count(target);
  qv_path_copy_with_parasites(source, path.c_str(), target, copy_name.c_str(), snapshot, 0);
  const auto copy = qv_path_current(target);
  if (!copy || qv_path_count(target) == paths_before) return;
  qv_path_draw_style(target, snapshot, override_text.c_str());
  qv_path_delete_with_parasites(target, copy->c_str());
}

// An ordinary path, or every ordinary path of its draw group, from the last
// path of the list to the first.
void draw_ordinary(gint32 source, const std::string &path, double t, gint32 target,
                   const QVSnapshot *snapshot) {
  const std::string override_text = "@-timeline-t-temp: " + qv_format("%0.10f", t);
  const long group = qv_name_query_number(path, QV_NAME_GROUP);
  const auto previous = qv_path_current(target);
  if (group == 0) {
    // One path needs no list of all the others: that would make a frame's
    // cost grow with the square of its paths.
    if (path_exists(source, path, snapshot))
      draw_path(source, path, target, snapshot, override_text);
  } else {
    const auto names = path_names(source, snapshot);
    for (auto it = names.rbegin(); it != names.rend(); ++it)
      if (qv_name_query_number(*it, QV_NAME_GROUP) == group && !qv_name_is_helper_path(*it))
        draw_path(source, *it, target, snapshot, override_text);
  }
  if (previous) qv_path_set_current(target, previous->c_str());
}

// The date a "@-date: " range gives at t becomes the target's date, which
// text paths print.
void store_date_at(gint32 target, const std::string &path, const std::string &value, double t) {
  if (const auto date = qv_date_range_at(qv_date_value_text(value, path), t))
    qv_dtf_store_date(target, QV_DTF_DATE, *date);
}

// A keyspline's own timeline: its frame at t' is drawn into the target
// first, unless that timeline is being rendered already (it would render
// itself without end).
void render_nested_timeline(gint32 target, const std::string &timeline, double t_prime) {
  qv_render_nested_timeline(target, timeline, t_prime, QV_RENDER_ON_SOURCE);
}

}  // namespace

int qv_path_animation_draw3(gint32 source_image, const char *path, double t, gint32 target_image,
                            const QVSnapshot *snapshot) {
  if (!qv_rendering_in_progress()) return 0;
  std::string name = path ? path : "";
  if (name.empty()) {
    const auto current = qv_path_current(source_image);
    if (!current) {
      qv_user_message("qv_path_animation_draw3(): No path found!");
      return 0;
    }
    name = *current;
  }
  if (qv_path_tattoo_by_name(source_image, name.c_str(), snapshot) == 0) {
    qv_user_message("qv_path_animation_draw3(): Path »%s« does not exist!", name.c_str());
    return 0;
  }
  t = std::clamp(t, 0.0, 1.0);

  std::optional<std::string> date, script_eval, timeline;
  qv_path_get_style_attribute(
      source_image, name.c_str(), snapshot, QV_GET_RAW, nullptr,
      {{"@-date: ", &date}, {"script-eval: ", &script_eval}, {"@-timeline: ", &timeline}});
  if (date) store_date_at(target_image, name, *date, t);
  const double t_prime = qv_keyspline_time_curve(source_image, name.c_str(), snapshot, t);
  if (script_eval && !script_eval->empty()) {
    const std::string av = qv_format("%0.10f", t_prime);
    qv_scheme_run_eval4_ref(target_image, gimp_image_get_active_drawable(target_image), av.c_str(),
                            qv_scheme_string_literal(name).c_str(), script_eval->c_str());
  }
  // A script may have cancelled the render.
  if (!qv_rendering_in_progress()) return 0;

  if (!is_keyspline(name)) {
    draw_ordinary(source_image, name, t_prime, target_image, snapshot);
    return 1;
  }
  if (timeline && !timeline->empty()) {
    render_nested_timeline(target_image, *timeline, t_prime);
    if (!qv_rendering_in_progress()) return 0;
  }
  return qv_keyspline_draw(source_image, name, t, t_prime, target_image, snapshot);
}
