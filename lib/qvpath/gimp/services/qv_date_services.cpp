#include "gimp/services/qv_date_services.h"

#include <glib/gi18n-lib.h>

#include <algorithm>

#include "core/qv_date_text.h"
#include "core/qv_glib_ptr.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_read_cache.h"
#include "gimp/style/qv_dates_gimp.h"

namespace {

// Scripts pass -1 or 0 for "no image"; GIMP would refuse those with a
// calling error on every parasite call.
bool image_usable(gint32 image) { return image > 0 && qv_image_is_open(image); }

bool writable_image(gint32 image) {
  if (image_usable(image)) return true;
  qv_user_message(_("No image (id %d): the date was not stored."), image);
  return false;
}

}  // namespace

QVBox qv_bbox_or_zeros(const char *name) {
  if (!qv_global_parasite_listed(name)) return QVBox{};
  return qv_bbox_read(name).value_or(QVBox{});
}

QVdtfNumbers qv_dtf_service_read(gint32 image, bool validated) {
  if (!image_usable(image)) return QVdtfNumbers{};
  const QVdtfNumbers stored = qv_dtf_read_date(image);
  return validated ? qv_dtf_validate(stored) : stored;
}

void qv_dtf_service_set(gint32 image, const QVdtfNumbers &date0, const QVdtfNumbers &date1,
                        double t) {
  if (!writable_image(image)) return;
  qv_dtf_store_date(image, QV_DTF_DATE, qv_dtf_interpolate(QV_DTF_DATE, date0, date1, t));
}

void qv_dtf_service_set_from_text(gint32 image, const char *text, double t) {
  if (!writable_image(image)) return;
  const auto date = qv_dtf_from_text(text, t);
  if (!date) {
    qv_user_message(_("No date found in \"%s\": the date was not changed."), text ? text : "");
    return;
  }
  qv_dtf_store_date(image, QV_DTF_DATE, *date);
}

std::optional<std::vector<guint8>> qv_global_parasite_bytes(const char *name) {
  if (!qv_global_parasite_listed(name)) return std::nullopt;
  const qv_parasite_ptr parasite(gimp_get_parasite(name));
  if (!parasite) return std::nullopt;
  const auto *data = static_cast<const guint8 *>(gimp_parasite_data(parasite.get()));
  const auto size = gimp_parasite_data_size(parasite.get());
  if (!data || size == 0) return std::vector<guint8>();
  return std::vector<guint8>(data, data + size);
}

std::string qv_month_names_set(QVmonthForm form, const char *text) {
  const QVmonthList list = qv_month_list_from_user(text ? text : "", form);
  qv_global_string_set(
      form == QVmonthForm::long_name ? QV_MONTH_NAMES_PARASITE : QV_MONTH_NAMES_SHORT_PARASITE,
      qv_month_list_join(list, "\t"));
  qv_month_names_forget();
  return qv_month_list_join(list, "; ");
}
