// The floor's PNG frames: what is read back is what was written, for every
// channel layout GIMP hands out, and a frame that cannot be written leaves
// nothing behind and says so.
#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <png.h>

#include <string>
#include <vector>

#include "core/qv_glib_ptr.h"
#include "floor/qv_floor_png.h"

namespace {

class FloorPng : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = qv_take_string(g_dir_make_tmp("qv-floor-png-XXXXXX", nullptr));
    ASSERT_FALSE(folder.empty());
  }
  void TearDown() override {
    for (const std::string &name : entries()) g_remove((folder + "/" + name).c_str());
    g_rmdir(folder.c_str());
  }

  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    GDir *dir = g_dir_open(folder.c_str(), 0, nullptr);
    if (!dir) return names;
    while (const gchar *name = g_dir_read_name(dir)) names.emplace_back(name);
    g_dir_close(dir);
    return names;
  }

  std::string folder;
};

QVFloorPixels gradient(int width, int height, int channels) {
  QVFloorPixels pixels{width, height, channels, {}};
  for (int i = 0; i < width * height * channels; ++i) pixels.bytes.push_back(guint8(i * 37 + 11));
  return pixels;
}

png_uint_32 format_of(int channels) {
  const png_uint_32 formats[] = {PNG_FORMAT_GRAY, PNG_FORMAT_GA, PNG_FORMAT_RGB, PNG_FORMAT_RGBA};
  return formats[channels - 1];
}

// The file's pixels in the layout they were written in; empty when libpng
// cannot read it or it has another size.
std::vector<guint8> read_back(const std::string &file, const QVFloorPixels &like) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, file.c_str())) return {};
  image.format = format_of(like.channels);
  std::vector<guint8> bytes(PNG_IMAGE_SIZE(image));
  const bool same_size = int(image.width) == like.width && int(image.height) == like.height;
  if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr) || !same_size) return {};
  return bytes;
}

TEST_F(FloorPng, EveryChannelLayoutReadsBackUnchanged) {
  for (int channels = 1; channels <= 4; ++channels) {
    SCOPED_TRACE(channels);
    const std::string file = folder + "/frame_00" + std::to_string(channels) + ".png";
    const QVFloorPixels pixels = gradient(7, 5, channels);
    ASSERT_EQ("", qv_floor_write_png(file, pixels));
    EXPECT_EQ(pixels.bytes, read_back(file, pixels));
  }
  EXPECT_EQ(4u, entries().size()) << "a temporary file was left behind";
}

TEST_F(FloorPng, ReplacesAnEarlierFrameWhole) {
  const std::string file = folder + "/frame_000.png";
  ASSERT_EQ("", qv_floor_write_png(file, gradient(64, 64, 4)));
  const QVFloorPixels smaller = gradient(3, 2, 3);
  ASSERT_EQ("", qv_floor_write_png(file, smaller));
  EXPECT_EQ(smaller.bytes, read_back(file, smaller));
}

TEST_F(FloorPng, AFrameThatCannotBeRenamedLeavesNothingBehind) {
  // A folder in the frame's place: the temporary is written, the rename fails.
  const std::string file = folder + "/frame_000.png";
  ASSERT_EQ(0, g_mkdir(file.c_str(), 0755));
  EXPECT_NE("", qv_floor_write_png(file, gradient(4, 4, 3)));
  EXPECT_EQ(std::vector<std::string>{"frame_000.png"}, entries());
  EXPECT_TRUE(g_file_test(file.c_str(), G_FILE_TEST_IS_DIR));
}

TEST_F(FloorPng, AMissingFolderIsReported) {
  EXPECT_NE("", qv_floor_write_png(folder + "/none/frame_000.png", gradient(2, 2, 3)));
}

TEST_F(FloorPng, PixelsThatDoNotFillThePictureAreRefused) {
  QVFloorPixels short_rows = gradient(8, 8, 3);
  short_rows.bytes.resize(short_rows.bytes.size() - 1);
  QVFloorPixels five_channels = gradient(2, 2, 4);
  five_channels.channels = 5;
  for (const QVFloorPixels &pixels : {short_rows, five_channels, QVFloorPixels{}}) {
    EXPECT_NE("", qv_floor_write_png(folder + "/frame_000.png", pixels));
  }
  EXPECT_TRUE(entries().empty());
}

}  // namespace
