// A helper for rebuilding the bundled examples (not installed): gives an
// image a timeline named after its argument that animates every keyspline
// path of the image on the image's first layer. Script-Fu cannot write the
// binary timeline parasites, so tools/make-demo-image.sh calls this.
#include <libgimp/gimp.h>

#include <string>

#include "gimp/paths/qv_paths.h"
#include "gimp/timeline/qv_timeline_gimp.h"

namespace {

const char *const PROC = "plug_in_qv_example_timeline";

void query() {
  static const GimpParamDef args[] = {{GIMP_PDB_IMAGE, (gchar *)"image", (gchar *)"Input image"},
                                      {GIMP_PDB_STRING, (gchar *)"name", (gchar *)"timeline name"}};
  gimp_install_procedure(PROC, "Adds the examples' timeline", "Adds the examples' timeline", "QV",
                         "QV", "2026", nullptr, "", GIMP_PLUGIN, G_N_ELEMENTS(args), 0, args,
                         nullptr);
}

QVanimChunk entry_for(const std::string &path, gint32 layer_tattoo) {
  QVanimChunk e;
  e.group_id = 1;
  e.path_name = path;
  e.drawable_tattoo = layer_tattoo;
  e.script_name.reset();
  e.script_text.reset();
  e.begin = 0;
  e.duration = 2;
  e.freeze_after = -1;
  if (path == "[@] ride") {
    // Waits unseen, fades in over the first 0.4 s, rides from 0.8 s on.
    e.begin = 0.8;
    e.duration = 1.2;
    e.freeze_before = 0.4;
    e.fade_in = 0.4;
  } else if (path == "[@->S] write") {
    e.duration = 1;
  } else if (path == "[@<-S] unwrite") {
    e.begin = 1;
    e.duration = 1;
    e.freeze_before = -1;
  }
  return e;
}

void run(const gchar *, gint nparams, const GimpParam *param, gint *nreturn_vals,
         GimpParam **return_vals) {
  static GimpParam values[1];
  values[0].type = GIMP_PDB_STATUS;
  values[0].data.d_status = GIMP_PDB_CALLING_ERROR;
  *nreturn_vals = 1;
  *return_vals = values;
  if (nparams < 2) return;
  const gint32 image = param[0].data.d_image;
  gint count = 0;
  gint32 *layers = gimp_image_get_layers(image, &count);
  const gint32 layer = count > 0 ? layers[count - 1] : -1;
  g_free(layers);
  if (layer < 1) return;

  QVTimeline timeline = qv_timeline_new(std::string(param[1].data.d_string));
  timeline.header.fps = 25;
  timeline.header.outpoint_mode = QV_OUT_EXPLICIT;
  timeline.header.outpoint = 2.0;
  const gint32 layer_tattoo = static_cast<gint32>(gimp_item_get_tattoo(layer));
  for (const auto &path : qv_path_list(image))
    if (path.name.compare(0, 2, "[@") == 0)
      qv_timeline_add_entry(timeline, entry_for(path.name, layer_tattoo));
  qv_timeline_store_current(image, timeline);
  values[0].data.d_status = GIMP_PDB_SUCCESS;
}

}  // namespace

const GimpPlugInInfo PLUG_IN_INFO = {nullptr, nullptr, query, run};

MAIN()
