#include "core/qv_date_text.h"

#include <algorithm>
#include <cmath>

#include "core/qv_glib_ptr.h"

std::optional<QVdtfNumbers> qv_dtf_from_text(const char *text, double t) {
  if (!text) return std::nullopt;
  const QVdtfParsed first = qv_dtf_parse(text, -1);
  if (!first.found) return std::nullopt;
  const QVdtfParsed second = qv_dtf_parse(text + first.end, -1);
  // A lone date interpolated with an absent one would run towards the year
  // 0; it means "this date", whatever t is.
  const QVdtfNumbers &to = second.found ? second.date : first.date;
  return qv_dtf_interpolate(QV_DTF_DATE, first.date, to, t);
}

QVmonthList qv_month_list_from_user(std::string_view text, QVmonthForm form) {
  const QVmonthNames defaults = qv_month_names_default();
  QVmonthList list = form == QVmonthForm::long_name ? defaults.long_names : defaults.short_names;
  const std::string valid =
      qv_take_string(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
  std::size_t start = 0;
  for (std::size_t month = 0; month < list.size() && start <= valid.size(); ++month) {
    std::size_t end = valid.find(';', start);
    if (end == std::string::npos) end = valid.size();
    std::string piece = valid.substr(start, end - start);
    std::replace(piece.begin(), piece.end(), '\t', ' ');
    qv_gstring copy(g_strdup(piece.c_str()));
    g_strstrip(copy.get());
    if (*copy) list[month] = copy.get();
    start = end + 1;
  }
  return list;
}

std::string qv_month_list_join(const QVmonthList &list, std::string_view separator) {
  std::string joined;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (i > 0) joined.append(separator);
    joined += list[i];
  }
  return joined;
}

double qv_fade_fraction(double percent) {
  if (std::isnan(percent)) return 1.0;
  return std::clamp(percent / 100.0, 0.0, 1.0);
}
