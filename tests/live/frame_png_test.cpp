// PNG frames written in the render process must decode to exactly the pixels
// GIMP's own PNG export writes with the same settings.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/qv_glib_ptr.h"
#include "gimp/render/qv_frame_png.h"
#include "live_support.h"

namespace {

struct QVDecoded {
  int width = 0, height = 0, channels = 0;
  std::vector<guint8> pixels;  // rows without padding
};

QVDecoded decode(const std::string &file) {
  QVDecoded d;
  GdkPixbuf *p = gdk_pixbuf_new_from_file(file.c_str(), nullptr);
  if (!p) return d;
  d.width = gdk_pixbuf_get_width(p);
  d.height = gdk_pixbuf_get_height(p);
  d.channels = gdk_pixbuf_get_n_channels(p);
  const guint8 *data = gdk_pixbuf_read_pixels(p);
  const int stride = gdk_pixbuf_get_rowstride(p);
  for (int y = 0; y < d.height; ++y)
    d.pixels.insert(d.pixels.end(), data + y * stride, data + y * stride + d.width * d.channels);
  g_object_unref(p);
  return d;
}

struct FramePng : ::testing::Test {
  QVTestImage image{97, 61};  // odd sizes: rows are not multiples of anything
  std::string folder = qv_take_string(g_dir_make_tmp("qv-frame-png-XXXXXX", nullptr));
  ~FramePng() override {
    for (const char *name : {"suite.png", "gimp.png"}) g_remove((folder + "/" + name).c_str());
    g_rmdir(folder.c_str());
  }

  // Colours that vary in every channel, a half-transparent band and fully
  // transparent pixels that still carry a colour.
  void paint() {
    gimp_context_push();
    gimp_context_set_foreground(&kRed);
    gimp_context_set_background(&kTeal);
    gimp_edit_blend(image.layer, GIMP_BLEND_FG_BG_RGB, GIMP_LAYER_MODE_NORMAL, GIMP_GRADIENT_LINEAR,
                    100, 0, GIMP_REPEAT_NONE, FALSE, FALSE, 1, 0, FALSE, 0, 0, 97, 61);
    gimp_image_select_rectangle(image.id, GIMP_CHANNEL_OP_REPLACE, 10, 20, 50, 7);
    gimp_edit_clear(image.layer);
    gimp_selection_none(image.id);
    const guint8 hidden[4] = {200, 100, 50, 0}, faint[4] = {1, 2, 3, 128};
    gimp_drawable_set_pixel(image.layer, 3, 4, 4, hidden);
    gimp_drawable_set_pixel(image.layer, 5, 6, 4, faint);
    gimp_context_pop();
  }

  // Both writers with the same settings; the decoded frames must agree.
  void expect_same_pixels(gint32 drawable, const QVPngSettings &s, const char *label) {
    const std::string suite = folder + "/suite.png", gimp = folder + "/gimp.png";
    ASSERT_EQ(qv_frame_png_write(image.id, drawable, suite, s), QVPngWrite::written) << label;
    ASSERT_TRUE(qv_frame_png_write_with_gimp(image.id, drawable, gimp, s)) << label;
    const QVDecoded a = decode(suite), b = decode(gimp);
    ASSERT_GT(a.width, 0) << label;
    EXPECT_EQ(a.width, b.width) << label;
    EXPECT_EQ(a.height, b.height) << label;
    EXPECT_EQ(a.channels, b.channels) << label;
    EXPECT_TRUE(a.pixels == b.pixels) << label;
  }

  static constexpr GimpRGB kRed{0.9, 0.1, 0.2, 1.0};
  static constexpr GimpRGB kTeal{0.0, 0.5, 0.45, 1.0};
};

TEST_F(FramePng, DecodesToThePixelsGimpWrites) {
  paint();
  QVPngSettings plain;
  QVPngSettings interlaced;
  interlaced.interlace = true;
  interlaced.compression = 0;
  QVPngSettings keep_hidden;
  keep_hidden.transparent_colours = true;
  QVPngSettings chunks;
  chunks.gamma = chunks.offsets = true;
  chunks.background = chunks.resolution = chunks.comment = false;
  for (const auto &[settings, label] :
       {std::pair{plain, "defaults, with alpha"}, std::pair{interlaced, "interlaced, level 0"},
        std::pair{keep_hidden, "transparent colours kept"}, std::pair{chunks, "other chunks"}})
    expect_same_pixels(image.layer, settings, label);

  gimp_layer_set_offsets(image.layer, 3, 2);
  expect_same_pixels(image.layer, chunks, "layer with offsets");
  expect_same_pixels(gimp_image_flatten(image.id), plain, "flattened frame, no alpha");
}

TEST_F(FramePng, LeavesWhatItCannotWriteToGimpOrNothingBehind) {
  gimp_image_convert_grayscale(image.id);
  const std::string frame = folder + "/suite.png";
  EXPECT_EQ(qv_frame_png_write(image.id, image.layer, frame, {}), QVPngWrite::unsupported);
  EXPECT_FALSE(g_file_test(frame.c_str(), G_FILE_TEST_EXISTS));

  QVTestImage rgb;
  const std::string nowhere = folder + "/missing/suite.png";
  EXPECT_EQ(qv_frame_png_write(rgb.id, rgb.layer, nowhere, {}), QVPngWrite::failed);
  EXPECT_EQ(qv_frame_png_write(rgb.id, -1, frame, {}), QVPngWrite::unsupported);
}

}  // namespace
