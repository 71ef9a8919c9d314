// Bounding-box parasites written for scripts after a draw.
#include <gtest/gtest.h>

#include <string>

#include "gimp/style/qv_bbox.h"
#include "gimp/style/qv_style_gimp.h"
#include "live_support.h"

namespace {

using namespace std::string_literals;

struct BoundingBox : ::testing::Test {
  QVTestImage image{300, 300};
  void SetUp() override {
    gimp_detach_parasite(QV_BBOX_PATH);
    gimp_detach_parasite(QV_BBOX_IMAGE);
  }
};

TEST_F(BoundingBox, PathBoxRoundsHalvesUp) {
  qv_test_add_path(image.id, "P", {10.5, 10.5, 20.4, 30.6});
  qv_path_bounding_boxes(image.id, "P", nullptr);
  const auto box = qv_bbox_read(QV_BBOX_PATH);
  ASSERT_TRUE(box);
  EXPECT_EQ((*box)[0], 11);
  EXPECT_EQ((*box)[1], 11);
  EXPECT_EQ((*box)[0] + (*box)[2], 20) << "maximum x";
  EXPECT_EQ((*box)[1] + (*box)[3], 31);
  EXPECT_FALSE(qv_bbox_read(QV_BBOX_IMAGE)) << "an ordinary path places no image";
}

TEST_F(BoundingBox, UnknownPathWritesNothing) {
  qv_path_bounding_boxes(image.id, "missing", nullptr);
  EXPECT_FALSE(qv_bbox_read(QV_BBOX_PATH));
}

TEST_F(BoundingBox, ImagePathUsesItsFourCorners) {
  qv_test_add_path(image.id, "pic", {10, 20, 110.7, 20, 110.7, 80.9, 10, 80.9});
  qv_path_store_style(image.id, "pic", "image: sun.png"s);
  qv_path_bounding_boxes(image.id, "pic", nullptr);
  const auto box = qv_bbox_read(QV_BBOX_IMAGE);
  ASSERT_TRUE(box);
  EXPECT_EQ(*box, (QVBox{10, 20, 100, 60})) << "values truncated";
}

TEST_F(BoundingBox, TaggedPathFitsTheImageKeepingItsAspect) {
  // "[Image]" keeps the aspect ratio inside the frame from (0, 0) to (100, 50).
  qv_test_add_path(image.id, "[Image] square", {0, 0, 100, 50});
  qv_path_store_style(image.id, "[Image] square", "image-original-size: 200 200"s);
  qv_path_bounding_boxes(image.id, "[Image] square", nullptr);
  auto box = qv_bbox_read(QV_BBOX_IMAGE);
  ASSERT_TRUE(box);
  EXPECT_EQ(*box, (QVBox{25, 0, 50, 50}));

  // Drawn outside the frame (bit 4) the image covers it, and translate moves it.
  qv_path_store_style(image.id, "[Image] square",
                      "image-original-size: 200 200\taspect-ratio-mode: 5\ttranslate: 10 5"s);
  qv_path_bounding_boxes(image.id, "[Image] square", nullptr);
  box = qv_bbox_read(QV_BBOX_IMAGE);
  ASSERT_TRUE(box);
  EXPECT_EQ(*box, (QVBox{10, -20, 100, 100}));
}

}  // namespace
