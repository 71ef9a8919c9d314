// Projective transforms of paths and drawables in a headless GIMP.
#include <gtest/gtest.h>
#include <libgimp/gimp.h>

#include <string>
#include <vector>

#include "core/qv_glib_ptr.h"
#include "gimp/paths/qv_path_points.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/paths/qv_transform_gimp.h"
#include "live_support.h"

namespace {

QVMatrix3 translation(double dx, double dy) { return {{1, 0, dx, 0, 1, dy, 0, 0, 1}}; }

// The last channel of a pixel: alpha of an RGBA layer, the value of a mask.
int last_channel(gint32 drawable, int x, int y) {
  gint channels = 0;
  const auto pixel = qv_take_array(gimp_drawable_get_pixel(drawable, x, y, &channels), channels);
  return pixel.empty() ? -1 : pixel.back();
}

// Fills the rectangle of the drawable (image coordinates) and drops the
// selection again, which would otherwise turn a transform into a floating one.
void fill_rect(gint32 image, gint32 drawable, int x, int y, int w, int h, GimpFillType fill) {
  gimp_image_select_rectangle(image, GIMP_CHANNEL_OP_REPLACE, x, y, w, h);
  gimp_drawable_edit_fill(drawable, fill);
  gimp_selection_none(image);
}

// A transparent layer with an opaque 10×10 square at (5, 5).
gint32 add_square_layer(gint32 image, const char *name, bool linked) {
  const gint32 layer =
      gimp_layer_new(image, name, 64, 64, GIMP_RGBA_IMAGE, 100, GIMP_LAYER_MODE_NORMAL);
  gimp_image_insert_layer(image, layer, 0, 0);
  gimp_drawable_fill(layer, GIMP_FILL_TRANSPARENT);
  fill_rect(image, layer, 5, 5, 10, 10, GIMP_FILL_WHITE);
  gimp_item_set_linked(layer, linked);
  return layer;
}

bool moved_by_20_10(gint32 layer) {
  return last_channel(layer, 27, 17) == 255 && last_channel(layer, 7, 7) == 0;
}
bool unmoved(gint32 layer) {
  return last_channel(layer, 7, 7) == 255 && last_channel(layer, 27, 17) == 0;
}

std::vector<double> points_of(gint32 image, const char *name) {
  return qv_path_read_points(image, name, nullptr).points;
}

std::vector<double> shifted(std::vector<double> points, double dx, double dy) {
  for (size_t i = 0; i + 3 <= points.size(); i += 3) points[i] += dx, points[i + 1] += dy;
  return points;
}

// Paths "top", "middle", "bottom" in that list order.
void add_three_paths(gint32 image) {
  qv_test_add_path(image, "bottom", {1, 1, 9, 9});
  qv_test_add_path(image, "middle", {10, 20, 30, 20, 30, 40});
  qv_test_add_path(image, "top", {2, 2, 8, 8});
  ASSERT_EQ((std::vector<std::string>{"top", "middle", "bottom"}), qv_test_path_names(image));
}

// ---- Paths ------------------------------------------------------------------

TEST(TransformLivePath, TranslationKeepsIdentityOfThePath) {
  QVTestImage img;
  add_three_paths(img.id);
  const gint32 old_id = qv_path_id_by_name(img.id, "middle");
  const gint tattoo = gimp_item_get_tattoo(old_id);
  gimp_item_set_linked(old_id, TRUE);
  gimp_item_set_visible(old_id, TRUE);
  const auto before = points_of(img.id, "middle");
  const gint state = gimp_image_get_tattoo_state(img.id);
  qv_path_set_current(img.id, "top");

  ASSERT_TRUE(qv_transform_path(img.id, "middle", translation(10, 5)));

  const gint32 new_id = qv_path_id_by_name(img.id, "middle");
  ASSERT_GT(new_id, 0);
  EXPECT_EQ((std::vector<std::string>{"top", "middle", "bottom"}), qv_test_path_names(img.id));
  EXPECT_EQ(tattoo, gimp_item_get_tattoo(new_id));
  EXPECT_TRUE(qv_path_get_locked(img.id, "middle"));
  EXPECT_TRUE(gimp_item_get_visible(new_id));
  EXPECT_EQ(state, gimp_image_get_tattoo_state(img.id));
  EXPECT_EQ(shifted(before, 10, 5), points_of(img.id, "middle"));
  EXPECT_EQ("middle", qv_path_current(img.id).value_or(""));
}

TEST(TransformLivePath, RefusalsChangeNothing) {
  QVTestImage img;
  add_three_paths(img.id);
  const gint32 id = qv_path_id_by_name(img.id, "middle");
  const auto before = points_of(img.id, "middle");
  // x = 30 lies on this matrix's line at infinity.
  const QVMatrix3 horizon{{1, 0, 0, 0, 1, 0, -1.0 / 30, 0, 1}};
  EXPECT_FALSE(qv_transform_path(img.id, "middle", horizon));
  EXPECT_FALSE(qv_transform_path(img.id, "missing", translation(1, 1)));
  EXPECT_EQ(id, qv_path_id_by_name(img.id, "middle"));
  EXPECT_EQ(before, points_of(img.id, "middle"));
  EXPECT_EQ(3u, qv_path_list(img.id).size());
}

TEST(TransformLivePath, LockedPathsOnlyAndCurrentPathKept) {
  QVTestImage img;
  add_three_paths(img.id);
  qv_path_set_locked(img.id, "top", true);
  qv_path_set_locked(img.id, "bottom", true);
  qv_path_set_current(img.id, "middle");
  const auto top = points_of(img.id, "top");
  const auto middle = points_of(img.id, "middle");
  const auto bottom = points_of(img.id, "bottom");

  ASSERT_TRUE(
      qv_transform_drawables(img.id, img.layer, translation(3, 4), QV_TRANSFORM_LOCKED_PATHS));

  EXPECT_EQ(shifted(top, 3, 4), points_of(img.id, "top"));
  EXPECT_EQ(middle, points_of(img.id, "middle"));
  EXPECT_EQ(shifted(bottom, 3, 4), points_of(img.id, "bottom"));
  EXPECT_EQ("middle", qv_path_current(img.id).value_or(""));
  EXPECT_EQ((std::vector<std::string>{"top", "middle", "bottom"}), qv_test_path_names(img.id));
}

// ---- Drawables --------------------------------------------------------------

TEST(TransformLiveDrawable, TranslationMovesPixelsClippedOrGrown) {
  QVTestImage img;
  const gint32 clipped = add_square_layer(img.id, "clipped", false);
  ASSERT_TRUE(unmoved(clipped));
  ASSERT_TRUE(qv_transform_drawables(img.id, clipped, translation(20, 10), QV_TRANSFORM_DRAWABLE));
  EXPECT_TRUE(moved_by_20_10(clipped));
  EXPECT_EQ(64, gimp_drawable_width(clipped));

  // Without clipping the layer itself moves: its offsets take the translation.
  const gint32 grown = add_square_layer(img.id, "grown", false);
  ASSERT_TRUE(qv_transform_drawables(img.id, grown, translation(20, 10),
                                     QV_TRANSFORM_DRAWABLE | QV_TRANSFORM_NO_CLIP));
  gint ox = 0, oy = 0;
  gimp_drawable_offsets(grown, &ox, &oy);
  EXPECT_EQ(20, ox);
  EXPECT_EQ(10, oy);
}

TEST(TransformLiveDrawable, GivenDrawableAloneLeavesOtherLinkedLayers) {
  QVTestImage img;
  const gint32 given = add_square_layer(img.id, "given", true);
  const gint32 other = add_square_layer(img.id, "other", true);
  qv_test_add_path(img.id, "locked", {1, 1, 9, 9});
  qv_path_set_locked(img.id, "locked", true);
  const auto path = points_of(img.id, "locked");

  ASSERT_TRUE(qv_transform_drawables(img.id, given, translation(20, 10), QV_TRANSFORM_DRAWABLE));
  EXPECT_TRUE(moved_by_20_10(given));
  EXPECT_TRUE(unmoved(other));
  EXPECT_EQ(path, points_of(img.id, "locked"));
}

TEST(TransformLiveDrawable, LinkedLayersOnceEachWithTheirMasks) {
  QVTestImage img;
  const gint32 linked = add_square_layer(img.id, "linked", true);
  const gint32 mask = gimp_layer_create_mask(linked, GIMP_ADD_MASK_BLACK);
  gimp_layer_add_mask(linked, mask);
  fill_rect(img.id, mask, 5, 5, 10, 10, GIMP_FILL_WHITE);
  const gint32 plain = add_square_layer(img.id, "plain", false);
  // A linked layer inside an unlinked group is found too.
  const gint32 group = gimp_layer_group_new(img.id);
  gimp_image_insert_layer(img.id, group, 0, 0);
  const gint32 nested =
      gimp_layer_new(img.id, "nested", 64, 64, GIMP_RGBA_IMAGE, 100, GIMP_LAYER_MODE_NORMAL);
  gimp_image_insert_layer(img.id, nested, group, 0);
  gimp_drawable_fill(nested, GIMP_FILL_TRANSPARENT);
  fill_rect(img.id, nested, 5, 5, 10, 10, GIMP_FILL_WHITE);
  gimp_item_set_linked(nested, TRUE);

  // The given drawable is linked too: it must still move only once.
  ASSERT_TRUE(qv_transform_drawables(img.id, linked, translation(20, 10),
                                     QV_TRANSFORM_DRAWABLE | QV_TRANSFORM_LINKED_LAYERS));
  EXPECT_TRUE(moved_by_20_10(linked));
  EXPECT_TRUE(moved_by_20_10(mask));
  EXPECT_TRUE(moved_by_20_10(nested));
  EXPECT_TRUE(unmoved(plain));
}

TEST(TransformLiveDrawable, LinkedLayersWithoutTheGivenDrawable) {
  QVTestImage img;
  const gint32 linked = add_square_layer(img.id, "linked", true);
  const gint32 given = add_square_layer(img.id, "given", false);
  ASSERT_TRUE(
      qv_transform_drawables(img.id, given, translation(20, 10), QV_TRANSFORM_LINKED_LAYERS));
  EXPECT_TRUE(moved_by_20_10(linked));
  EXPECT_TRUE(unmoved(given));
}

// ---- Matrix from the current path and the next ------------------------------

TEST(TransformLiveFromPaths, SourceIsTheNextPathTargetTheCurrent) {
  QVTestImage img;
  const gint32 layer = add_square_layer(img.id, "layer", false);
  qv_test_add_path(img.id, "from", {0, 0, 40, 0, 40, 40, 0, 40});
  qv_test_add_path(img.id, "to", {20, 10, 60, 10, 60, 50, 20, 50});
  ASSERT_EQ((std::vector<std::string>{"to", "from"}), qv_test_path_names(img.id));
  qv_path_set_current(img.id, "to");

  const QVMatrix3Result m = qv_matrix3_from_paths(img.id, "from", "to");
  ASSERT_TRUE(m.ok);
  ASSERT_TRUE(qv_transform_drawables(img.id, layer, QVMatrix3{},
                                     QV_TRANSFORM_DRAWABLE | QV_TRANSFORM_FROM_PATHS));
  EXPECT_TRUE(moved_by_20_10(layer));
}

TEST(TransformLiveFromPaths, NothingWithoutANextPathOrAFittingPair) {
  QVTestImage img;
  const gint32 layer = add_square_layer(img.id, "layer", true);
  const unsigned all = QV_TRANSFORM_DRAWABLE | QV_TRANSFORM_LINKED_LAYERS |
                       QV_TRANSFORM_LOCKED_PATHS | QV_TRANSFORM_FROM_PATHS;
  // No path at all, hence no current path.
  EXPECT_FALSE(qv_transform_drawables(img.id, layer, translation(20, 10), all));

  qv_test_add_path(img.id, "line", {0, 0, 40, 0});
  qv_test_add_path(img.id, "square", {20, 10, 60, 10, 60, 50, 20, 50});
  ASSERT_EQ((std::vector<std::string>{"square", "line"}), qv_test_path_names(img.id));
  qv_path_set_locked(img.id, "square", true);
  const auto square = points_of(img.id, "square");
  // The current path is the last in the list: no source.
  qv_path_set_current(img.id, "line");
  EXPECT_FALSE(qv_transform_drawables(img.id, layer, translation(20, 10), all));
  // A source with too few points: no matrix.
  qv_path_set_current(img.id, "square");
  EXPECT_FALSE(qv_transform_drawables(img.id, layer, translation(20, 10), all));

  EXPECT_TRUE(unmoved(layer));
  EXPECT_EQ(square, points_of(img.id, "square"));
}

}  // namespace
