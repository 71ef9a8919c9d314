// Calendar dates for animations and number texts: the date record an image
// carries, calendar arithmetic (validation, interpolation between two dates),
// reading dates written by people ("27. 3. 2007", "Mar 2007"), month names
// and the compact number format ("12Tsd", "1.5Mio").
//
// Pure logic over GLib: no GIMP, no GTK. Everything here is locale
// independent: numbers are read with g_ascii_strtod and printed with "."
// whatever LC_NUMERIC says.
//
// Values come from parasites and scripts, so any double may arrive: NaN,
// infinities and huge numbers give odd dates but never undefined behaviour.
#pragma once

#include <glib.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The stored record is exactly this many host-order bytes: year, month, day,
// the seven further numbers (doubles), valid (int32) and an int32 filler.
constexpr std::size_t QV_DTF_BYTES = 88;
constexpr std::size_t QV_DTF_FURTHER_COUNT = 7;

// Mask bits selecting numbers of the record (store, interpolate).
constexpr std::uint32_t QV_DTF_YEAR = 0x01;
constexpr std::uint32_t QV_DTF_MONTH = 0x02;
constexpr std::uint32_t QV_DTF_DAY = 0x04;
constexpr std::uint32_t QV_DTF_DATE = QV_DTF_YEAR | QV_DTF_MONTH | QV_DTF_DAY;
constexpr std::uint32_t QV_DTF_ALL = 0x3FF;

// Bit of further number i (0..6): 0x08 for the first, 0x200 for the last.
constexpr std::uint32_t qv_dtf_further_bit(std::size_t i) { return 0x08u << i; }

struct QVdtfNumbers {
  double year = 0;   // may be negative (before the common era)
  double month = 0;  // 1..12; 0: no month and no day
  double day = 0;    // 1..31; 0: no day
  // Stored and copied by mask, never interpreted here.
  std::array<double, QV_DTF_FURTHER_COUNT> further{};
  std::int32_t valid = 0;  // 1 when the record holds a parsed or computed date
};

// --- Stored record -----------------------------------------------------------

std::array<std::uint8_t, QV_DTF_BYTES> qv_dtf_to_bytes(const QVdtfNumbers &record);

// Data shorter than QV_DTF_BYTES (or null) is not a record: it reads as
// missing, i.e. all zeros with valid 0, exactly as an absent parasite.
// Bytes beyond QV_DTF_BYTES are ignored.
QVdtfNumbers qv_dtf_from_bytes(const void *data, std::size_t size);

// What storing `given` under `mask` leaves in the image: the numbers whose
// mask bit is set come from `given`, the others stay as `stored` had them;
// valid always comes from `given`.
QVdtfNumbers qv_dtf_merge(const QVdtfNumbers &stored, std::uint32_t mask,
                          const QVdtfNumbers &given);

// --- Calendar ----------------------------------------------------------------

// Whether 29 February exists in the year: never before -46; Gregorian rule
// after 1582 (centuries only when divisible by 400); Julian rule otherwise.
bool qv_dtf_is_leap_year(double year);

// Month cut to 1..12 and rounded down (below 1 or NaN: no month, no day);
// day cut to 1..the month's length and rounded down (below 1: no day);
// 29 February outside leap years becomes 28; the year is rounded down (a
// non-finite year becomes 0). valid is set to 1; further numbers are kept.
QVdtfNumbers qv_dtf_validate(const QVdtfNumbers &record);

// The date at t (cut to 0..1) between date0 and date1. The numbers selected
// by `mask` are computed, all others are copied from date0; valid is 1.
//
// Calendar numbers are computed together, at the finest level both the mask
// and the dates allow, and then only the masked ones are taken:
// - day level (day bit, at least one date with month and day): linear in
//   days, a year counting 365.25 days; of the other date, a missing day
//   counts as the first of its month and a missing month as January;
// - month level (month or day bit, either date has a month): linear in
//   months; the day is 0; a date without month counts from January;
// - year level: the year linearly, rounded down; month and day are 0.
// Dates too far out to count in days or months fall back to a coarser level.
// Further numbers selected by the mask are interpolated linearly.
QVdtfNumbers qv_dtf_interpolate(std::uint32_t mask, const QVdtfNumbers &date0,
                                const QVdtfNumbers &date1, double t);

// --- Reading dates -----------------------------------------------------------

struct QVdtfParsed {
  QVdtfNumbers date;    // valid 1 when found
  std::size_t end = 0;  // byte offset after the date (after its ";")
  bool found = false;
};

// Reads one date from the first `length` bytes of text (-1: up to the NUL;
// a NUL inside `length` ends the text too). Up to three items: numbers
// (a directly following "Tsd", "Mio" or "Mrd" multiplies by 10^3, 10^6,
// 10^9) and month words. Forms: "27. 3. 2007", "27 Mar 2007", "27Mar2007",
// "Mar. 27. 2007", "Mar 2007", "27 Mar", "2007", also "27.3.2007". The date
// ends at ";" (consumed, so another date may follow) or "#" (not consumed);
// a text beginning with "#" holds no date.
QVdtfParsed qv_dtf_parse(const char *text, gssize length);

// Month of a word: a leading number 1..12 is taken as it is, otherwise the
// first letters in English or German ("jan", "mär"/"mar"/"maer", "mai"/"may",
// "okt"/"oct", "dez"/"dec", ...), in any case. 0 when it names no month.
int qv_month_number(std::string_view word);
int qv_month_number(const char *word);  // null: 0

// --- Month names -------------------------------------------------------------

using QVmonthList = std::array<std::string, 12>;

struct QVmonthNames {
  QVmonthList long_names;
  QVmonthList short_names;
};

enum class QVmonthForm { long_name, short_name };

// "January" ... and "Jan." ...
QVmonthNames qv_month_names_default();

// A stored list: twelve names separated by tabs. Anything else (another
// count, text that is not UTF-8) is no list.
std::optional<QVmonthList> qv_month_list_from_text(std::string_view text);

// The lists in use when the long and short texts are stored (none: absent):
// a text that is no list leaves the default in place.
QVmonthNames qv_month_names_from_texts(const std::optional<std::string> &long_text,
                                       const std::optional<std::string> &short_text);

// The name of the month whose integer part is 1..12; any other value printed
// as a whole number ("%0.0f").
std::string qv_month_name(double number, QVmonthForm form, const QVmonthNames &lists);

// --- Numbers -----------------------------------------------------------------

// Short form of a count: "9949", "12Tsd", "1.5Mio", "25Mrd"; one decimal only
// where the whole number would have a single digit.
std::string qv_compact_number(double value);
