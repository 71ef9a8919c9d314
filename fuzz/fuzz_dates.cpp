// Arbitrary bytes through the date readers: as date texts a script hands
// over, as a stored date record, and as month lists typed by a user or
// stored in the image. Besides memory errors it checks what the animation
// relies on: a parsed date validates to a date that validation keeps, and a
// typed month list always stores as a list that reads back.
#include "core/qv_date_text.h"
#include "core/qv_dates.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

bool same_date(const QVdtfNumbers &a, const QVdtfNumbers &b) {
  auto same = [](double x, double y) { return x == y || (std::isnan(x) && std::isnan(y)); };
  return same(a.year, b.year) && same(a.month, b.month) && same(a.day, b.day) && a.valid == b.valid;
}

void check_texts(const std::string &text) {
  const QVdtfParsed parsed = qv_dtf_parse(text.data(), static_cast<gssize>(text.size()));
  require(parsed.end <= text.size());
  if (parsed.found) {
    const QVdtfNumbers once = qv_dtf_validate(parsed.date);
    require(same_date(qv_dtf_validate(once), once));
  }
  for (double t : {0.0, 0.5, 1.0}) qv_dtf_from_text(text.c_str(), t);
  qv_month_number(std::string_view(text));
  for (QVmonthForm form : {QVmonthForm::long_name, QVmonthForm::short_name}) {
    const QVmonthList list = qv_month_list_from_user(text, form);
    const auto back = qv_month_list_from_text(qv_month_list_join(list, "\t"));
    require(back.has_value() && *back == list);
  }
  if (const auto stored = qv_month_list_from_text(text)) {
    require(qv_month_list_from_text(qv_month_list_join(*stored, "\t")) == stored);
  }
}

void check_record(const uint8_t *data, size_t size) {
  const QVdtfNumbers record = qv_dtf_from_bytes(data, size);
  const auto bytes = qv_dtf_to_bytes(record);
  if (size >= QV_DTF_BYTES) require(std::memcmp(bytes.data(), data, QV_DTF_BYTES - 4) == 0);
  const QVdtfNumbers other = qv_dtf_from_bytes(data + size / 2, size - size / 2);
  const uint32_t mask = size ? data[0] | (data[size - 1] << 8) : QV_DTF_ALL;
  for (double t : {0.0, 0.3, 1.0, -1.0}) qv_dtf_interpolate(mask & QV_DTF_ALL, record, other, t);
  qv_dtf_merge(record, mask, other);
  qv_compact_number(record.year);
  qv_month_name(record.month, QVmonthForm::long_name, qv_month_names_default());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  check_texts(std::string(reinterpret_cast<const char *>(data), size));
  check_record(data, size);
  return 0;
}
