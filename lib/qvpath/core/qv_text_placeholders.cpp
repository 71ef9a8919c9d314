#include "core/qv_text_placeholders.h"

#include <cstdio>

namespace {

// Which form of month a placeholder asked for: its optional digit.
enum class MonthStyle { short_name, number, long_name };

std::string whole_number(double value) {
  char buffer[G_ASCII_DTOSTR_BUF_SIZE];
  g_ascii_formatd(buffer, sizeof buffer, "%0.0f", value);
  return buffer;
}

std::string month_text(const QVdtfNumbers &date, MonthStyle style, const QVmonthNames &names) {
  switch (style) {
    case MonthStyle::number:
      return whole_number(date.month);
    case MonthStyle::long_name:
      return qv_month_name(date.month, QVmonthForm::long_name, names);
    case MonthStyle::short_name:
      break;
  }
  return qv_month_name(date.month, QVmonthForm::short_name, names);
}

std::string full_date(const QVdtfNumbers &date, MonthStyle style, const QVmonthNames &names) {
  const bool has_month = date.month > 0;
  const bool has_day = has_month && date.day > 0;
  std::string out;
  if (has_day) out += whole_number(date.day) + ". ";
  if (has_month) out += month_text(date, style, names) + (style == MonthStyle::number ? "." : " ");
  return out + qv_compact_number(date.year);
}

MonthStyle style_of_digit(char digit) {
  if (digit == '0') return MonthStyle::number;
  if (digit == '1') return MonthStyle::long_name;
  return MonthStyle::short_name;
}

size_t utf8_length_at(const std::string &text, size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  size_t n = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  size_t end = i + 1;
  while (end < text.size() && end < i + n && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
    ++end;
  return end - i;
}

}  // namespace

std::string qv_text_expand_placeholders(const std::string &text, const QVdtfNumbers &date,
                                        const QVmonthNames &names) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '%' || i + 1 == text.size()) {
      out += text[i++];
      continue;
    }
    size_t at = i + 1;
    const char first = text[at];
    MonthStyle style = MonthStyle::short_name;
    if (g_ascii_isdigit(first) && at + 1 < text.size() &&
        (text[at + 1] == 'D' || text[at + 1] == 'm')) {
      style = style_of_digit(first);
      ++at;
    }
    switch (text[at]) {
      case 'D':
        out += full_date(date, style, names);
        break;
      case 'm':
        out += month_text(date, style, names);
        break;
      case 'y':
        out += qv_compact_number(date.year);
        break;
      case 'd':
        out += whole_number(date.day);
        break;
      default: {
        const size_t length = utf8_length_at(text, at);
        out.append(text, at, length);
        i = at + length;
        continue;
      }
    }
    i = at + 1;
  }
  return out;
}
