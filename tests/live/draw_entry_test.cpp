// The draw plug-in's services: marker, default t, closing opened images,
// helper-path resolution and target layers of the draw-current driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "core/qv_chunks.h"
#include "core/qv_glib_ptr.h"
#include "core/qv_names.h"
#include "gimp/animate/qv_draw_current.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_render_session.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/style/qv_esl.h"
#include "gimp/timeline/qv_timeline_parasites.h"
#include "live_support.h"

namespace {

using namespace std::string_literals;

TEST(DrawEntry, RenderingFlagAnswersWhetherItWasSet) {
  gimp_detach_parasite(QV_RENDERING_MARKER);
  EXPECT_FALSE(qv_rendering_flag(true));
  EXPECT_TRUE(qv_rendering_in_progress());
  EXPECT_TRUE(qv_rendering_flag(true));
  EXPECT_TRUE(qv_rendering_flag(false));
  EXPECT_FALSE(qv_rendering_in_progress());
  EXPECT_FALSE(qv_rendering_flag(false));
}

TEST(DrawEntry, DefaultTIsCreatedAsOneHalfAndReadBack) {
  EXPECT_DOUBLE_EQ(qv_default_t(), 0.5);
  EXPECT_EQ(qv_take_string(gimp_gimprc_query("qv-default-t")), "0.5");
  gimp_gimprc_set("qv-default-t", "0.25");
  EXPECT_DOUBLE_EQ(qv_default_t(), 0.25);
  gimp_gimprc_set("qv-default-t", "0.5");
}

TEST(DrawEntry, ClosingOpenedImagesHonoursTheThreshold) {
  const gint32 low = gimp_image_new(8, 8, GIMP_RGB);
  const gint32 high = gimp_image_new(8, 8, GIMP_RGB);
  const gint32 plain = gimp_image_new(8, 8, GIMP_RGB);
  const gint32 three = 3, five = 5;
  gimp_image_attach_new_parasite(low, QV_OPENED_IMAGE_MARK, 0, sizeof three, &three);
  gimp_image_attach_new_parasite(high, QV_OPENED_IMAGE_MARK, 0, sizeof five, &five);

  qv_close_opened_images(5);
  EXPECT_TRUE(gimp_image_is_valid(low));
  EXPECT_FALSE(gimp_image_is_valid(high));
  qv_close_opened_images(0);
  EXPECT_FALSE(gimp_image_is_valid(low));
  EXPECT_TRUE(gimp_image_is_valid(plain));

  const gint32 duplicate = gimp_image_new(8, 8, GIMP_RGB);
  gimp_image_attach_new_parasite(duplicate, QV_RENDER_DUPLICATE_MARK, 0, 0, nullptr);
  qv_delete_render_duplicates();
  EXPECT_FALSE(gimp_image_is_valid(duplicate));
  EXPECT_TRUE(gimp_image_is_valid(plain));
  gimp_image_delete(plain);
}

struct DrawEntryPaths : ::testing::Test {
  QVTestImage image;
};

TEST_F(DrawEntryPaths, HelperPathsStandForTheirOwners) {
  const gint32 owner = qv_test_tattoo(qv_test_add_path(image.id, "Owner", {0, 0, 10, 10}));
  qv_test_add_path(image.id, "{3}member", {0, 0, 10, 10});
  qv_test_add_path(image.id, "{3}second", {0, 0, 10, 10});
  EXPECT_EQ(qv_draw_resolve_path(image.id, qv_gradient_helper_name(owner)), "Owner");
  EXPECT_EQ(qv_draw_resolve_path(image.id, qv_rotation_helper_name(owner)), "Owner");
  // The first ordinary path of the group in list order (the last inserted is on top).
  EXPECT_EQ(qv_draw_resolve_path(image.id, qv_group_rotation_helper_name(3)), "{3}second");
  EXPECT_EQ(qv_draw_resolve_path(image.id, "Owner"), "Owner");
  // Helpers whose owner is gone resolve to nothing.
  EXPECT_FALSE(qv_draw_resolve_path(image.id, qv_rotation_helper_name(owner + 1000)));
  EXPECT_FALSE(qv_draw_resolve_path(image.id, qv_group_rotation_helper_name(9)));
}

TEST_F(DrawEntryPaths, DrawCurrentOnEslCreatesTheEslOnceAndRestoresTheCurrentPath) {
  const gint32 p = qv_test_add_path(image.id, "P", {0, 0, 10, 10});
  const gint32 q = qv_test_add_path(image.id, "Q", {0, 0, 10, 10});
  const std::string esl = qv_esl_name(qv_test_tattoo(p));
  gimp_image_set_active_vectors(image.id, p);

  qv_rendering_flag(true);
  qv_path_draw_current(image.id, QVDrawTarget::esl, 0.5);
  qv_path_draw_current(image.id, QVDrawTarget::esl, 0.5);
  qv_rendering_flag(false);

  const auto names = qv_test_layer_names(image.id);
  EXPECT_EQ(std::count(names.begin(), names.end(), esl), 1) << "ESL made once";
  EXPECT_EQ(gimp_image_get_active_vectors(image.id), p);
  // Locking marks the drawn path; paths the draw does not touch are unlocked.
  EXPECT_TRUE(gimp_item_get_linked(p));
  EXPECT_FALSE(gimp_item_get_linked(q));
}

TEST_F(DrawEntryPaths, DrawCurrentFromAHelperUsesTheOwnersEsl) {
  const gint32 p = qv_test_add_path(image.id, "P", {0, 0, 10, 10});
  const gint32 helper =
      qv_test_add_path(image.id, qv_rotation_helper_name(qv_test_tattoo(p)), {5, 5, 9, 9});
  gimp_image_set_active_vectors(image.id, helper);
  qv_rendering_flag(true);
  qv_path_draw_current(image.id, QVDrawTarget::esl, 0.5);
  qv_rendering_flag(false);
  const auto names = qv_test_layer_names(image.id);
  EXPECT_EQ(std::count(names.begin(), names.end(), qv_esl_name(qv_test_tattoo(p))), 1);
  EXPECT_EQ(gimp_image_get_active_vectors(image.id), helper) << "the helper stays current";
}

TEST_F(DrawEntryPaths, UnsetEslTargetHidesEslsAndDrawsOnAnOrdinaryLayer) {
  const gint32 p = qv_test_add_path(image.id, "P", {0, 0, 10, 10});
  const gint32 esl = qv_esl_for_owner(image.id, image.layer, qv_test_tattoo(p));
  gimp_image_set_active_layer(image.id, esl);
  gimp_image_set_active_vectors(image.id, p);
  qv_rendering_flag(true);
  qv_path_draw_current(image.id, QVDrawTarget::unset_esl, 0.5);
  qv_rendering_flag(false);
  EXPECT_FALSE(gimp_item_get_visible(esl));
  EXPECT_EQ(gimp_image_get_active_layer(image.id), image.layer);
  EXPECT_TRUE(gimp_item_get_visible(image.layer));
}

TEST_F(DrawEntryPaths, ActiveLayerTargetLeavesLayersAsTheyAre) {
  const gint32 p = qv_test_add_path(image.id, "P", {0, 0, 10, 10});
  const gint32 esl = qv_esl_for_owner(image.id, image.layer, qv_test_tattoo(p));
  gimp_image_set_active_layer(image.id, esl);
  gimp_image_set_active_vectors(image.id, p);
  qv_rendering_flag(true);
  qv_path_draw_current(image.id, QVDrawTarget::active_layer, 0.5);
  qv_rendering_flag(false);
  EXPECT_TRUE(gimp_item_get_visible(esl));
  EXPECT_EQ(gimp_image_get_active_layer(image.id), esl);
}

TEST_F(DrawEntryPaths, NoCurrentPathOrAnOrphanedHelperDrawsNothing) {
  qv_path_draw_current(image.id, QVDrawTarget::esl, 0.5);
  EXPECT_EQ(qv_test_layer_names(image.id), std::vector<std::string>{"Background"});

  const gint32 orphan = qv_test_add_path(image.id, qv_rotation_helper_name(999), {0, 0, 10, 10});
  gimp_image_set_active_vectors(image.id, orphan);
  qv_path_draw_current(image.id, QVDrawTarget::esl, 0.5);
  EXPECT_EQ(qv_test_layer_names(image.id), std::vector<std::string>{"Background"});
}

// A timeline chunk sequence as the earlier layout stored it: big-endian
// frames with the listed fields little-endian.
std::vector<uint8_t> legacy_timeline() {
  std::vector<uint8_t> data(8 + 96 + 8, 0);
  auto put_be32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) data[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
  };
  put_be32(0, 96);
  put_be32(4, QV_CHUNK_AHDR);
  put_be32(8, 7);                  // next animation id, big-endian
  const uint32_t rate_field = 25;  // offset 20, little-endian in the old layout
  std::memcpy(&data[20], &rate_field, 4);
  const double fps = 25.0;  // offset 24, little-endian in the old layout
  std::memcpy(&data[24], &fps, 8);
  put_be32(104, 0);
  put_be32(108, QV_CHUNK_AEND);
  return data;
}

TEST(DrawEntryTimeline, LegacyParasitesAreMigratedToBigEndianNames) {
  QVTestImage image;
  const auto legacy = legacy_timeline();
  gimp_image_attach_new_parasite(image.id, "qv-timeline-current", 1, legacy.size(), legacy.data());
  EXPECT_EQ(qv_timeline_parasites_migrate(image.id), 1);
  EXPECT_EQ(qv_test_parasite(image.id, "qv-timeline-current"), "<none>");
  auto migrated = qv_image_parasite_bytes(image.id, "qv-timeline-current-be");
  ASSERT_TRUE(migrated);
  ASSERT_EQ(qv_chunks_to_host(migrated->data(), migrated->size()), QVChunkStatus::ok);
  EXPECT_EQ(qv_chunk_get_u32(&(*migrated)[8]), 7u);
  EXPECT_EQ(qv_chunk_get_u32(&(*migrated)[20]), 25u);
  double fps = 0;
  std::memcpy(&fps, &(*migrated)[24], 8);
  EXPECT_DOUBLE_EQ(fps, 25.0);
}

TEST(DrawEntryTimeline, DamagedLegacyParasiteIsKept) {
  QVTestImage image;
  auto legacy = legacy_timeline();
  legacy.resize(50);  // cut inside the header chunk
  gimp_image_attach_new_parasite(image.id, "qv-timeline-rest", 1, legacy.size(), legacy.data());
  EXPECT_EQ(qv_timeline_parasites_migrate(image.id), 0);
  EXPECT_EQ(qv_test_parasite(image.id, "qv-timeline-rest").size(), 50u);
  EXPECT_EQ(qv_test_parasite(image.id, "qv-timeline-rest-be"), "<none>");
}

}  // namespace
