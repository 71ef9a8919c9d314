#include "floor/qv_floor_png.h"

#include <glib/gstdio.h>
#include <png.h>

#include <cstdio>
#include <memory>

#include "core/qv_frame_temporary.h"

namespace {

struct QVFileClose {
  void operator()(FILE *file) const { std::fclose(file); }
};
using QVFile = std::unique_ptr<FILE, QVFileClose>;

// `channels` is checked to lie in 1...4 before.
int colour_type(int channels) {
  static const int types[] = {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB,
                              PNG_COLOR_TYPE_RGB_ALPHA};
  return types[channels - 1];
}

std::string check(const QVFloorPixels &pixels) {
  if (pixels.width < 1 || pixels.height < 1) return "empty picture";
  if (pixels.channels < 1 || pixels.channels > 4) return "unsupported channel count";
  const size_t expected = size_t(pixels.width) * size_t(pixels.height) * size_t(pixels.channels);
  if (pixels.bytes.size() != expected) return "pixel buffer does not match the picture's size";
  return {};
}

// libpng reports its errors by longjmp, which would skip destructors: this
// function holds nothing that needs one, and frees libpng's state itself.
bool encode(FILE *out, const QVFloorPixels &pixels, png_bytep *rows) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, out);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, png_uint_32(pixels.width), png_uint_32(pixels.height), 8,
               colour_type(pixels.channels), PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

std::string write_file(const std::string &name, const QVFloorPixels &pixels) {
  std::vector<png_bytep> rows(size_t(pixels.height));
  const size_t stride = size_t(pixels.width) * size_t(pixels.channels);
  for (size_t y = 0; y < rows.size(); ++y)
    rows[y] = const_cast<png_bytep>(pixels.bytes.data() + y * stride);
  QVFile out(g_fopen(name.c_str(), "wb"));
  if (!out) return "cannot create " + name;
  if (!encode(out.get(), pixels, rows.data())) return "cannot encode " + name;
  // A full disk often shows only when the buffered rest is written out.
  if (std::fclose(out.release()) != 0) return "cannot write " + name;
  return {};
}

}  // namespace

std::string qv_floor_write_png(const std::string &file, const QVFloorPixels &pixels) {
  const std::string wrong = check(pixels);
  if (!wrong.empty()) return wrong;
  const std::string temporary = qv_frame_temporary_name(file);
  std::string failure = write_file(temporary, pixels);
  if (failure.empty() && g_rename(temporary.c_str(), file.c_str()) != 0)
    failure = "cannot rename " + temporary + " to " + file;
  if (!failure.empty()) g_remove(temporary.c_str());
  return failure;
}
