// The legacy pixel-region calls read a drawable without starting GEGL in
// the plug-in, which would cost more than the frame.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

#include "gimp/render/qv_frame_png.h"

#include <glib/gstdio.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "core/qv_glib_ptr.h"
#include "gimp/base/qv_parasite.h"

const char *const QV_PNG_WRITER_KEY = "qv-png-writer";

namespace {

const char *const kCommentParasite = "gimp-comment";

// The pixels and what the chunks around them say.
struct QVPngFrame {
  int width = 0, height = 0, channels = 0;
  std::vector<guint8> pixels;
  gint offset_x = 0, offset_y = 0;
  double x_resolution = 0, y_resolution = 0;
  GimpRGB background{};
  std::optional<std::string> comment;
};

bool readable(gint32 image, gint32 drawable) {
  if (drawable < 1 || !gimp_item_is_valid(drawable)) return false;
  if (gimp_image_get_precision(image) != GIMP_PRECISION_U8_GAMMA) return false;
  const gint bpp = gimp_drawable_bpp(drawable);
  return gimp_drawable_is_rgb(drawable) && (bpp == 3 || bpp == 4);
}

std::vector<guint8> read_pixels(gint32 drawable, int width, int height, int channels) {
  std::vector<guint8> pixels(static_cast<size_t>(width) * height * channels);
  GimpDrawable *d = gimp_drawable_get(drawable);
  GimpPixelRgn region;
  gimp_pixel_rgn_init(&region, d, 0, 0, width, height, FALSE, FALSE);
  gimp_pixel_rgn_get_rect(&region, pixels.data(), 0, 0, width, height);
  gimp_drawable_detach(d);
  return pixels;
}

// GIMP's export gives fully transparent pixels no colour unless asked to
// keep it, so that hidden colours neither show nor cost space.
void clear_transparent_colours(QVPngFrame &f) {
  if (f.channels != 4) return;
  for (size_t i = 0; i + 3 < f.pixels.size(); i += 4)
    if (f.pixels[i + 3] == 0) f.pixels[i] = f.pixels[i + 1] = f.pixels[i + 2] = 0;
}

QVPngFrame read_frame(gint32 image, gint32 drawable, const QVPngSettings &settings) {
  QVPngFrame f;
  f.width = gimp_drawable_width(drawable);
  f.height = gimp_drawable_height(drawable);
  f.channels = gimp_drawable_bpp(drawable);
  f.pixels = read_pixels(drawable, f.width, f.height, f.channels);
  if (!settings.transparent_colours) clear_transparent_colours(f);
  gimp_drawable_offsets(drawable, &f.offset_x, &f.offset_y);
  gimp_image_get_resolution(image, &f.x_resolution, &f.y_resolution);
  gimp_context_get_background(&f.background);
  if (const auto text = qv_image_string_get(image, kCommentParasite); text && !text->empty())
    f.comment = text;
  return f;
}

png_uint_32 per_metre(double per_inch) {
  return static_cast<png_uint_32>(std::lround(std::max(0.0, per_inch) / 0.0254));
}

void set_chunks(png_structp png, png_infop info, const QVPngFrame &f, const QVPngSettings &s) {
  if (s.background) {
    png_color_16 colour{};
    guchar r = 0, g = 0, b = 0;
    gimp_rgb_get_uchar(&f.background, &r, &g, &b);
    colour.red = r, colour.green = g, colour.blue = b;
    png_set_bKGD(png, info, &colour);
  }
  if (s.gamma) png_set_gAMA(png, info, 1.0 / 2.2);
  if (s.offsets && (f.offset_x != 0 || f.offset_y != 0))
    png_set_oFFs(png, info, f.offset_x, f.offset_y, PNG_OFFSET_PIXEL);
  if (s.resolution)
    png_set_pHYs(png, info, per_metre(f.x_resolution), per_metre(f.y_resolution),
                 PNG_RESOLUTION_METER);
}

// libpng reports errors by longjmp: nothing in here may need destroying,
// so every buffer and text is made by the caller.
bool encode(png_structp png, png_infop info, FILE *out, const QVPngFrame &f, const QVPngSettings &s,
            png_bytep *rows, png_text *comment) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, out);
  png_set_compression_level(png, s.compression);
  png_set_IHDR(png, info, f.width, f.height, 8,
               f.channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
               s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  set_chunks(png, info, f, s);
  if (comment) png_set_text(png, info, comment, 1);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, info);
  return true;
}

struct QVPngWriter {
  png_structp png = nullptr;
  png_infop info = nullptr;
  QVPngWriter() {
    png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png) info = png_create_info_struct(png);
  }
  ~QVPngWriter() { png_destroy_write_struct(&png, info ? &info : nullptr); }
  QVPngWriter(const QVPngWriter &) = delete;
  QVPngWriter &operator=(const QVPngWriter &) = delete;
};

struct QVFileClose {
  void operator()(FILE *f) const { std::fclose(f); }
};

bool write_file(const std::string &file, QVPngFrame &f, const QVPngSettings &s) {
  std::vector<png_bytep> rows(static_cast<size_t>(f.height));
  const size_t stride = static_cast<size_t>(f.width) * f.channels;
  for (int y = 0; y < f.height; ++y) rows[y] = f.pixels.data() + y * stride;
  std::string key = "Comment";
  png_text comment{};
  if (f.comment) {
    comment.compression = PNG_TEXT_COMPRESSION_NONE;
    comment.key = key.data();
    comment.text = f.comment->data();
    comment.text_length = f.comment->size();
  }
  QVPngWriter writer;
  if (!writer.info) return false;
  std::unique_ptr<FILE, QVFileClose> out(g_fopen(file.c_str(), "wb"));
  if (!out) return false;
  const bool encoded =
      encode(writer.png, writer.info, out.get(), f, s, rows.data(), f.comment ? &comment : nullptr);
  return encoded && std::fflush(out.get()) == 0 && !std::ferror(out.get());
}

}  // namespace

const QVPngSettings &qv_png_user_settings() {
  static const QVPngSettings settings =
      qv_png_settings_parse(qv_global_parasite_listed(QV_PNG_DEFAULTS_PARASITE)
                                ? qv_global_string_get(QV_PNG_DEFAULTS_PARASITE)
                                : std::nullopt);
  return settings;
}

bool qv_png_through_gimp() {
  static const bool through_gimp = qv_take_string(gimp_gimprc_query(QV_PNG_WRITER_KEY)) == "gimp";
  return through_gimp;
}

QVPngWrite qv_frame_png_write(gint32 image, gint32 drawable, const std::string &file,
                              const QVPngSettings &settings) {
  if (!readable(image, drawable)) return QVPngWrite::unsupported;
  QVPngFrame frame = read_frame(image, drawable, settings);
  if (write_file(file, frame, settings)) return QVPngWrite::written;
  g_remove(file.c_str());
  return QVPngWrite::failed;
}

bool qv_frame_png_write_with_gimp(gint32 image, gint32 drawable, const std::string &file,
                                  const QVPngSettings &s) {
  gint count = 0;
  GimpParam *result = gimp_run_procedure(
      "file-png-save2", &count, GIMP_PDB_INT32, GIMP_RUN_NONINTERACTIVE, GIMP_PDB_IMAGE, image,
      GIMP_PDB_DRAWABLE, drawable, GIMP_PDB_STRING, file.c_str(), GIMP_PDB_STRING, file.c_str(),
      GIMP_PDB_INT32, s.interlace, GIMP_PDB_INT32, s.compression, GIMP_PDB_INT32, s.background,
      GIMP_PDB_INT32, s.gamma, GIMP_PDB_INT32, s.offsets, GIMP_PDB_INT32, s.resolution,
      GIMP_PDB_INT32, 0 /* the save time */, GIMP_PDB_INT32, s.comment, GIMP_PDB_INT32,
      s.transparent_colours, GIMP_PDB_END);
  const bool ok = count >= 1 && result[0].data.d_status == GIMP_PDB_SUCCESS;
  gimp_destroy_params(result, count);
  return ok;
}
