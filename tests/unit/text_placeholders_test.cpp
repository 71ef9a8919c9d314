#include "core/qv_text_placeholders.h"

#include <gtest/gtest.h>

#include <string>

namespace {

QVdtfNumbers date(double day, double month, double year) {
  QVdtfNumbers d;
  d.day = day;
  d.month = month;
  d.year = year;
  d.valid = 1;
  return d;
}

std::string expand(const std::string &text, const QVdtfNumbers &d) {
  return qv_text_expand_placeholders(text, d, qv_month_names_default());
}

}  // namespace

TEST(TextPlaceholders, FullDateInItsThreeMonthForms) {
  const QVdtfNumbers d = date(27, 3, 2007);
  EXPECT_EQ(expand("%D", d), "27. Mar. 2007");
  EXPECT_EQ(expand("%0D", d), "27. 3.2007");
  EXPECT_EQ(expand("%1D", d), "27. March 2007");
  EXPECT_EQ(expand("on %D!", date(1, 12, 12345)), "on 1. Dec. 12Tsd!") << "year in compact form";
}

TEST(TextPlaceholders, PartsOfTheDate) {
  const QVdtfNumbers d = date(5, 11, 1999);
  EXPECT_EQ(expand("%y", d), "1999");
  EXPECT_EQ(expand("%m", d), "Nov.");
  EXPECT_EQ(expand("%0m", d), "11");
  EXPECT_EQ(expand("%1m", d), "November");
  EXPECT_EQ(expand("%d", d), "5");
  EXPECT_EQ(expand("%d.%0m.%y", d), "5.11.1999");
}

TEST(TextPlaceholders, UnknownDayOrMonthIsLeftOut) {
  EXPECT_EQ(expand("%D", date(0, 3, 2007)), "Mar. 2007");
  EXPECT_EQ(expand("%0D", date(0, 3, 2007)), "3.2007");
  EXPECT_EQ(expand("%D", date(0, 0, 2007)), "2007");
  EXPECT_EQ(expand("%D", date(15, 0, 2007)), "2007") << "a day without its month is not printed";
  EXPECT_EQ(expand("%m", date(0, 0, 2007)), "0") << "no month name: the number";
  EXPECT_EQ(expand("%D", date(0, 0, -44)), "-44");
}

TEST(TextPlaceholders, OtherCharactersAfterThePercentSign) {
  const QVdtfNumbers d = date(27, 3, 2007);
  EXPECT_EQ(expand("100%%", d), "100%");
  EXPECT_EQ(expand("%x%Y", d), "xY");
  EXPECT_EQ(expand("%\xC3\xA9t\xC3\xA9", d), "\xC3\xA9t\xC3\xA9") << "a whole UTF-8 character";
  EXPECT_EQ(expand("50%", d), "50%") << "a trailing percent sign stays";
  EXPECT_EQ(expand("%0d %5y", d), "0d 5y") << "digits count only before D and m";
}

TEST(TextPlaceholders, OtherDigitsActAsNone) {
  const QVdtfNumbers d = date(27, 3, 2007);
  EXPECT_EQ(expand("%5D", d), expand("%D", d));
  EXPECT_EQ(expand("%9m", d), "Mar.");
}

TEST(TextPlaceholders, UserMonthNamesAreUsed) {
  QVmonthNames names = qv_month_names_default();
  names.short_names[2] = "Mrz";
  names.long_names[2] = "M\xC3\xA4rz";
  const QVdtfNumbers d = date(1, 3, 2020);
  EXPECT_EQ(qv_text_expand_placeholders("%D|%1m", d, names), "1. Mrz 2020|M\xC3\xA4rz");
}

TEST(TextPlaceholders, TextWithoutPlaceholdersIsUnchanged) {
  const QVdtfNumbers d = date(27, 3, 2007);
  for (const std::string text : {"", "Hello, world", "D m y d", "\xC3\xA4\xC3\xB6\xC3\xBC"})
    EXPECT_EQ(expand(text, d), text);
}
