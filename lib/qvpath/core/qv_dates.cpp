#include "core/qv_dates.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "core/qv_glib_ptr.h"

namespace {

static_assert(sizeof(double) == 8 && sizeof(std::int32_t) == 4,
              "the stored record assumes 8-byte doubles and 4-byte ints");

// year, month, day and the further numbers, in mask-bit order.
constexpr std::size_t kNumberCount = 3 + QV_DTF_FURTHER_COUNT;
constexpr std::size_t kValidOffset = kNumberCount * sizeof(double);
static_assert(kValidOffset + 2 * sizeof(std::int32_t) == QV_DTF_BYTES, "record layout");

// For validation February has 29 days; the leap-year rule cuts it.
constexpr std::array<double, 12> kMonthDays = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
// For counting days February carries the leap day's quarter, so that the
// months add up to the 365.25 days of a counted year.
constexpr std::array<double, 12> kCountDays = {31, 28.25, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr double kDaysPerYear = 365.25;

constexpr std::array<double, 12> month_starts() {
  std::array<double, 12> starts{};
  for (std::size_t m = 1; m < starts.size(); ++m) starts[m] = starts[m - 1] + kCountDays[m - 1];
  return starts;
}
constexpr std::array<double, 12> kMonthStarts = month_starts();

// Number i in mask-bit order, for const and non-const records alike.
template <typename Record>
auto &number_at(Record &r, std::size_t i) {
  if (i == 0) return r.year;
  if (i == 1) return r.month;
  if (i == 2) return r.day;
  return r.further[i - 3];
}

// Table index of a month number; the comparisons keep NaN and out-of-range
// values away from the integer conversion.
std::size_t month_index(double month) {
  if (!(month >= 1)) return 0;
  if (month >= 12) return 11;
  return static_cast<std::size_t>(month) - 1;
}

double finite_or_zero(double v) { return std::isfinite(v) ? v : 0; }

double lerp(double a, double b, double t) { return a * (1 - t) + b * t; }

// Formats one number with "." as decimal point whatever the locale. The
// buffer holds "%0.1f" of the largest double.
std::string format_number(const char *format, double value) {
  std::array<char, 512> buffer{};
  g_ascii_formatd(buffer.data(), buffer.size(), format, value);
  std::string text(buffer.data());
  // printf keeps the sign of values that round to zero; a count of "-0"
  // reads as a mistake.
  return text == "-0" ? "0" : text;
}

// --- Interpolation -------------------------------------------------------------

struct CalendarDate {
  double year = 0;
  double month = 0;
  double day = 0;
};

bool has_month(const QVdtfNumbers &d) { return d.month >= 1; }
bool is_complete(const QVdtfNumbers &d) { return d.month >= 1 && d.day >= 1; }

double day_count(const QVdtfNumbers &date) {
  const QVdtfNumbers v = qv_dtf_validate(date);
  const double day = v.day >= 1 ? v.day : 1;
  return v.year * kDaysPerYear + kMonthStarts[month_index(v.month)] + day - 1;
}

CalendarDate date_of_day_count(double count) {
  const double year = std::floor(count / kDaysPerYear);
  const double rest = std::clamp(count - year * kDaysPerYear, 0.0, kDaysPerYear);
  std::size_t m = 0;
  while (m + 1 < kMonthStarts.size() && kMonthStarts[m + 1] <= rest) ++m;
  double day = std::clamp(std::floor(rest - kMonthStarts[m]) + 1, 1.0, kMonthDays[m]);
  if (m == 1 && day == 29 && !qv_dtf_is_leap_year(year)) day = 28;
  return {year, static_cast<double>(m + 1), day};
}

double month_count(const QVdtfNumbers &date) {
  const QVdtfNumbers v = qv_dtf_validate(date);
  return v.year * 12 + static_cast<double>(month_index(v.month));
}

CalendarDate date_of_month_count(double count) {
  const double year = std::floor(count / 12);
  return {year, std::clamp(std::floor(count - year * 12 + 1), 1.0, 12.0), 0};
}

CalendarDate calendar_at(std::uint32_t mask, const QVdtfNumbers &d0, const QVdtfNumbers &d1,
                         double t) {
  if ((mask & QV_DTF_DAY) && (is_complete(d0) || is_complete(d1))) {
    const double count = lerp(day_count(d0), day_count(d1), t);
    if (std::isfinite(count)) return date_of_day_count(count);
  }
  if ((mask & (QV_DTF_MONTH | QV_DTF_DAY)) && (has_month(d0) || has_month(d1))) {
    const double count = lerp(month_count(d0), month_count(d1), t);
    if (std::isfinite(count)) return date_of_month_count(count);
  }
  const double year = lerp(finite_or_zero(d0.year), finite_or_zero(d1.year), t);
  return {std::floor(finite_or_zero(year)), 0, 0};
}

// --- Reading dates -------------------------------------------------------------

struct Scan {
  std::string_view text;
  std::size_t pos = 0;
  // Set by "27.3.2007": dots separate the parts, so no number of this date
  // has a fraction.
  bool dotted = false;
};

struct Item {
  double value = 0;
  bool is_word = false;
};

char peek(const Scan &s, std::size_t ahead = 0) {
  return s.pos + ahead < s.text.size() ? s.text[s.pos + ahead] : '\0';
}

bool starts_number(const Scan &s) {
  const char c = peek(s);
  return g_ascii_isdigit(c) || ((c == '-' || c == '+') && g_ascii_isdigit(peek(s, 1)));
}

bool ends_date(char c) { return c == ';' || c == '#'; }

// Byte length of the letter at pos, 0 when there is none. Month words may be
// in any language, so any Unicode letter counts; broken UTF-8 does not.
std::size_t letter_length(const Scan &s) {
  const auto c = static_cast<unsigned char>(peek(s));
  if (c < 0x80) return g_ascii_isalpha(c) ? 1 : 0;
  const char *p = s.text.data() + s.pos;
  const gunichar u = g_utf8_get_char_validated(p, static_cast<gssize>(s.text.size() - s.pos));
  if (u == static_cast<gunichar>(-1) || u == static_cast<gunichar>(-2)) return 0;
  return g_unichar_isalpha(u) ? static_cast<std::size_t>(g_utf8_skip[c]) : 0;
}

std::size_t skip_digits(std::string_view text, std::size_t i) {
  while (i < text.size() && g_ascii_isdigit(text[i])) ++i;
  return i;
}

double read_multiplier(Scan &s) {
  static const std::pair<const char *, double> kSuffixes[] = {
      {"Tsd", 1e3}, {"Mio", 1e6}, {"Mrd", 1e9}};
  const std::string_view rest = s.text.substr(s.pos);
  for (const auto &[suffix, factor] : kSuffixes) {
    if (rest.size() >= 3 && g_ascii_strncasecmp(rest.data(), suffix, 3) == 0) {
      s.pos += 3;
      if (peek(s) == '.') ++s.pos;
      return factor;
    }
  }
  return 1;
}

double read_number(Scan &s) {
  const std::size_t start = s.pos;
  const bool sign = peek(s) == '-' || peek(s) == '+';
  std::size_t end = skip_digits(s.text, start + (sign ? 1 : 0));
  if (!s.dotted && end + 1 < s.text.size() && s.text[end] == '.' &&
      g_ascii_isdigit(s.text[end + 1])) {
    const std::size_t fraction_end = skip_digits(s.text, end + 1);
    if (fraction_end < s.text.size() && s.text[fraction_end] == '.')
      s.dotted = true;
    else
      end = fraction_end;
  }
  // The lexeme holds only a sign, digits and one dot, so strtod cannot wander
  // into hex, exponents or "inf".
  const std::string lexeme(s.text.substr(start, end - start));
  s.pos = end;
  const double value = g_ascii_strtod(lexeme.c_str(), nullptr);
  return value * read_multiplier(s);
}

double read_word(Scan &s) {
  const std::size_t start = s.pos;
  while (std::size_t n = letter_length(s)) s.pos += n;
  const int month = qv_month_number(s.text.substr(start, s.pos - start));
  if (peek(s) == '.') ++s.pos;
  return month;
}

// Moves to the next number or word; false at the end of the date.
bool seek_item(Scan &s) {
  while (s.pos < s.text.size() && !ends_date(peek(s))) {
    if (starts_number(s) || letter_length(s) > 0) return true;
    ++s.pos;
  }
  return false;
}

void finish_date(Scan &s) {
  while (s.pos < s.text.size() && !ends_date(peek(s))) ++s.pos;
  if (peek(s) == ';') ++s.pos;
}

QVdtfNumbers date_of_items(const std::array<Item, 3> &items, std::size_t count) {
  QVdtfNumbers d;
  d.valid = 1;
  const auto value = [&](std::size_t i) { return items[i].value; };
  if (items[0].is_word) {
    d.month = value(0);
    if (count == 2) d.year = value(1);
    if (count == 3) {
      d.day = value(1);
      d.year = value(2);
    }
  } else if (count == 1) {
    d.year = value(0);
  } else if (count == 2 && items[1].is_word) {
    // "27 Mar": a month word fixes the number before it as the day.
    d.day = value(0);
    d.month = value(1);
  } else if (count == 2) {
    d.month = value(0);
    d.year = value(1);
  } else {
    d.day = value(0);
    d.month = value(1);
    d.year = value(2);
  }
  return d;
}

// The text up to `length` bytes or its first NUL, whichever comes first.
std::string bounded_text(const char *text, gssize length) {
  if (length < 0) return std::string(text);
  return std::string(text, strnlen(text, static_cast<std::size_t>(length)));
}

// --- Month names -----------------------------------------------------------------

// Lower case, composed (a decomposed "a" + diaeresis matches "ä") and valid
// UTF-8, whatever the input bytes were.
std::string fold_word(std::string_view word) {
  qv_gstring valid(g_utf8_make_valid(word.data(), static_cast<gssize>(word.size())));
  qv_gstring composed(g_utf8_normalize(valid.get(), -1, G_NORMALIZE_DEFAULT_COMPOSE));
  return qv_take_string(g_utf8_strdown(composed ? composed.get() : valid.get(), -1));
}

int month_of_digits(std::string_view digits) {
  int month = 0;
  for (const char c : digits) {
    if (!g_ascii_isdigit(c)) break;
    month = month * 10 + (c - '0');
    if (month > 12) return 0;
  }
  return month;
}

bool starts_with(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

// --- Stored record -----------------------------------------------------------------

std::array<std::uint8_t, QV_DTF_BYTES> qv_dtf_to_bytes(const QVdtfNumbers &record) {
  std::array<double, kNumberCount> numbers{};
  for (std::size_t i = 0; i < kNumberCount; ++i) numbers[i] = number_at(record, i);
  std::array<std::uint8_t, QV_DTF_BYTES> bytes{};
  std::memcpy(bytes.data(), numbers.data(), kValidOffset);
  std::memcpy(bytes.data() + kValidOffset, &record.valid, sizeof record.valid);
  return bytes;
}

QVdtfNumbers qv_dtf_from_bytes(const void *data, std::size_t size) {
  QVdtfNumbers record;
  if (!data || size < QV_DTF_BYTES) return record;
  std::array<double, kNumberCount> numbers{};
  std::memcpy(numbers.data(), data, kValidOffset);
  for (std::size_t i = 0; i < kNumberCount; ++i) number_at(record, i) = numbers[i];
  std::memcpy(&record.valid, static_cast<const std::uint8_t *>(data) + kValidOffset,
              sizeof record.valid);
  return record;
}

QVdtfNumbers qv_dtf_merge(const QVdtfNumbers &stored, std::uint32_t mask,
                          const QVdtfNumbers &given) {
  QVdtfNumbers out = stored;
  for (std::size_t i = 0; i < kNumberCount; ++i) {
    if (mask & (1u << i)) number_at(out, i) = number_at(given, i);
  }
  out.valid = given.valid;
  return out;
}

// --- Calendar ------------------------------------------------------------------------

bool qv_dtf_is_leap_year(double year) {
  if (!std::isfinite(year) || year < -46) return false;
  const double y = std::floor(year);
  if (y > 1582 && std::fmod(y, 100) == 0) return std::fmod(y, 400) == 0;
  return std::fmod(y, 4) == 0;
}

QVdtfNumbers qv_dtf_validate(const QVdtfNumbers &record) {
  QVdtfNumbers out = record;
  out.year = std::floor(finite_or_zero(record.year));
  if (!(record.month >= 1)) {
    out.month = 0;
    out.day = 0;
  } else {
    out.month = std::floor(std::min(record.month, 12.0));
    const double longest = kMonthDays[month_index(out.month)];
    out.day = record.day >= 1 ? std::floor(std::min(record.day, longest)) : 0;
    if (out.month == 2 && out.day == 29 && !qv_dtf_is_leap_year(out.year)) out.day = 28;
  }
  out.valid = 1;
  return out;
}

QVdtfNumbers qv_dtf_interpolate(std::uint32_t mask, const QVdtfNumbers &date0,
                                const QVdtfNumbers &date1, double t) {
  t = t >= 0 ? std::min(t, 1.0) : 0.0;
  QVdtfNumbers out = date0;
  if (mask & QV_DTF_DATE) {
    const CalendarDate date = calendar_at(mask, date0, date1, t);
    if (mask & QV_DTF_YEAR) out.year = date.year;
    if (mask & QV_DTF_MONTH) out.month = date.month;
    if (mask & QV_DTF_DAY) out.day = date.day;
  }
  for (std::size_t i = 0; i < QV_DTF_FURTHER_COUNT; ++i) {
    if (mask & qv_dtf_further_bit(i)) out.further[i] = lerp(date0.further[i], date1.further[i], t);
  }
  out.valid = 1;
  return out;
}

// --- Reading dates -------------------------------------------------------------------

QVdtfParsed qv_dtf_parse(const char *text, gssize length) {
  QVdtfParsed out;
  if (!text) return out;
  const std::string owned = bounded_text(text, length);
  Scan s{owned};
  std::array<Item, 3> items{};
  std::size_t count = 0;
  while (count < items.size() && seek_item(s)) {
    items[count++] = starts_number(s) ? Item{read_number(s), false} : Item{read_word(s), true};
  }
  finish_date(s);
  out.end = s.pos;
  out.found = count > 0;
  if (out.found) out.date = date_of_items(items, count);
  return out;
}

int qv_month_number(std::string_view word) {
  if (word.empty()) return 0;
  const std::string folded = fold_word(word);
  std::string_view w = folded;
  while (!w.empty() && (w.front() == ' ' || w.front() == '\t')) w.remove_prefix(1);
  if (!w.empty() && g_ascii_isdigit(w.front())) return month_of_digits(w);
  static const std::pair<const char *, int> kPrefixes[] = {
      {"jan", 1},  {"feb", 2},  {"m\xC3\xA4r", 3}, {"mar", 3},  {"maer", 3}, {"apr", 4},
      {"mai", 5},  {"may", 5},  {"jun", 6},        {"jul", 7},  {"aug", 8},  {"sep", 9},
      {"okt", 10}, {"oct", 10}, {"nov", 11},       {"dez", 12}, {"dec", 12}};
  for (const auto &[prefix, month] : kPrefixes) {
    if (starts_with(w, prefix)) return month;
  }
  return 0;
}

int qv_month_number(const char *word) { return word ? qv_month_number(std::string_view(word)) : 0; }

// --- Month names ---------------------------------------------------------------------

QVmonthNames qv_month_names_default() {
  return {{"January", "February", "March", "April", "May", "June", "July", "August", "September",
           "October", "November", "December"},
          {"Jan.", "Feb.", "Mar.", "Apr.", "May", "June", "July", "Aug.", "Sep.", "Oct.", "Nov.",
           "Dec."}};
}

std::optional<QVmonthList> qv_month_list_from_text(std::string_view text) {
  // Names end up in Pango layouts, which must not see broken UTF-8.
  if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return std::nullopt;
  std::vector<std::string_view> pieces;
  for (std::size_t start = 0;;) {
    const std::size_t tab = text.find('\t', start);
    pieces.push_back(text.substr(start, tab == std::string_view::npos ? tab : tab - start));
    if (tab == std::string_view::npos || pieces.size() > 12) break;
    start = tab + 1;
  }
  if (pieces.size() != 12) return std::nullopt;
  QVmonthList list;
  std::copy(pieces.begin(), pieces.end(), list.begin());
  return list;
}

QVmonthNames qv_month_names_from_texts(const std::optional<std::string> &long_text,
                                       const std::optional<std::string> &short_text) {
  QVmonthNames names = qv_month_names_default();
  if (long_text) {
    if (auto list = qv_month_list_from_text(*long_text)) names.long_names = std::move(*list);
  }
  if (short_text) {
    if (auto list = qv_month_list_from_text(*short_text)) names.short_names = std::move(*list);
  }
  return names;
}

std::string qv_month_name(double number, QVmonthForm form, const QVmonthNames &lists) {
  if (number >= 1 && number < 13) {
    const QVmonthList &list = form == QVmonthForm::long_name ? lists.long_names : lists.short_names;
    return list[static_cast<std::size_t>(number) - 1];
  }
  return format_number("%0.0f", number);
}

// --- Numbers -----------------------------------------------------------------------------

std::string qv_compact_number(double value) {
  const double size = std::fabs(value);
  if (!std::isfinite(value)) return format_number("%0.0f", value);
  if (size >= 9.95e9) return format_number("%0.0f", value / 1e9) + "Mrd";
  if (size >= 1e9) return format_number("%0.1f", value / 1e9) + "Mrd";
  if (size >= 9.95e6) return format_number("%0.0f", value / 1e6) + "Mio";
  if (size >= 1e6) return format_number("%0.1f", value / 1e6) + "Mio";
  if (size >= 9950) return format_number("%0.0f", value / 1e3) + "Tsd";
  return format_number("%0.0f", value);
}
