#include "gimp/base/qv_render_session.h"

#include <glib/gi18n-lib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/qv_date_text.h"
#include "core/qv_glib_ptr.h"
#include "core/qv_render_timing.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_read_cache.h"

const char *const QV_RENDERING_MARKER = "qv-rendering-in-progress";
const char *const QV_OPENED_IMAGE_MARK = "qv-image-opend-by-qv-path-draw";
const char *const QV_RENDER_DUPLICATE_MARK = "qv-render-duplicate";
const char *const QV_FADE_OPACITY_PARASITE = "qv-animation-fade-opacity";

namespace {

const char *const kTimelinesInProgress = "qv-timelines-in-progress";
const char *const kDefaultTKey = "qv-default-t";
const char *const kDefaultT = "0.5";

std::vector<gint32> open_images() {
  gint count = 0;
  return qv_take_array(gimp_image_list(&count), count);
}

}  // namespace

bool qv_rendering_flag(bool set) {
  const bool present = qv_rendering_in_progress();
  if (set && !present) qv_global_parasite_attach(QV_RENDERING_MARKER, 0, 0, nullptr);
  if (!set && present) gimp_detach_parasite(QV_RENDERING_MARKER);
  return present;
}

bool qv_rendering_in_progress() { return qv_global_parasite_exists(QV_RENDERING_MARKER); }

double qv_default_t() {
  std::string value = qv_take_string(gimp_gimprc_query(kDefaultTKey));
  if (value.empty()) {
    gimp_gimprc_set(kDefaultTKey, kDefaultT);
    value = kDefaultT;
  }
  return g_strtod(value.c_str(), nullptr);
}

void qv_close_opened_images(int threshold) {
  for (gint32 image : open_images()) {
    const auto mark = qv_image_parasite_bytes(image, QV_OPENED_IMAGE_MARK);
    if (!mark) continue;
    gint32 counter = 0;
    if (mark->size() >= sizeof counter) std::memcpy(&counter, mark->data(), sizeof counter);
    if (threshold == 0 || counter >= threshold) gimp_image_delete(image);
  }
}

void qv_delete_render_duplicates() {
  for (gint32 image : open_images())
    if (qv_image_parasite_bytes(image, QV_RENDER_DUPLICATE_MARK)) gimp_image_delete(image);
}

double qv_fade_opacity(gint32 image) {
  const auto bytes = qv_image_parasite_bytes(image, QV_FADE_OPACITY_PARASITE);
  if (!bytes || bytes->size() != sizeof(double)) return 1.0;
  double fade = 1.0;
  std::memcpy(&fade, bytes->data(), sizeof fade);
  if (std::isnan(fade)) return 1.0;
  return std::clamp(fade, 0.0, 1.0);
}

void qv_fade_opacity_set(gint32 image, double percent) {
  if (image < 1 || !qv_image_is_open(image)) {
    qv_user_message(_("No image (id %d): the fade opacity was not set."), image);
    return;
  }
  const double fade = qv_fade_fraction(percent);
  // Flags 0 and no dirty mark: the value only steers the running animation
  // and must neither be saved nor be undone.
  const qv_parasite_ptr parasite(
      gimp_parasite_new(QV_FADE_OPACITY_PARASITE, 0, sizeof fade, &fade));
  qv_read_cache_parasites_changed();
  gimp_image_attach_parasite(image, parasite.get());
}

bool qv_timelines_in_progress_push(gint32 image, const std::string &timeline) {
  auto list = qv_global_string_get(kTimelinesInProgress);
  if (list && list->empty()) list.reset();
  if (qv_timelines_push(list, qv_image_label(image), timeline)) return true;
  qv_global_string_set(kTimelinesInProgress, *list);
  return false;
}

void qv_timelines_in_progress_pop() {
  auto list = qv_global_string_get(kTimelinesInProgress);
  if (list && list->empty()) list.reset();
  qv_timelines_pop(list);
  if (list)
    qv_global_string_set(kTimelinesInProgress, *list);
  else
    gimp_detach_parasite(kTimelinesInProgress);
}

void qv_timelines_in_progress_clear() { gimp_detach_parasite(kTimelinesInProgress); }

std::string qv_image_label(gint32 image) {
  std::string name = qv_take_string(gimp_image_get_filename(image));
  if (name.empty()) name = qv_take_string(gimp_image_get_name(image));
  return name;
}

void qv_set_fade_opacity(gint32 image, double factor) {
  qv_fade_opacity_set(image, factor * 100.0);
}
