#include "core/qv_dates.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

QVdtfNumbers date(double day, double month, double year) {
  QVdtfNumbers d;
  d.day = day;
  d.month = month;
  d.year = year;
  d.valid = 1;
  return d;
}

void expect_date(const QVdtfNumbers &d, double day, double month, double year) {
  EXPECT_EQ(d.day, day);
  EXPECT_EQ(d.month, month);
  EXPECT_EQ(d.year, year);
}

QVdtfParsed parse(const std::string &text) { return qv_dtf_parse(text.c_str(), -1); }

}  // namespace

// --- Stored record ---------------------------------------------------------------

TEST(DatesRecord, BytesAreTenHostOrderDoublesValidAndAZeroFiller) {
  QVdtfNumbers r = date(27, 3, -2007.5);
  for (std::size_t i = 0; i < QV_DTF_FURTHER_COUNT; ++i) r.further[i] = 100.0 + i;
  const auto bytes = qv_dtf_to_bytes(r);

  std::vector<double> numbers(10);
  std::memcpy(numbers.data(), bytes.data(), 80);
  EXPECT_EQ(numbers, (std::vector<double>{-2007.5, 3, 27, 100, 101, 102, 103, 104, 105, 106}));
  std::int32_t valid = 0, filler = -1;
  std::memcpy(&valid, bytes.data() + 80, 4);
  std::memcpy(&filler, bytes.data() + 84, 4);
  EXPECT_EQ(valid, 1);
  EXPECT_EQ(filler, 0);

  const QVdtfNumbers back = qv_dtf_from_bytes(bytes.data(), bytes.size());
  expect_date(back, 27, 3, -2007.5);
  EXPECT_EQ(back.further, r.further);
  EXPECT_EQ(back.valid, 1);
}

TEST(DatesRecord, ShortOrMissingDataReadsAsZerosAndLongDataIsCut) {
  const auto bytes = qv_dtf_to_bytes(date(1, 2, 2003));
  for (const std::size_t size : {std::size_t{0}, std::size_t{8}, std::size_t{87}}) {
    const QVdtfNumbers r = qv_dtf_from_bytes(bytes.data(), size);
    expect_date(r, 0, 0, 0);
    EXPECT_EQ(r.valid, 0) << size;
  }
  expect_date(qv_dtf_from_bytes(nullptr, 88), 0, 0, 0);

  std::vector<std::uint8_t> longer(bytes.begin(), bytes.end());
  longer.resize(200, 0xFF);
  const QVdtfNumbers r = qv_dtf_from_bytes(longer.data(), longer.size());
  expect_date(r, 1, 2, 2003);
  EXPECT_EQ(r.valid, 1);
}

TEST(DatesRecord, MergeTakesMaskedNumbersAndAlwaysValidFromTheGivenRecord) {
  QVdtfNumbers stored = date(1, 2, 2003);
  stored.further = {1, 2, 3, 4, 5, 6, 7};
  QVdtfNumbers given = date(9, 9, 1999);
  given.further = {-1, -2, -3, -4, -5, -6, -7};
  given.valid = 0;

  QVdtfNumbers r = qv_dtf_merge(stored, QV_DTF_YEAR | QV_DTF_DAY | qv_dtf_further_bit(6), given);
  expect_date(r, 9, 2, 1999);
  EXPECT_EQ(r.further, (std::array<double, 7>{1, 2, 3, 4, 5, 6, -7}));
  EXPECT_EQ(r.valid, 0);

  EXPECT_EQ(qv_dtf_further_bit(0), 0x08u);
  EXPECT_EQ(qv_dtf_further_bit(6), 0x200u);
  r = qv_dtf_merge(stored, QV_DTF_ALL, given);
  EXPECT_EQ(r.further, given.further);
  r = qv_dtf_merge(stored, 0, given);
  expect_date(r, 1, 2, 2003);
}

// --- Validation ------------------------------------------------------------------

TEST(DatesValidate, TwentyNinthOfFebruaryFollowsJulianAndGregorianRules) {
  EXPECT_EQ(qv_dtf_validate(date(29, 2, 1900)).day, 28);
  EXPECT_EQ(qv_dtf_validate(date(29, 2, 2000)).day, 29);
  EXPECT_EQ(qv_dtf_validate(date(29, 2, 1500)).day, 29);  // Julian: every fourth year
  EXPECT_EQ(qv_dtf_validate(date(29, 2, 2004)).day, 29);
  EXPECT_EQ(qv_dtf_validate(date(29, 2, 2001)).day, 28);
  EXPECT_EQ(qv_dtf_validate(date(29, 2, -44)).day, 29);
  EXPECT_EQ(qv_dtf_validate(date(29, 2, -100)).day, 28);  // before the calendar existed
  // The leap rule looks at the year rounded down.
  EXPECT_EQ(qv_dtf_validate(date(29, 2, 2000.9)).day, 29);
  EXPECT_EQ(qv_dtf_validate(date(31, 2, 2001)).day, 28);
}

TEST(DatesValidate, MonthAndDayAreCutAndRoundedDown) {
  expect_date(qv_dtf_validate(date(5, 1.9, 2000)), 5, 1, 2000);
  expect_date(qv_dtf_validate(date(5, 13, 2000)), 5, 12, 2000);
  expect_date(qv_dtf_validate(date(5, -1, 2000)), 0, 0, 2000);
  expect_date(qv_dtf_validate(date(40, 4, 2000)), 30, 4, 2000);
  expect_date(qv_dtf_validate(date(0.5, 4, 2000)), 0, 4, 2000);
  expect_date(qv_dtf_validate(date(3.7, 4, 1999.99)), 3, 4, 1999);
  expect_date(qv_dtf_validate(date(3, 4, -0.5)), 3, 4, -1);

  QVdtfNumbers r = date(1, 1, 1);
  r.valid = 0;
  r.further[3] = 4.5;
  r = qv_dtf_validate(r);
  EXPECT_EQ(r.valid, 1);
  EXPECT_EQ(r.further[3], 4.5);
}

TEST(DatesValidate, NonNumbersAndHugeValuesStayDefined) {
  expect_date(qv_dtf_validate(date(5, kNaN, 2000)), 0, 0, 2000);
  expect_date(qv_dtf_validate(date(kNaN, 3, 2000)), 0, 3, 2000);
  expect_date(qv_dtf_validate(date(kInf, kInf, kNaN)), 31, 12, 0);
  expect_date(qv_dtf_validate(date(1e300, 1e300, -kInf)), 31, 12, 0);
  // Large whole years still follow the leap rule exactly.
  expect_date(qv_dtf_validate(date(29, 2, 1e20)), 29, 2, 1e20);
  EXPECT_FALSE(qv_dtf_is_leap_year(kNaN));
}

// --- Interpolation ---------------------------------------------------------------

TEST(DatesInterpolate, DaysRunLinearlyOverTheCalendar) {
  expect_date(qv_dtf_interpolate(QV_DTF_DATE, date(1, 1, 2000), date(1, 1, 2010), 0.5), 1, 1, 2005);
  // A year is 365.25 days: halfway through 2001 is early July.
  expect_date(qv_dtf_interpolate(QV_DTF_DATE, date(1, 1, 2001), date(1, 1, 2002), 0.5), 2, 7, 2001);
  // t is cut to 0..1 (NaN counts as 0).
  expect_date(qv_dtf_interpolate(QV_DTF_DATE, date(1, 1, 2000), date(1, 1, 2010), 7), 1, 1, 2010);
  expect_date(qv_dtf_interpolate(QV_DTF_DATE, date(1, 1, 2000), date(1, 1, 2010), -1), 1, 1, 2000);
  expect_date(qv_dtf_interpolate(QV_DTF_DATE, date(1, 1, 2000), date(1, 1, 2010), kNaN), 1, 1,
              2000);
}

TEST(DatesInterpolate, EndpointsGiveBackTheirDates) {
  const std::vector<QVdtfNumbers> dates = {date(1, 1, 2000),  date(29, 2, 2000),  date(1, 3, 2000),
                                           date(28, 2, 2001), date(31, 12, 2007), date(15, 8, -40),
                                           date(30, 6, 1582), date(31, 1, 0)};
  const QVdtfNumbers other = date(10, 10, 1990);
  for (const auto &d : dates) {
    SCOPED_TRACE(std::to_string(d.day) + "." + std::to_string(d.month) + "." +
                 std::to_string(d.year));
    expect_date(qv_dtf_interpolate(QV_DTF_DATE, d, other, 0), d.day, d.month, d.year);
    expect_date(qv_dtf_interpolate(QV_DTF_DATE, other, d, 1), d.day, d.month, d.year);
  }
}

TEST(DatesInterpolate, CoarserDatesUseMonthsOrYears) {
  // Years only.
  expect_date(qv_dtf_interpolate(QV_DTF_DATE, date(0, 0, 1990), date(0, 0, 2000), 0.25), 0, 0,
              1992);
  expect_date(qv_dtf_interpolate(QV_DTF_DATE, date(0, 0, -10), date(0, 0, 10), 0.49), 0, 0, -1);
  // Months: Nov 2006 to Mar 2007 halfway is January.
  expect_date(qv_dtf_interpolate(QV_DTF_DATE, date(0, 11, 2006), date(0, 3, 2007), 0.5), 0, 1,
              2007);
  // A year without month counts from January.
  expect_date(qv_dtf_interpolate(QV_DTF_DATE, date(0, 0, 2000), date(0, 5, 2000), 0.5), 0, 3, 2000);
  // One complete date: the other counts from its first day.
  expect_date(qv_dtf_interpolate(QV_DTF_DATE, date(0, 0, 2000), date(11, 1, 2000), 0.5), 6, 1,
              2000);
  // A mask without the day bit stays at month level even for complete dates.
  expect_date(
      qv_dtf_interpolate(QV_DTF_YEAR | QV_DTF_MONTH, date(20, 1, 2000), date(20, 5, 2000), 0.5), 20,
      3, 2000);
}

TEST(DatesInterpolate, MaskSelectsNumbersAndTheRestComesFromTheFirstDate) {
  QVdtfNumbers d0 = date(1, 1, 2000), d1 = date(1, 1, 2010);
  d0.further = {0, 10, 0, 0, 0, 0, 7};
  d1.further = {0, 20, 0, 0, 0, 0, 9};
  d0.valid = 0;
  QVdtfNumbers r = qv_dtf_interpolate(QV_DTF_YEAR | qv_dtf_further_bit(1), d0, d1, 0.5);
  expect_date(r, 1, 1, 2005);
  EXPECT_EQ(r.further[1], 15);
  EXPECT_EQ(r.further[6], 7);
  EXPECT_EQ(r.valid, 1);
}

TEST(DatesInterpolate, HugeAndNonNumberDatesStayDefined) {
  // Too far out to count in days: falls back to years.
  const QVdtfNumbers far =
      qv_dtf_interpolate(QV_DTF_DATE, date(1, 1, 1e308), date(1, 1, -1e308), 0.5);
  EXPECT_TRUE(std::isfinite(far.year));
  EXPECT_TRUE(far.month == 0 || (far.month >= 1 && far.month <= 12));
  const QVdtfNumbers nan =
      qv_dtf_interpolate(QV_DTF_DATE, date(kNaN, kNaN, kNaN), date(kNaN, 2, kInf), 0.5);
  EXPECT_TRUE(std::isfinite(nan.year));
  EXPECT_GE(nan.month, 1);
  EXPECT_LE(nan.month, 12);
}

// --- Reading dates ---------------------------------------------------------------

TEST(DatesParse, PromisedFormsGiveDayMonthYear) {
  for (const char *text : {"27. 3. 2007", "27 3 2007", "27. Mar. 2007", "27 Mar 2007", "27Mar2007",
                           "27 M\xC3\xA4rz 2007", "Mar. 27. 2007", "Mar 27 2007",
                           "M\xC3\xA4rz 27 2007", "  27.3.2007", "27 MARCH 2007"}) {
    SCOPED_TRACE(text);
    const QVdtfParsed p = parse(text);
    EXPECT_TRUE(p.found);
    expect_date(p.date, 27, 3, 2007);
    EXPECT_EQ(p.date.valid, 1);
    EXPECT_EQ(p.end, std::strlen(text));
  }
}

TEST(DatesParse, ShorterFormsAndNoDate) {
  QVdtfParsed p = parse("Mar 2007");
  expect_date(p.date, 0, 3, 2007);
  p = parse("3 2007");
  expect_date(p.date, 0, 3, 2007);
  p = parse("2007");
  expect_date(p.date, 0, 0, 2007);
  p = parse("27 Mar");
  expect_date(p.date, 27, 3, 0);
  p = parse("Aug. -40");
  expect_date(p.date, 0, 8, -40);

  for (const char *text : {"#x", "  # 2007", "", "   ", ";2007"}) {
    SCOPED_TRACE(text);
    p = parse(text);
    EXPECT_FALSE(p.found);
    EXPECT_EQ(p.date.valid, 0);
    expect_date(p.date, 0, 0, 0);
  }
  EXPECT_EQ(parse("#x").end, 0u);
  EXPECT_FALSE(qv_dtf_parse(nullptr, -1).found);
}

TEST(DatesParse, SemicolonEndsADateAndTheNextOneFollows) {
  const std::string text = "27. 1. 2007; Aug. -40";
  const QVdtfParsed first = parse(text);
  expect_date(first.date, 27, 1, 2007);
  ASSERT_EQ(first.end, text.find(';') + 1);
  const QVdtfParsed second = qv_dtf_parse(text.c_str() + first.end, -1);
  EXPECT_TRUE(second.found);
  expect_date(second.date, 0, 8, -40);
  EXPECT_EQ(first.end + second.end, text.size());

  // Items beyond three are passed over up to the ";"; "#" ends without being
  // consumed, so nothing follows it.
  const QVdtfParsed extra = parse("1 2 2003 4 5; 2010");
  expect_date(extra.date, 1, 2, 2003);
  EXPECT_EQ(extra.end, 13u);
  const QVdtfParsed comment = parse("2007 # 2010");
  expect_date(comment.date, 0, 0, 2007);
  EXPECT_EQ(comment.end, 5u);
}

TEST(DatesParse, MultipliersAndDecimals) {
  expect_date(parse("12Tsd").date, 0, 0, 12000);
  expect_date(parse("-1.5Mrd").date, 0, 0, -1.5e9);
  expect_date(parse("Mar. 2Mio. ").date, 0, 3, 2e6);
  expect_date(parse("3 4Tsd.").date, 0, 3, 4000);
  expect_date(parse("2007.5").date, 0, 0, 2007.5);
  // No hex, exponents or "inf" sneak in through the number reader.
  // "0", the word "x", then 10.
  expect_date(parse("0x10").date, 0, 0, 10);
  expect_date(parse("2e3").date, 2, 0, 3);
}

TEST(DatesParse, LengthBoundsTheText) {
  const char text[] = {'2', '7', ' ', '3', ' ', '2', '0', '0', '7'};  // no NUL
  QVdtfParsed p = qv_dtf_parse(text, sizeof text);
  expect_date(p.date, 27, 3, 2007);
  EXPECT_EQ(p.end, sizeof text);
  p = qv_dtf_parse(text, 4);
  expect_date(p.date, 0, 27, 3);
  // A NUL inside the length ends the text.
  p = qv_dtf_parse("2007\0 5 6", 9);
  expect_date(p.date, 0, 0, 2007);
  EXPECT_EQ(p.end, 4u);
  // Cut inside "ä": the broken byte is no letter and the word is "M".
  p = qv_dtf_parse("M\xC3\xA4rz 2007", 2);
  EXPECT_TRUE(p.found);
  EXPECT_EQ(p.date.month, 0);
}

TEST(DatesParse, HugeNumbersAndBrokenBytesAreHarmless) {
  const std::string digits(400, '9');
  const QVdtfParsed p = parse(digits);
  EXPECT_TRUE(p.found);
  EXPECT_TRUE(std::isinf(p.date.year));
  EXPECT_EQ(qv_dtf_validate(p.date).year, 0);
  const QVdtfParsed broken = parse("\xFF\xFE 27 \xC3 3 2007");
  expect_date(broken.date, 27, 3, 2007);
}

TEST(DatesMonthNumber, WordsInEnglishAndGermanAnyCase) {
  const std::vector<std::pair<const char *, int>> cases = {{"Jan", 1},
                                                           {"february", 2},
                                                           {"M\xC3\xA4rz", 3},
                                                           {"M\xC3\x84RZ", 3},
                                                           {"Maerz", 3},
                                                           {"march", 3},
                                                           {"Ma\xCC\x88rz", 3},  // decomposed ä
                                                           {"Mai", 5},
                                                           {"MAY", 5},
                                                           {"Okt.", 10},
                                                           {"October", 10},
                                                           {"Dez", 12},
                                                           {"dec", 12},
                                                           {"  sep", 9},
                                                           {"7", 7},
                                                           {"07x", 7},
                                                           {"12", 12},
                                                           {"13", 0},
                                                           {"0", 0},
                                                           {"99999999999999", 0},
                                                           {"Ma", 0},
                                                           {"", 0},
                                                           {"Tsd", 0},
                                                           {"\xFF\xFE", 0}};
  for (const auto &[word, month] : cases) EXPECT_EQ(qv_month_number(word), month) << word;
  EXPECT_EQ(qv_month_number(static_cast<const char *>(nullptr)), 0);
}

// --- Month names -----------------------------------------------------------------

TEST(DatesMonthNames, DefaultsAndNumbersThatAreNoMonth) {
  const QVmonthNames names = qv_month_names_default();
  EXPECT_EQ(qv_month_name(1, QVmonthForm::long_name, names), "January");
  EXPECT_EQ(qv_month_name(12.99, QVmonthForm::long_name, names), "December");
  EXPECT_EQ(qv_month_name(6, QVmonthForm::short_name, names), "June");
  EXPECT_EQ(qv_month_name(9, QVmonthForm::short_name, names), "Sep.");
  EXPECT_EQ(qv_month_name(13, QVmonthForm::long_name, names), "13");
  EXPECT_EQ(qv_month_name(0.7, QVmonthForm::long_name, names), "1");
  EXPECT_EQ(qv_month_name(-0.2, QVmonthForm::long_name, names), "0");
  EXPECT_EQ(qv_month_name(-3, QVmonthForm::long_name, names), "-3");
  EXPECT_EQ(qv_month_name(1e300, QVmonthForm::long_name, names).size(), 301u);
  EXPECT_EQ(qv_month_name(kNaN, QVmonthForm::long_name, names), "nan");
}

TEST(DatesMonthNames, StoredListsReplaceDefaultsOnlyWithTwelveNames) {
  const std::string german =
      "Januar\tFebruar\tM\xC3\xA4rz\tApril\tMai\tJuni\tJuli\tAugust\tSeptember\tOktober\t"
      "November\tDezember";
  const QVmonthNames names = qv_month_names_from_texts(german, std::nullopt);
  EXPECT_EQ(qv_month_name(3, QVmonthForm::long_name, names), "M\xC3\xA4rz");
  EXPECT_EQ(qv_month_name(3, QVmonthForm::short_name, names), "Mar.");

  const std::string eleven = german.substr(0, german.rfind('\t'));
  for (const std::string &bad : {eleven, german + "\tExtra", std::string(), std::string("x"),
                                 german.substr(0, 20) + "\xFF" + german.substr(20)}) {
    EXPECT_FALSE(qv_month_list_from_text(bad)) << bad;
    const QVmonthNames kept = qv_month_names_from_texts(bad, bad);
    EXPECT_EQ(kept.long_names, qv_month_names_default().long_names);
    EXPECT_EQ(kept.short_names, qv_month_names_default().short_names);
  }
  // Empty names still count, so the list lines up with the months.
  const auto blanks = qv_month_list_from_text(std::string(11, '\t'));
  ASSERT_TRUE(blanks);
  EXPECT_EQ((*blanks)[11], "");
}

// --- Numbers ---------------------------------------------------------------------

TEST(DatesCompactNumber, SuffixesByMagnitude) {
  const std::vector<std::pair<double, const char *>> cases = {{0, "0"},
                                                              {-0.3, "0"},
                                                              {9949, "9949"},
                                                              {9949.6, "9950"},
                                                              {9950, "10Tsd"},
                                                              {9999, "10Tsd"},
                                                              {12345, "12Tsd"},
                                                              {-12345, "-12Tsd"},
                                                              {999999, "1000Tsd"},
                                                              {1e6, "1.0Mio"},
                                                              {1500000, "1.5Mio"},
                                                              {-1500000, "-1.5Mio"},
                                                              {9949999, "9.9Mio"},
                                                              {9950000, "10Mio"},
                                                              {1e9, "1.0Mrd"},
                                                              {2.5e9, "2.5Mrd"},
                                                              {9.95e9, "10Mrd"},
                                                              {-7.3e10, "-73Mrd"},
                                                              {1e15, "1000000Mrd"}};
  for (const auto &[value, text] : cases) EXPECT_EQ(qv_compact_number(value), text) << value;
  EXPECT_EQ(qv_compact_number(kInf), "inf");
  EXPECT_EQ(qv_compact_number(-kInf), "-inf");
  EXPECT_EQ(qv_compact_number(kNaN), "nan");
  EXPECT_FALSE(qv_compact_number(1e308).empty());
}

// A German desktop prints "1,5"; the suite's texts must not.
TEST(DatesLocale, CommaLocaleChangesNeitherPrintingNorReading) {
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  const char *found = nullptr;
  for (const char *name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8"}) {
    if (std::setlocale(LC_NUMERIC, name)) {
      found = name;
      break;
    }
  }
  if (!found) GTEST_SKIP() << "no comma-decimal locale installed";
  char probe[16];
  std::snprintf(probe, sizeof probe, "%0.1f", 1.5);
  const std::string printed = probe;

  EXPECT_EQ(qv_compact_number(1500000), "1.5Mio");
  EXPECT_EQ(qv_compact_number(2.5e9), "2.5Mrd");
  expect_date(parse("1.5Tsd").date, 0, 0, 1500);
  expect_date(parse("2007.5").date, 0, 0, 2007.5);
  // With a comma the number ends before it, as in the C locale.
  expect_date(parse("1,5Tsd").date, 0, 1, 5000);
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(printed, "1,5") << found << " is not a comma locale";
}
