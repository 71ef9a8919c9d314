#include "core/qv_date_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

TEST(DateText, TwoDatesInterpolateFromTheFirstToTheSecond) {
  const char *text = "27. 1. 2007; Aug. -40";
  const auto at0 = qv_dtf_from_text(text, 0.0);
  ASSERT_TRUE(at0);
  EXPECT_EQ(at0->day, 27);
  EXPECT_EQ(at0->month, 1);
  EXPECT_EQ(at0->year, 2007);
  EXPECT_EQ(at0->valid, 1);

  const auto at1 = qv_dtf_from_text(text, 1.0);
  ASSERT_TRUE(at1);
  EXPECT_EQ(at1->month, 8);
  EXPECT_EQ(at1->year, -40);

  // Halfway between the years 1990 and 2000: no months, so years alone.
  const auto years = qv_dtf_from_text("1990; 2000", 0.25);
  ASSERT_TRUE(years);
  EXPECT_EQ(years->year, 1992);
  EXPECT_EQ(years->month, 0);
  EXPECT_EQ(years->day, 0);
}

TEST(DateText, ALoneDateHoldsAtEveryT) {
  for (double t : {0.0, 0.6, 1.0}) {
    const auto d = qv_dtf_from_text("Mar 2007", t);
    ASSERT_TRUE(d) << t;
    EXPECT_EQ(d->month, 3) << t;
    EXPECT_EQ(d->year, 2007) << t;
    EXPECT_EQ(d->day, 0) << t;
  }
  // A second part that holds no date is no second date.
  const auto d = qv_dtf_from_text("5. 6. 2001; #", 0.5);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->year, 2001);
}

TEST(DateText, TextWithoutADateGivesNone) {
  EXPECT_FALSE(qv_dtf_from_text(nullptr, 0.5));
  EXPECT_FALSE(qv_dtf_from_text("", 0.5));
  EXPECT_FALSE(qv_dtf_from_text("# 2007", 0.5));
  EXPECT_FALSE(qv_dtf_from_text("   ", 0.5));
}

TEST(MonthListFromUser, GivenNamesReplaceDefaultsFromTheStart) {
  const QVmonthList list = qv_month_list_from_user("Januar; Februar", QVmonthForm::long_name);
  EXPECT_EQ(list[0], "Januar");
  EXPECT_EQ(list[1], "Februar");
  EXPECT_EQ(list[2], "March");
  EXPECT_EQ(list[11], "December");
  EXPECT_EQ(qv_month_list_join(list, "; "),
            "Januar; Februar; March; April; May; June; July; August; September; October; "
            "November; December");
}

TEST(MonthListFromUser, EmptyPiecesKeepTheDefaultAndExtrasAreIgnored) {
  const QVmonthList list =
      qv_month_list_from_user("  ;Feb ;;\tApr\t;a;b;c;d;e;f;g;h;ignored", QVmonthForm::short_name);
  EXPECT_EQ(list[0], "Jan.");
  EXPECT_EQ(list[1], "Feb");
  EXPECT_EQ(list[2], "Mar.");
  EXPECT_EQ(list[3], "Apr");
  EXPECT_EQ(list[11], "h");
  EXPECT_EQ(qv_month_list_join(qv_month_list_from_user("", QVmonthForm::short_name), "; "),
            "Jan.; Feb.; Mar.; Apr.; May; June; July; Aug.; Sep.; Oct.; Nov.; Dec.");
}

TEST(MonthListFromUser, StoredListAlwaysReadsBackAsTwelveNames) {
  // A tab inside a name and broken UTF-8 would make the stored list unreadable.
  const QVmonthList list =
      qv_month_list_from_user("Jan\tuar; F\xC3\xA9vrier; M\xFFrz", QVmonthForm::long_name);
  EXPECT_EQ(list[0], "Jan uar");
  EXPECT_EQ(list[1], "F\xC3\xA9vrier");
  const auto back = qv_month_list_from_text(qv_month_list_join(list, "\t"));
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, list);
}

TEST(FadeFraction, PercentIsCutToZeroToOne) {
  EXPECT_EQ(qv_fade_fraction(150), 1.0);
  EXPECT_EQ(qv_fade_fraction(-5), 0.0);
  EXPECT_DOUBLE_EQ(qv_fade_fraction(40), 0.4);
  EXPECT_EQ(qv_fade_fraction(std::numeric_limits<double>::quiet_NaN()), 1.0);
  EXPECT_EQ(qv_fade_fraction(std::numeric_limits<double>::infinity()), 1.0);
}

}  // namespace
