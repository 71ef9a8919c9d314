// Image duplication with tattoos in a headless GIMP: the copy's
// paths, layers (also inside a layer group), layer masks and channels carry
// the source's tattoos, both images hand out the same next tattoo, the file
// name goes along, and a bad image id changes nothing.
#include <gtest/gtest.h>
#include <libgimp/gimp.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/qv_glib_ptr.h"
#include "gimp/services/qv_image_duplicate.h"
#include "live_support.h"

namespace {

// An image id that is deleted however the test ends (0 or less: none).
struct QVOwnedImage {
  gint32 id;
  explicit QVOwnedImage(gint32 image) : id(image) {}
  ~QVOwnedImage() {
    if (id > 0 && gimp_image_is_valid(id)) gimp_image_delete(id);
  }
  QVOwnedImage(const QVOwnedImage &) = delete;
  QVOwnedImage &operator=(const QVOwnedImage &) = delete;
};

// Collects the messages logged without a domain while it lives, instead of
// sending them to GIMP.
struct QVMessageCapture {
  std::vector<std::string> messages;
  guint handler;
  QVMessageCapture()
      : handler(g_log_set_handler(nullptr, G_LOG_LEVEL_MESSAGE, &QVMessageCapture::collect, this)) {
  }
  ~QVMessageCapture() { g_log_remove_handler(nullptr, handler); }
  QVMessageCapture(const QVMessageCapture &) = delete;
  QVMessageCapture &operator=(const QVMessageCapture &) = delete;
  static void collect(const gchar *, GLogLevelFlags, const gchar *message, gpointer self) {
    static_cast<QVMessageCapture *>(self)->messages.emplace_back(message ? message : "");
  }
};

using IdListCall = gint *(*)(gint32, gint *);
std::vector<gint32> ids_of(IdListCall call, gint32 owner) {
  gint count = 0;
  gint *ids = call(owner, &count);
  return qv_take_array(ids, count);
}

std::vector<gint32> open_images() {
  gint count = 0;
  gint *ids = gimp_image_list(&count);
  return qv_take_array(ids, count);
}

std::string name_of(gint32 item) { return qv_take_string(gimp_item_get_name(item)); }

std::string filename_of(gint32 image) {
  gchar *name = gimp_image_get_filename(image);
  return name ? qv_take_string(name) : "<none>";
}

gint32 add_layer(gint32 image, const char *name, gint32 parent, bool with_mask) {
  const gint32 layer =
      gimp_layer_new(image, name, 64, 64, GIMP_RGBA_IMAGE, 100, GIMP_LAYER_MODE_NORMAL);
  gimp_image_insert_layer(image, layer, parent, 0);
  if (with_mask) gimp_layer_add_mask(layer, gimp_layer_create_mask(layer, GIMP_ADD_MASK_WHITE));
  return layer;
}

gint32 add_channel(gint32 image, const char *name) {
  const GimpRGB red = {1.0, 0.0, 0.0, 1.0};
  const gint32 channel = gimp_channel_new(image, name, 64, 64, 50.0, &red);
  gimp_image_insert_channel(image, channel, 0, -1);
  return channel;
}

// Every tattooed item of an image as "kind name = tattoo" lines: paths by
// name, layers with their masks and the layers inside groups in stacking
// order, channels in order.
void describe_layers(const std::vector<gint32> &layers, const std::string &indent,
                     std::vector<std::string> &out) {
  for (gint32 layer : layers) {
    out.push_back(indent + "layer " + name_of(layer) + " = " +
                  std::to_string(gimp_item_get_tattoo(layer)));
    const gint32 mask = gimp_layer_get_mask(layer);
    if (mask > 0) out.push_back(indent + "  mask = " + std::to_string(gimp_item_get_tattoo(mask)));
    if (gimp_item_is_group(layer))
      describe_layers(ids_of(gimp_item_get_children, layer), indent + "  ", out);
  }
}

std::vector<std::string> tattoo_map(gint32 image) {
  std::vector<std::string> paths;
  for (gint32 id : ids_of(gimp_image_get_vectors, image))
    paths.push_back("path " + name_of(id) + " = " + std::to_string(gimp_item_get_tattoo(id)));
  std::sort(paths.begin(), paths.end());
  std::vector<std::string> out = paths;
  describe_layers(ids_of(gimp_image_get_layers, image), "", out);
  for (gint32 id : ids_of(gimp_image_get_channels, image))
    out.push_back("channel " + name_of(id) + " = " + std::to_string(gimp_item_get_tattoo(id)));
  return out;
}

std::vector<gint32> all_items(gint32 image) {
  std::vector<gint32> items = ids_of(gimp_image_get_vectors, image);
  std::vector<gint32> layers = ids_of(gimp_image_get_layers, image);
  for (std::size_t i = 0; i < layers.size();
       ++i) {  // grows while walking: groups add their children
    items.push_back(layers[i]);
    const gint32 mask = gimp_layer_get_mask(layers[i]);
    if (mask > 0) items.push_back(mask);
    if (gimp_item_is_group(layers[i]))
      for (gint32 child : ids_of(gimp_item_get_children, layers[i])) layers.push_back(child);
  }
  for (gint32 id : ids_of(gimp_image_get_channels, image)) items.push_back(id);
  return items;
}

// Paths, layers with and without masks, a layer group with children and
// channels. Their tattoos are then handed out anew in an order of their own
// (every item a number from 20 on, counted backwards), and the image's
// tattoo state is set to 57: a duplicate numbering its items afresh cannot
// hit these values by chance.
class ImageDuplicateLive : public testing::Test {
 protected:
  QVTestImage image{64, 64};
  void SetUp() override {
    const gint32 id = image.id;
    add_layer(id, "masked", 0, true);
    const gint32 group = gimp_layer_group_new(id);
    gimp_item_set_name(group, "group");
    gimp_image_insert_layer(id, group, 0, 0);
    add_layer(id, "child plain", group, false);
    add_layer(id, "child masked", group, true);
    add_channel(id, "channel one");
    add_channel(id, "channel two");
    qv_test_add_path(id, "path one", {1, 1, 20, 20});
    qv_test_add_path(id, "[@] keyspline", {2, 2, 30, 10});
    qv_test_add_path(id, "path three", {5, 5, 40, 40});

    const auto items = all_items(id);
    ASSERT_EQ(items.size(), 12u);
    gint32 tattoo = 20 + static_cast<gint32>(items.size());
    for (gint32 item : items) gimp_item_set_tattoo(item, tattoo--);
    ASSERT_TRUE(gimp_image_set_tattoo_state(id, 57));
    ASSERT_EQ(gimp_image_get_tattoo_state(id), 57);
  }
};

TEST_F(ImageDuplicateLive, EveryPathLayerMaskAndChannelKeepsItsTattoo) {
  const auto before = tattoo_map(image.id);
  QVOwnedImage copy(qv_image_duplicate(image.id));
  ASSERT_GT(copy.id, 0);
  EXPECT_NE(copy.id, image.id);
  EXPECT_EQ(tattoo_map(copy.id), before);
  EXPECT_EQ(tattoo_map(image.id), before) << "the source changed";
}

TEST_F(ImageDuplicateLive, BothImagesKeepTattooState57AndHandOutTheSameNextTattoo) {
  QVOwnedImage copy(qv_image_duplicate(image.id));
  ASSERT_GT(copy.id, 0);
  EXPECT_EQ(gimp_image_get_tattoo_state(image.id), 57);
  EXPECT_EQ(gimp_image_get_tattoo_state(copy.id), 57);

  const gint32 in_source = qv_test_tattoo(qv_test_add_path(image.id, "later", {3, 3, 9, 9}));
  const gint32 in_copy = qv_test_tattoo(qv_test_add_path(copy.id, "later", {3, 3, 9, 9}));
  EXPECT_EQ(in_source, in_copy);
  EXPECT_GT(in_copy, 57);
  EXPECT_EQ(gimp_image_get_tattoo_state(image.id), gimp_image_get_tattoo_state(copy.id));
}

TEST_F(ImageDuplicateLive, TheSourcesFileNameGoesAlong) {
  const char *tmp = std::getenv("QV_TEST_TMP");
  const std::string file = std::string(tmp ? tmp : g_get_tmp_dir()) + "/qv-duplicate-source.xcf";
  ASSERT_TRUE(gimp_image_set_filename(image.id, file.c_str()));
  ASSERT_EQ(filename_of(image.id), file);

  QVOwnedImage copy(qv_image_duplicate(image.id));
  ASSERT_GT(copy.id, 0);
  EXPECT_EQ(filename_of(copy.id), file);
  EXPECT_EQ(filename_of(image.id), file);
}

TEST_F(ImageDuplicateLive, WithoutAFileNameTheCopyHasNone) {
  ASSERT_EQ(filename_of(image.id), "<none>");
  QVOwnedImage copy(qv_image_duplicate(image.id));
  ASSERT_GT(copy.id, 0);
  EXPECT_EQ(filename_of(copy.id), "<none>");
}

TEST_F(ImageDuplicateLive, AnInvalidIdReturnsZeroAndTouchesNoImage) {
  const auto images = open_images();
  const auto tattoos = tattoo_map(image.id);
  const gint32 unused = *std::max_element(images.begin(), images.end()) + 1000;
  for (gint32 bad : {unused, 0, -1}) {
    QVMessageCapture capture;
    EXPECT_EQ(qv_image_duplicate(bad), 0) << bad;
    ASSERT_EQ(capture.messages.size(), 1u) << bad;
    EXPECT_EQ(capture.messages[0], "No valid image ID: " + std::to_string(bad));
  }
  EXPECT_EQ(open_images(), images);
  EXPECT_EQ(tattoo_map(image.id), tattoos);
  EXPECT_EQ(gimp_image_get_tattoo_state(image.id), 57);
}

TEST_F(ImageDuplicateLive, ImageOnlyModeKeepsTheFileName) {
  const std::string file = std::string(g_get_tmp_dir()) + "/qv-duplicate-image-only.xcf";
  ASSERT_TRUE(gimp_image_set_filename(image.id, file.c_str()));
  QVOwnedImage copy(qv_image_duplicate_service(QV_DUPLICATE_IMAGE_ONLY, image.id));
  ASSERT_GT(copy.id, 0);
  EXPECT_EQ(filename_of(copy.id), file);
  EXPECT_EQ(tattoo_map(copy.id), tattoo_map(image.id));
}

// gimp-console cannot open displays: the copy comes back all the same, with
// its file name cleared, and no message is shown (there is no screen).
TEST_F(ImageDuplicateLive, DisplayModeWithoutAUserInterfaceReturnsTheCopyQuietly) {
  const std::string file = std::string(g_get_tmp_dir()) + "/qv-duplicate-display.xcf";
  ASSERT_TRUE(gimp_image_set_filename(image.id, file.c_str()));
  QVMessageCapture capture;
  QVOwnedImage copy(qv_image_duplicate_service(QV_DUPLICATE_WITH_DISPLAY, image.id));
  ASSERT_GT(copy.id, 0);
  EXPECT_TRUE(gimp_image_is_valid(copy.id));
  EXPECT_EQ(filename_of(copy.id), "<none>");
  EXPECT_EQ(filename_of(image.id), file);
  EXPECT_EQ(tattoo_map(copy.id), tattoo_map(image.id));
  EXPECT_EQ(gimp_image_get_tattoo_state(copy.id), 57);
  EXPECT_TRUE(capture.messages.empty()) << capture.messages.front();
}

TEST(ImageDuplicateLiveModes, OnlyTheDocumentedModesAndRepeatAreAccepted) {
  EXPECT_TRUE(qv_duplicate_mode_valid(0));
  EXPECT_TRUE(qv_duplicate_mode_valid(1));
  EXPECT_TRUE(qv_duplicate_mode_valid(2));
  EXPECT_FALSE(qv_duplicate_mode_valid(3));
  EXPECT_FALSE(qv_duplicate_mode_valid(-1));
}

}  // namespace
