// Parasite helpers on real images and GIMP-wide parasites.
#include <gtest/gtest.h>

#include <string>

#include "gimp/base/qv_parasite.h"
#include "live_support.h"

namespace {

using namespace std::string_literals;

TEST(Parasite, PrependAndAppendJoinWithTheOldBytes) {
  QVTestImage image;
  qv_parasite_prepend(image.id, "qv-test", 1, 3, "abc");
  EXPECT_EQ(qv_test_parasite(image.id, "qv-test"), "abc");
  qv_parasite_prepend(image.id, "qv-test", 1, 2, "xy");
  EXPECT_EQ(qv_test_parasite(image.id, "qv-test"), "xyabc");
  qv_parasite_append(image.id, "qv-test", 1, 2, "12");
  EXPECT_EQ(qv_test_parasite(image.id, "qv-test"), "xyabc12");
  // Nothing to add: nothing changes.
  qv_parasite_append(image.id, "qv-test", 1, 0, "zz");
  qv_parasite_append(image.id, "qv-test", 1, 2, nullptr);
  qv_parasite_append(image.id, nullptr, 1, 2, "zz");
  EXPECT_EQ(qv_test_parasite(image.id, "qv-test"), "xyabc12");
}

TEST(Parasite, AttachMarksTheImageDirty) {
  QVTestImage image;
  gimp_image_clean_all(image.id);
  ASSERT_FALSE(gimp_image_is_dirty(image.id));
  qv_parasite_attach(image.id, "qv-test", 1, 1, "a");
  EXPECT_TRUE(gimp_image_is_dirty(image.id));
}

TEST(Parasite, RemoveAnswersWhetherItWasThereAndLeavesCleanImagesClean) {
  QVTestImage image;
  gimp_image_clean_all(image.id);
  EXPECT_EQ(qv_parasite_remove(image.id, "qv-absent"), 0);
  EXPECT_FALSE(gimp_image_is_dirty(image.id));

  qv_parasite_attach(image.id, "qv-test", 1, 1, "a");
  gimp_image_clean_all(image.id);
  EXPECT_EQ(qv_parasite_remove(image.id, "qv-test"), 1);
  EXPECT_EQ(qv_test_parasite(image.id, "qv-test"), "<none>");
  EXPECT_TRUE(gimp_image_is_dirty(image.id));
}

TEST(Parasite, MarkDirtyFalseCleansTheImage) {
  QVTestImage image;
  qv_image_mark_dirty(image.id, true);
  EXPECT_TRUE(gimp_image_is_dirty(image.id));
  qv_image_mark_dirty(image.id, false);
  EXPECT_FALSE(gimp_image_is_dirty(image.id));
}

TEST(Parasite, ImageIsOpen) {
  gint32 id;
  {
    QVTestImage image;
    id = image.id;
    EXPECT_TRUE(qv_image_is_open(id));
  }
  EXPECT_FALSE(qv_image_is_open(id));
  EXPECT_FALSE(qv_image_is_open(-1));
}

TEST(GlobalString, SetGetRoundTripWithNul) {
  qv_global_string_set("qv-test-global", "frame_007.png");
  EXPECT_EQ(qv_global_string_get("qv-test-global"), "frame_007.png");
  qv_parasite_ptr p(gimp_get_parasite("qv-test-global"));
  ASSERT_TRUE(p);
  EXPECT_EQ(gimp_parasite_data_size(p.get()), sizeof "frame_007.png");
  gimp_detach_parasite("qv-test-global");
  EXPECT_FALSE(qv_global_string_get("qv-test-global"));
  EXPECT_FALSE(qv_global_parasite_exists("qv-test-global"));
}

}  // namespace
