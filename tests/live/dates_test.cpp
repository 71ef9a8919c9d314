// The date record on real images and the month names from GIMP-wide
// parasites.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "gimp/base/qv_parasite.h"
#include "gimp/style/qv_dates_gimp.h"
#include "live_support.h"

namespace {

const std::string kGerman =
    "Januar\tFebruar\tM\xC3\xA4rz\tApril\tMai\tJuni\tJuli\tAugust\tSeptember\tOktober\t"
    "November\tDezember";

QVdtfNumbers record(double day, double month, double year, double further0) {
  QVdtfNumbers r;
  r.day = day;
  r.month = month;
  r.year = year;
  r.further[0] = further0;
  r.valid = 1;
  return r;
}

// Sets a GIMP-wide parasite for one test and puts back what was there before,
// also when an assertion ends the test early. The kept month names are
// dropped both ways, so no other test sees this test's names.
struct QVGlobalParasiteScope {
  std::string name;
  qv_parasite_ptr saved;
  explicit QVGlobalParasiteScope(const char *n) : name(n), saved(gimp_get_parasite(n)) {
    qv_month_names_forget();
  }
  ~QVGlobalParasiteScope() {
    if (saved)
      gimp_attach_parasite(saved.get());
    else
      gimp_detach_parasite(name.c_str());
    qv_month_names_forget();
  }
  void set(const std::string &text) const {
    const qv_parasite_ptr p(gimp_parasite_new(name.c_str(), 0, text.size() + 1, text.c_str()));
    gimp_attach_parasite(p.get());
  }
};

}  // namespace

TEST(DatesLive, StoreKeepsUnmaskedNumbersInAnEightyEightByteParasite) {
  QVTestImage image;
  gimp_image_clean_all(image.id);
  ASSERT_TRUE(qv_dtf_store_date(image.id, QV_DTF_ALL, record(27, 3, 2007, 5)));

  qv_parasite_ptr p(gimp_image_get_parasite(image.id, QV_DTF_PARASITE));
  ASSERT_TRUE(p);
  EXPECT_EQ(gimp_parasite_data_size(p.get()), 88u);
  EXPECT_EQ(gimp_parasite_flags(p.get()), 0u);
  double year = 0;
  std::memcpy(&year, gimp_parasite_data(p.get()), sizeof year);
  EXPECT_EQ(year, 2007);
  // A record that is never saved gives the user nothing to save.
  EXPECT_FALSE(gimp_image_is_dirty(image.id));

  // Only the year and the first further number change; valid follows the
  // given record.
  QVdtfNumbers next = record(1, 1, -40, 9);
  next.valid = 0;
  qv_dtf_store_date(image.id, QV_DTF_YEAR | qv_dtf_further_bit(0), next);
  QVdtfNumbers r = qv_dtf_read_date(image.id);
  EXPECT_EQ(r.year, -40);
  EXPECT_EQ(r.month, 3);
  EXPECT_EQ(r.day, 27);
  EXPECT_EQ(r.further[0], 9);
  EXPECT_EQ(r.valid, 0);

  qv_dtf_store_date(image.id, QV_DTF_MONTH | QV_DTF_DAY, record(15, 8, 0, 0));
  r = qv_dtf_read_date(image.id);
  EXPECT_EQ(r.year, -40);
  EXPECT_EQ(r.month, 8);
  EXPECT_EQ(r.day, 15);
  EXPECT_EQ(r.valid, 1);
}

TEST(DatesLive, MissingOrDamagedParasiteReadsAsZeros) {
  QVTestImage image;
  QVdtfNumbers r = qv_dtf_read_date(image.id);
  EXPECT_EQ(r.year, 0);
  EXPECT_EQ(r.valid, 0);

  // 87 bytes of a record that would otherwise read as a valid date.
  const auto bytes = qv_dtf_to_bytes(record(27, 3, 2007, 5));
  qv_test_attach(image.id, QV_DTF_PARASITE,
                 std::string(reinterpret_cast<const char *>(bytes.data()), 87));
  r = qv_dtf_read_date(image.id);
  EXPECT_EQ(r.year, 0);
  EXPECT_EQ(r.month, 0);
  EXPECT_EQ(r.valid, 0);

  // Storing over the damaged parasite starts from zeros.
  qv_dtf_store_date(image.id, QV_DTF_YEAR, record(27, 3, 2010, 5));
  r = qv_dtf_read_date(image.id);
  EXPECT_EQ(r.year, 2010);
  EXPECT_EQ(r.month, 0);
  EXPECT_EQ(r.further[0], 0);
  EXPECT_EQ(qv_test_parasite(image.id, QV_DTF_PARASITE).size(), 88u);
}

TEST(DatesLive, MonthNamesComeFromTheGlobalParasitesAndAreKept) {
  QVGlobalParasiteScope long_names(QV_MONTH_NAMES_PARASITE);
  QVGlobalParasiteScope short_names(QV_MONTH_NAMES_SHORT_PARASITE);
  gimp_detach_parasite(QV_MONTH_NAMES_SHORT_PARASITE);
  long_names.set(kGerman);

  EXPECT_EQ(qv_month_names_read().long_names[2], "M\xC3\xA4rz");
  EXPECT_EQ(qv_month_name(3, QVmonthForm::long_name), "M\xC3\xA4rz");
  EXPECT_EQ(qv_month_name(3, QVmonthForm::short_name), "Mar.");

  // Read once per process: later changes reach only a fresh read.
  short_names.set("1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12");
  EXPECT_EQ(qv_month_name(3, QVmonthForm::short_name), "Mar.");
  EXPECT_EQ(qv_month_names_read().short_names[2], "3");
  qv_month_names_forget();
  EXPECT_EQ(qv_month_name(3, QVmonthForm::short_name), "3");
  EXPECT_EQ(qv_month_name(3, QVmonthForm::long_name), "M\xC3\xA4rz");

  // Eleven names are no list: the defaults stay.
  long_names.set(kGerman.substr(0, kGerman.rfind('\t')));
  qv_month_names_forget();
  EXPECT_EQ(qv_month_name(3, QVmonthForm::long_name), "March");
}
