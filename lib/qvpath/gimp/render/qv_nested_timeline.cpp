#include "gimp/render/qv_nested_timeline.h"

#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_render_session.h"
#include "gimp/render/qv_render.h"

std::optional<gint32> qv_render_nested_timeline(gint32 image, const std::string &timeline, double x,
                                                int flags) {
  if (qv_timelines_in_progress_push(image, timeline)) {
    qv_message("Timeline endless loop error:\n'%s; %s'", qv_image_label(image).c_str(),
               timeline.c_str());
    return std::nullopt;
  }
  const gint32 rendered = qv_timeline_render_at(image, timeline, x, flags);
  qv_timelines_in_progress_pop();
  return rendered;
}
