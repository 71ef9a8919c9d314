// The render benchmark's floor: per frame the work no renderer can skip
// (duplicate the image, flatten the copy, read its pixels, write a PNG),
// with nothing drawn. The pixels are read through the legacy pixel regions,
// so this process never starts GEGL, and encoded with libpng in-process.
// Installed only into the benchmark's own GIMP profile.
#define GIMP_DISABLE_DEPRECATION_WARNINGS 1
#include <libgimp/gimp.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "core/qv_frame_names.h"
#include "floor/qv_floor_png.h"
#include "gimp/base/qv_scopes.h"

namespace {

const char *const PROC = "plug-in-qv-bench-floor";

struct QVDrawableDetach {
  void operator()(GimpDrawable *drawable) const { gimp_drawable_detach(drawable); }
};
using QVDrawable = std::unique_ptr<GimpDrawable, QVDrawableDetach>;

void query() {
  static const GimpParamDef args[] = {
      {GIMP_PDB_INT32, (gchar *)"run-mode", (gchar *)"The run mode"},
      {GIMP_PDB_IMAGE, (gchar *)"image", (gchar *)"Image whose frames are saved"},
      {GIMP_PDB_DRAWABLE, (gchar *)"drawable", (gchar *)"Unused"},
      {GIMP_PDB_STRING, (gchar *)"first-frame", (gchar *)"File name of the first frame"},
      {GIMP_PDB_INT32, (gchar *)"frames", (gchar *)"Number of frames"}};
  static const GimpParamDef results[] = {
      {GIMP_PDB_INT32, (gchar *)"saved", (gchar *)"Number of frames saved"}};
  gimp_install_procedure(PROC, "Saves unchanged frames of an image (a benchmark's floor)",
                         "Per frame duplicates the image, flattens the copy and writes it as PNG.",
                         "QV", "QV", "2026", nullptr, "RGB*, GRAY*", GIMP_PLUGIN,
                         G_N_ELEMENTS(args), G_N_ELEMENTS(results), args, results);
}

std::optional<QVFloorPixels> read_pixels(gint32 layer) {
  if (gimp_drawable_is_indexed(layer)) return std::nullopt;
  QVDrawable drawable(gimp_drawable_get(layer));
  if (!drawable) return std::nullopt;
  QVFloorPixels pixels;
  pixels.width = int(drawable->width);
  pixels.height = int(drawable->height);
  pixels.channels = int(drawable->bpp);
  pixels.bytes.resize(size_t(pixels.width) * size_t(pixels.height) * size_t(pixels.channels));
  GimpPixelRgn region;
  gimp_pixel_rgn_init(&region, drawable.get(), 0, 0, drawable->width, drawable->height, FALSE,
                      FALSE);
  gimp_pixel_rgn_get_rect(&region, pixels.bytes.data(), 0, 0, pixels.width, pixels.height);
  return pixels;
}

// Empty when the frame is on disk, otherwise why not.
std::string save_frame(gint32 image, const std::string &file) {
  QVTempImage copy(gimp_image_duplicate(image));
  if (copy.id < 1) return "cannot duplicate the image";
  gimp_image_undo_disable(copy.id);
  const gint32 flat = gimp_image_flatten(copy.id);
  if (flat < 1) return "cannot flatten the copy";
  const auto pixels = read_pixels(flat);
  if (!pixels) return "cannot read the flattened pixels (indexed images are not supported)";
  return qv_floor_write_png(file, *pixels);
}

void run(const gchar *, gint nparams, const GimpParam *param, gint *nreturn_vals,
         GimpParam **return_vals) {
  static GimpParam values[2];
  values[0].type = GIMP_PDB_STATUS;
  values[0].data.d_status = GIMP_PDB_CALLING_ERROR;
  values[1].type = GIMP_PDB_INT32;
  values[1].data.d_int32 = 0;
  *nreturn_vals = 2;
  *return_vals = values;
  if (nparams < 5 || !param[3].data.d_string || !gimp_image_is_valid(param[1].data.d_image)) return;
  const gint32 image = param[1].data.d_image;
  const QVFrameName first = qv_frame_name_split(param[3].data.d_string);
  const gint32 frames = param[4].data.d_int32;
  values[0].data.d_status = GIMP_PDB_SUCCESS;
  for (gint32 i = 0; i < frames; ++i) {
    const std::string file = qv_frame_name_build(first, first.start + i);
    const std::string failure = save_frame(image, file);
    if (!failure.empty()) {
      std::fprintf(stderr, "%s: %s: %s\n", PROC, file.c_str(), failure.c_str());
      values[0].data.d_status = GIMP_PDB_EXECUTION_ERROR;
      return;
    }
    ++values[1].data.d_int32;
  }
}

}  // namespace

const GimpPlugInInfo PLUG_IN_INFO = {nullptr, nullptr, query, run};

MAIN()
