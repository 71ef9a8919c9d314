// Edit Style Layers and helper paths on real images in a headless GIMP.
#include <gtest/gtest.h>
#include <libgimp/gimp.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/qv_glib_ptr.h"
#include "core/qv_names.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/style/qv_esl.h"
#include "gimp/style/qv_helper_paths.h"
#include "gimp/style/qv_style_gimp.h"
#include "live_support.h"

namespace {

// A scratch image that is deleted however the test ends.
struct QVScratchImage {
  gint32 id;
  QVScratchImage() : id(gimp_image_new(200, 100, GIMP_RGB)) {}
  ~QVScratchImage() { gimp_image_delete(id); }
};

// Adds an ordinary layer at the given top-level position (0 = top).
gint32 add_layer(gint32 image, const std::string &name, int position = 0, int w = 200,
                 int h = 100) {
  const gint32 layer =
      gimp_layer_new(image, name.c_str(), w, h, GIMP_RGBA_IMAGE, 100, GIMP_LAYER_MODE_NORMAL);
  gimp_image_insert_layer(image, layer, 0, position);
  return layer;
}

// Adds a two-anchor path at the bottom of the path list; returns its tattoo.
gint32 add_path(gint32 image, const std::string &name) {
  const gint32 vectors = gimp_vectors_new(image, name.c_str());
  const gdouble points[] = {10, 10, 10, 10, 10, 10, 60, 40, 60, 40, 60, 40};
  gimp_vectors_stroke_new_from_points(vectors, GIMP_VECTORS_STROKE_TYPE_BEZIER,
                                      G_N_ELEMENTS(points), points, FALSE);
  gint count = 0;
  g_free(gimp_image_get_vectors(image, &count));
  gimp_image_insert_vectors(image, vectors, 0, count);
  return gimp_item_get_tattoo(vectors);
}

std::string name_of(gint32 item) { return qv_take_string(gimp_item_get_name(item)); }

std::vector<gint32> layer_ids(gint32 image) {
  gint count = 0;
  return qv_take_array(gimp_image_get_layers(image, &count), count);
}

std::vector<std::string> path_names(gint32 image) {
  std::vector<std::string> names;
  for (const auto &path : qv_path_list(image)) names.push_back(path.name);
  return names;
}

// The name GIMP stored for a path: it strips the helpers' trailing blank.
std::string stored(gint32 image, gint32 tattoo) {
  return qv_path_name_by_tattoo(image, tattoo).value_or("<none>");
}

bool has(const std::vector<std::string> &names, const std::string &name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

int alpha_at(gint32 layer, int x, int y) {
  gint channels = 0;
  const auto pixel = qv_take_array(gimp_drawable_get_pixel(layer, x, y, &channels), channels);
  return pixel.empty() ? -1 : pixel.back();
}

void expect_box(gint32 layer, int w, int h, int x, int y) {
  gint ox = -1, oy = -1;
  gimp_drawable_offsets(layer, &ox, &oy);
  EXPECT_EQ(w, gimp_drawable_width(layer));
  EXPECT_EQ(h, gimp_drawable_height(layer));
  EXPECT_EQ(x, ox);
  EXPECT_EQ(y, oy);
}

// ---- ESL for owner ----------------------------------------------------------

TEST(EslForOwner, CreatesOnceThenReusesClearedAndFitted) {
  QVScratchImage img;
  add_layer(img.id, "Background");
  const gint32 base = add_layer(img.id, "Base", 0, 120, 80);
  gimp_layer_set_offsets(base, 10, 5);
  const gint32 tattoo = add_path(img.id, "star");

  const gint32 esl = qv_esl_for_owner(img.id, base, tattoo);
  ASSERT_GT(esl, 0);
  EXPECT_EQ(qv_esl_name(tattoo), name_of(esl));
  EXPECT_TRUE(gimp_drawable_has_alpha(esl));
  EXPECT_TRUE(gimp_item_get_linked(esl));
  EXPECT_TRUE(gimp_item_get_visible(esl));
  expect_box(esl, 120, 80, 10, 5);
  // New ESLs go above the active layer.
  const auto stack = layer_ids(img.id);
  EXPECT_EQ((std::vector<gint32>{esl, base}),
            std::vector<gint32>(stack.begin(), stack.begin() + 2));

  // Paint it, hide it, unlink it, move the base: the second call must find the
  // same layer, not make a twin, and prepare it again.
  gimp_drawable_fill(esl, GIMP_FILL_WHITE);
  gimp_item_set_visible(esl, FALSE);
  gimp_item_set_linked(esl, FALSE);
  gimp_layer_resize(base, 150, 60, 0, 0);
  gimp_layer_set_offsets(base, 30, 20);
  ASSERT_EQ(255, alpha_at(esl, 5, 5));

  EXPECT_EQ(esl, qv_esl_for_owner(img.id, base, tattoo));
  EXPECT_EQ(3u, layer_ids(img.id).size());
  EXPECT_EQ(0, alpha_at(esl, 5, 5));
  EXPECT_TRUE(gimp_item_get_linked(esl));
  EXPECT_TRUE(gimp_item_get_visible(esl));
  expect_box(esl, 150, 60, 30, 20);
}

TEST(EslForOwner, NoBaseLayerMeansWholeImageAndOwnerZeroNothing) {
  QVScratchImage img;
  add_layer(img.id, "Background", 0, 50, 50);
  const gint32 esl = qv_esl_for_owner(img.id, -1, 42);
  ASSERT_GT(esl, 0);
  expect_box(esl, 200, 100, 0, 0);
  EXPECT_EQ(-1, qv_esl_for_owner(img.id, -1, 0));
  EXPECT_EQ(2u, layer_ids(img.id).size());
}

TEST(EslForOwner, GroupPathsShareOneEsl) {
  QVScratchImage img;
  const gint32 base = add_layer(img.id, "Background");
  const gint32 plain = add_path(img.id, "plain");
  add_path(img.id, "{3}a");
  add_path(img.id, "{3}b");
  add_path(img.id, qv_rotation_helper_name(plain));

  EXPECT_EQ(-3, qv_esl_owner_of_path(img.id, "{3}a"));
  EXPECT_EQ(plain, qv_esl_owner_of_path(img.id, "plain"));
  EXPECT_EQ(0, qv_esl_owner_of_path(img.id, "missing"));
  const gint32 a = qv_esl_for_owner(img.id, base, qv_esl_owner_of_path(img.id, "{3}a"));
  const gint32 b = qv_esl_for_owner(img.id, base, qv_esl_owner_of_path(img.id, "{3}b"));
  EXPECT_EQ(a, b);
  EXPECT_EQ("{3}\xDB\x9E Edit Style Layer", name_of(a));

  // Last path first, the group once, helper paths left out.
  EXPECT_EQ((std::vector<long>{-3, plain}), qv_esl_owners(img.id));
}

// ---- clean-up and removal ----------------------------------------------------

TEST(EslRemove, OrphansGoOwnedEslsStay) {
  QVScratchImage img;
  const gint32 base = add_layer(img.id, "Background");
  const gint32 tattoo = add_path(img.id, "star");
  add_path(img.id, "{3}a");
  const std::string own = qv_esl_name(tattoo);
  qv_esl_for_owner(img.id, base, tattoo);
  qv_esl_for_owner(img.id, base, -3);
  qv_esl_for_owner(img.id, base, -7);      // no path of group 7
  qv_esl_for_owner(img.id, base, 999999);  // no path with this tattoo
  add_layer(img.id, "\xDB\x9E ESL-12 copy");
  add_layer(img.id, "{3}\xDB\x9E Edit Style Layer copy");
  add_layer(img.id, "{3}sky");  // a user's layer that merely has a group prefix

  qv_esl_remove_orphans(img.id);
  const auto names = qv_test_layer_names(img.id);
  EXPECT_TRUE(has(names, own));
  EXPECT_TRUE(has(names, qv_esl_name(-3)));
  EXPECT_TRUE(has(names, "{3}sky"));
  EXPECT_TRUE(has(names, "Background"));
  EXPECT_FALSE(has(names, qv_esl_name(-7)));
  EXPECT_FALSE(has(names, qv_esl_name(999999)));
  EXPECT_FALSE(has(names, "\xDB\x9E ESL-12 copy"));
  EXPECT_FALSE(has(names, "{3}\xDB\x9E Edit Style Layer copy"));
  EXPECT_EQ(4u, names.size());

  qv_path_delete(img.id, "star");
  qv_path_delete(img.id, "{3}a");
  qv_esl_remove_orphans(img.id);
  EXPECT_EQ((std::vector<std::string>{"{3}sky", "Background"}), qv_test_layer_names(img.id));
}

TEST(EslRemove, RemoveAllKeepsOrdinaryLayers) {
  QVScratchImage img;
  const gint32 base = add_layer(img.id, "Background");
  add_layer(img.id, "Sketch");
  qv_esl_for_owner(img.id, base, 5);
  qv_esl_for_owner(img.id, base, -2);
  add_layer(img.id, "Ink", 4);

  qv_esl_remove_all(img.id);
  EXPECT_EQ((std::vector<std::string>{"Sketch", "Background", "Ink"}), qv_test_layer_names(img.id));
}

// ---- unset -----------------------------------------------------------------

TEST(EslUnset, ActiveEslHandsOverToTheNextOrdinaryLayer) {
  QVScratchImage img;
  const gint32 bottom = add_layer(img.id, "Background");
  const gint32 hidden = add_layer(img.id, "Hidden");
  gimp_item_set_visible(hidden, FALSE);
  gimp_image_set_active_layer(img.id, hidden);
  const gint32 esl = qv_esl_for_owner(img.id, bottom, 5);
  const gint32 group_esl = qv_esl_for_owner(img.id, bottom, -1);
  gimp_item_set_linked(bottom, TRUE);
  gimp_image_set_active_layer(img.id, esl);
  ASSERT_EQ(esl, layer_ids(img.id)[1]);  // group ESL above it, Hidden below

  EXPECT_EQ(hidden, qv_esl_unset(img.id));
  EXPECT_EQ(hidden, gimp_image_get_active_layer(img.id));
  EXPECT_TRUE(gimp_item_get_visible(hidden));
  EXPECT_FALSE(gimp_item_get_visible(esl));
  EXPECT_FALSE(gimp_item_get_visible(group_esl));
  for (gint32 layer : layer_ids(img.id)) EXPECT_FALSE(gimp_item_get_linked(layer));
}

TEST(EslUnset, OrdinaryActiveLayerStaysAndKeepsOthersAsTheyAre) {
  QVScratchImage img;
  const gint32 bottom = add_layer(img.id, "Background");
  const gint32 off = add_layer(img.id, "Off");
  gimp_item_set_visible(off, FALSE);
  const gint32 esl = qv_esl_for_owner(img.id, bottom, 5);
  gimp_image_set_active_layer(img.id, bottom);

  EXPECT_EQ(bottom, qv_esl_unset(img.id));
  EXPECT_TRUE(gimp_item_get_visible(bottom));
  EXPECT_FALSE(gimp_item_get_visible(off));
  EXPECT_FALSE(gimp_item_get_visible(esl));
}

// ---- ESL list and re-laying ----------------------------------------------------

TEST(EslList, RelaidEslsThenMarkerThenOwnEsl) {
  QVScratchImage img;
  const gint32 bottom = add_layer(img.id, "Bottom");
  const gint32 base = add_layer(img.id, "Base", 0, 150, 80);
  gimp_layer_set_offsets(base, 20, 10);
  const gint32 top = add_layer(img.id, "Top");
  add_path(img.id, "a");
  const gint32 tb = add_path(img.id, "b");
  const gint32 tc = add_path(img.id, "c");
  // Stale ESLs of b and c, image-sized and above Top.
  gimp_image_set_active_layer(img.id, top);
  const gint32 esl_c = qv_esl_for_owner(img.id, -1, tc);
  const gint32 esl_b = qv_esl_for_owner(img.id, -1, tb);
  gimp_drawable_fill(esl_b, GIMP_FILL_WHITE);
  gimp_image_set_active_layer(img.id, base);

  EXPECT_FALSE(qv_esl_list_for_path(img.id, "missing", 0));
  const auto list = qv_esl_list_for_path(img.id, "a", 0);
  ASSERT_TRUE(list);
  const gint32 esl_a = list->back();
  EXPECT_EQ(qv_esl_name(qv_esl_owner_of_path(img.id, "a")), name_of(esl_a));
  EXPECT_EQ((std::vector<gint32>{esl_c, esl_b, QV_ESL_LOCK_MARKER, esl_a}), *list);
  // The last path's ESL lies lowest, directly above the base layer.
  EXPECT_EQ((std::vector<gint32>{top, esl_a, esl_b, esl_c, base, bottom}), layer_ids(img.id));
  expect_box(esl_b, 150, 80, 20, 10);
  EXPECT_EQ(0, alpha_at(esl_b, 5, 5));
}

TEST(EslList, LockedPathsAddTheirEslsOnce) {
  QVScratchImage img;
  const gint32 base = add_layer(img.id, "Base");
  add_path(img.id, "a");
  add_path(img.id, "{2}b");
  add_path(img.id, "{2}c");
  add_path(img.id, "d");
  qv_path_set_locked(img.id, "a", true);
  qv_path_set_locked(img.id, "{2}b", true);
  qv_path_set_locked(img.id, "{2}c", true);
  gimp_image_set_active_layer(img.id, base);

  const auto list = qv_esl_list_for_path(img.id, "d", 1);
  ASSERT_TRUE(list);
  const auto names = qv_test_layer_names(img.id);
  ASSERT_EQ(4u, list->size());
  EXPECT_EQ(QV_ESL_LOCK_MARKER, (*list)[0]);
  EXPECT_EQ(qv_esl_name(qv_esl_owner_of_path(img.id, "a")), name_of((*list)[1]));
  EXPECT_EQ(qv_esl_name(-2), name_of((*list)[2]));
  EXPECT_EQ(qv_esl_name(qv_esl_owner_of_path(img.id, "d")), name_of((*list)[3]));

  // Drawing from an ESL as active layer still bases the ESLs on Base.
  gimp_image_set_active_layer(img.id, (*list)[3]);
  gimp_layer_resize(base, 100, 50, 0, 0);
  const auto again = qv_esl_list_for_path(img.id, "d", 0);
  ASSERT_TRUE(again);
  expect_box(again->back(), 100, 50, 0, 0);
  EXPECT_EQ(base, layer_ids(img.id).back());
}

// ---- helper paths ----------------------------------------------------------

TEST(HelperPathLookup, FindsPerPathAndGroupHelpers) {
  QVScratchImage img;
  const gint32 star = add_path(img.id, "star");
  add_path(img.id, "{3}a");
  add_path(img.id, "other");
  const gint32 gradient = add_path(img.id, qv_gradient_helper_name(star));
  const gint32 rotation = add_path(img.id, qv_rotation_helper_name(star));
  const gint32 group_rotation = add_path(img.id, qv_group_rotation_helper_name(3));

  EXPECT_EQ(stored(img.id, rotation), qv_helpers_rotation_of(img.id, "star"));
  EXPECT_EQ(stored(img.id, gradient), qv_helpers_gradient_of(img.id, "star"));
  EXPECT_EQ(stored(img.id, group_rotation), qv_helpers_rotation_of(img.id, "{3}a"));
  EXPECT_FALSE(qv_helpers_rotation_of(img.id, "other"));
  EXPECT_FALSE(qv_helpers_gradient_of(img.id, "other"));
  EXPECT_FALSE(qv_helpers_rotation_of(img.id, "missing"));
  EXPECT_FALSE(qv_helpers_gradient_of(img.id, nullptr));
}

TEST(HelperPathRemove, GroupHelperGoesAndOtherMembersLoseRotateAt) {
  QVScratchImage img;
  const gint32 star = add_path(img.id, "star");
  add_path(img.id, "{3}a");
  add_path(img.id, "{3}b");
  const std::string group_helper =
      stored(img.id, add_path(img.id, qv_group_rotation_helper_name(3)));
  const std::string star_helper = stored(img.id, add_path(img.id, qv_rotation_helper_name(star)));
  qv_path_store_style(img.id, "{3}a", std::string("rotate-at: 0 10 10\tstroke: 1 2 3"));
  qv_path_store_style(img.id, "{3}b", std::string("rotate-at: 0 10 10\tstroke: 1 2 3"));
  ASSERT_TRUE(qv_path_set_current(img.id, group_helper.c_str()));

  qv_helpers_remove_rotation(img.id, "{3}a");
  EXPECT_EQ((std::vector<std::string>{"star", "{3}a", "{3}b", star_helper}), path_names(img.id));
  EXPECT_EQ("{3}a", qv_path_current(img.id));
  EXPECT_EQ("rotate-at: 0 10 10\tstroke: 1 2 3", qv_path_get_style_text(img.id, "{3}a", nullptr));
  EXPECT_EQ("stroke: 1 2 3", qv_path_get_style_text(img.id, "{3}b", nullptr));

  // Asked for a helper itself, nothing is touched.
  qv_helpers_remove_rotation(img.id, star_helper.c_str());
  EXPECT_EQ(4u, qv_path_list(img.id).size());

  // Empty name: the current path's helpers.
  qv_path_set_current(img.id, "star");
  qv_helpers_remove_rotation(img.id, "");
  EXPECT_EQ((std::vector<std::string>{"star", "{3}a", "{3}b"}), path_names(img.id));
}

TEST(HelperPathRemove, GradientHelpersOfThePathOnly) {
  QVScratchImage img;
  const gint32 star = add_path(img.id, "star");
  const gint32 moon = add_path(img.id, "moon");
  const std::string first = stored(img.id, add_path(img.id, qv_gradient_helper_name(star)));
  add_path(img.id, qv_gradient_helper_name(star) + "copy");
  const std::string moons = stored(img.id, add_path(img.id, qv_gradient_helper_name(moon)));
  ASSERT_TRUE(qv_path_set_current(img.id, first.c_str()));

  qv_helpers_remove_gradient(img.id, "star");
  EXPECT_EQ((std::vector<std::string>{"star", "moon", moons}), path_names(img.id));
  EXPECT_EQ("star", qv_path_current(img.id));
}

TEST(HelperPathCleanup, OrphansAndDuplicatesGoOwnersHelpersStay) {
  QVScratchImage img;
  const gint32 star = add_path(img.id, "star");
  const gint32 plain = add_path(img.id, "plain");
  add_path(img.id, "{3}a");
  add_path(img.id, "{3}b");
  qv_path_store_style(img.id, "star", std::string("gradient-line: 0 0 50 50"));
  qv_path_store_style(img.id, "plain", std::string("stroke: 1 2 3"));
  qv_path_store_style(img.id, "{3}a", std::string("rotate-at: 0 10 10"));
  qv_path_store_style(img.id, "{3}b", std::string("rotate-at: 0 10 10"));

  const std::string rotation = stored(img.id, add_path(img.id, qv_rotation_helper_name(star)));
  add_path(img.id, qv_rotation_helper_name(star) + "copy");  // a second helper of star
  const std::string gradient = stored(img.id, add_path(img.id, qv_gradient_helper_name(star)));
  add_path(img.id, qv_gradient_helper_name(plain));   // owner has no gradient line
  add_path(img.id, qv_rotation_helper_name(999999));  // owner gone
  const std::string group = stored(img.id, add_path(img.id, qv_group_rotation_helper_name(3)));
  add_path(img.id, qv_group_rotation_helper_name(3) + "copy");
  add_path(img.id, qv_group_rotation_helper_name(8));  // no path of group 8

  qv_helpers_cleanup(img.id);
  EXPECT_EQ((std::vector<std::string>{"star", "plain", "{3}a", "{3}b", rotation, gradient, group}),
            path_names(img.id));
  // Deleting a duplicate group helper must not strip the group's attributes.
  EXPECT_EQ("rotate-at: 0 10 10", qv_path_get_style_text(img.id, "{3}a", nullptr));
  EXPECT_EQ("rotate-at: 0 10 10", qv_path_get_style_text(img.id, "{3}b", nullptr));

  // Nothing left to clean: nothing changes.
  qv_helpers_cleanup(img.id);
  EXPECT_EQ(7u, qv_path_list(img.id).size());
}

}  // namespace
