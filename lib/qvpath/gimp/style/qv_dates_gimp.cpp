#include "gimp/style/qv_dates_gimp.h"

#include <mutex>

#include <optional>
#include "gimp/base/qv_read_cache.h"

#include "gimp/base/qv_parasite.h"

const char *const QV_DTF_PARASITE = "qv-dtf-numbers";
const char *const QV_MONTH_NAMES_PARASITE = "qv-month-names";
const char *const QV_MONTH_NAMES_SHORT_PARASITE = "qv-month-names-short";

namespace {

// The render worker thread prints dates too, so first use may come from
// either thread.
struct MonthNameCache {
  std::mutex lock;
  std::optional<QVmonthNames> names;
};

MonthNameCache &month_name_cache() {
  static MonthNameCache cache;
  return cache;
}

}  // namespace

QVdtfNumbers qv_dtf_read_date(gint32 image) {
  const auto bytes = qv_image_parasite_bytes(image, QV_DTF_PARASITE);
  if (!bytes) return QVdtfNumbers{};
  return qv_dtf_from_bytes(bytes->data(), bytes->size());
}

bool qv_dtf_store_date(gint32 image, std::uint32_t mask, const QVdtfNumbers &record) {
  const QVdtfNumbers merged = qv_dtf_merge(qv_dtf_read_date(image), mask, record);
  const auto bytes = qv_dtf_to_bytes(merged);
  // Flags 0 and no dirty mark: the record is never saved with the image, so
  // storing it leaves nothing for the user to save.
  const qv_parasite_ptr parasite(gimp_parasite_new(QV_DTF_PARASITE, 0, bytes.size(), bytes.data()));
  qv_read_cache_parasites_changed();
  return gimp_image_attach_parasite(image, parasite.get());
}

QVmonthNames qv_month_names_read() {
  return qv_month_names_from_texts(qv_global_string_get(QV_MONTH_NAMES_PARASITE),
                                   qv_global_string_get(QV_MONTH_NAMES_SHORT_PARASITE));
}

QVmonthNames qv_month_names() {
  MonthNameCache &cache = month_name_cache();
  std::lock_guard<std::mutex> hold(cache.lock);
  if (!cache.names) cache.names = qv_month_names_read();
  return *cache.names;
}

void qv_month_names_forget() {
  MonthNameCache &cache = month_name_cache();
  std::lock_guard<std::mutex> hold(cache.lock);
  cache.names.reset();
}

std::string qv_month_name(double number, QVmonthForm form) {
  return qv_month_name(number, form, qv_month_names());
}
