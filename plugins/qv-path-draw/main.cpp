// qv-path-draw: draws paths with their styles, removes Edit Style Layers and
// renders timelines. This file holds the procedure table and the dispatch;
// the work lives in the library.
#include <glib/gi18n-lib.h>
#include <libgimp/gimp.h>

#include <cstring>
#include <string>

#include "qv_animation.h"
#include "qv_draw_current.h"
#include "qv_parasite.h"
#include "qv_procedure_table.h"
#include "qv_reply.h"
#include "qv_render.h"
#include "qv_render_save.h"
#include "qv_timeline_parasites.h"

namespace {

const char *const PROC_DRAW = "plug_in_qv_path_draw";
const char *const PROC_DRAW_CURRENT_TEMP = "plug_in_qv_path_draw_current_temp";
const char *const PROC_DRAW_CURRENT = "plug_in_qv_path_draw_current";
const char *const PROC_REMOVE_ESL = "plug_in_qv_remove_all_esl_layer";
const char *const PROC_RENDER_IMAGE = "plug_in_qv_render_timeline_image";
const char *const PROC_RENDER_IMAGE_COPY = "plug_in_qv_render_timeline_image_copy";
const char *const PROC_RENDER_SAVE = "plug_in_qv_render_timeline_save";

const char *const MENU_PATH = "<Image>/QV Edit | Animate";

const char *const TIMELINE_NAME_OR_FILE = N_("\"C:\\my_timeline.qvt\" or \"timeline_name\"");
const char *const TIMELINE_NAME_OR_FILE_REVERSED = N_("\"timeline_name\" or \"C:\\my_timeline.qvt\"");

const QVParamDef IMAGE_PARAM = {GIMP_PDB_IMAGE, "image", N_("Input image")};
const QVParamDef DRAW_T_PARAM = {GIMP_PDB_FLOAT, "t", N_("0.0 < t < 1.0 (used by animations [@...)")};

const std::vector<QVProcedureDef> &procedure_table() {
  static const std::vector<QVProcedureDef> table = {
      {PROC_DRAW, N_("Draw path with style-attributes at t!"),
       N_("Draw path with style-attributes at t on current drawable!\n t is used by animation-paths "
          "([@...), [@-Script] will run script-fu-qv-batch, image draw and av (=t) variables can be "
          "used within the script. t (av) is recalculated along the path!"),
       N_("path-animation-draw"), nullptr,
       {IMAGE_PARAM,
        {GIMP_PDB_STRING, "path", N_("path or keySpline animation path ([@ ...) to draw")},
        {GIMP_PDB_FLOAT, "t", N_("0.0 <= t <= 1.0 (0=begin, 1=end), used for animation path [@...")}},
       {}},
      {PROC_DRAW_CURRENT_TEMP, N_("Draws Path with Style-Parasite Attributes on ۞ ESL!"),
       N_("Draws current path on ۞ Edit Style Layer with Style-Attributes, if ۞ ESL does not exist "
          "for that path it will be create automatically!"),
       N_("5. Draw on ۞ ESL"), MENU_PATH,
       {{GIMP_PDB_INT32, "mode", N_("0  (t=0.5) | 1 use t below")},
        IMAGE_PARAM,
        {GIMP_PDB_DRAWABLE, "draw", N_("unused")},
        DRAW_T_PARAM},
       {}},
      {PROC_DRAW_CURRENT, N_("Draws Path with Style-Parasite Attributes on active drawable!"),
       N_("Draws current path on active drawable with Style-Attributes!"), N_("4. Draw Path"),
       MENU_PATH,
       {{GIMP_PDB_INT32, "mode", N_("0  (t=0.5) | 1 use t below | 2 use t below, NO UNSET_ESL")},
        IMAGE_PARAM,
        {GIMP_PDB_DRAWABLE, "draw", N_("unused")},
        DRAW_T_PARAM},
       {}},
      {PROC_REMOVE_ESL, N_("Remove all Edit Style Layers!"), N_("Remove all Edit Style Layers!"),
       N_("6. Remove ۞ ESL"), MENU_PATH,
       {{GIMP_PDB_INT32, "mode", N_("0=Interactive | 1=Non-Interactive")},
        IMAGE_PARAM,
        {GIMP_PDB_DRAWABLE, "drawable", N_("Drawable")}},
       {}},
      {PROC_RENDER_IMAGE, N_("Renders Timeline on original image (flatten image ignored)!"),
       N_("Renders Timeline on original image (flatten image ignored)! "
          "\"qv-general-script-before-render\" and \"qv-general-script-after-render\" ignored!"),
       PROC_RENDER_IMAGE, nullptr,
       {IMAGE_PARAM,
        {GIMP_PDB_STRING, "timeline", TIMELINE_NAME_OR_FILE},
        {GIMP_PDB_FLOAT, "t", N_("0.0 <= t <= 1.0")}},
       {{GIMP_PDB_IMAGE, "imageR", N_("rendered image == input image")}}},
      {PROC_RENDER_IMAGE_COPY, N_("Renders Timeline on copy of image!"),
       N_("Renders Timeline on copy of image and closes opened image by qv_path_draw! "
          "\"qv-general-script-before-render\" and \"qv-general-script-after-render\" ignored!"),
       PROC_RENDER_IMAGE_COPY, nullptr,
       {IMAGE_PARAM,
        {GIMP_PDB_STRING, "timeline", TIMELINE_NAME_OR_FILE_REVERSED},
        {GIMP_PDB_FLOAT, "t", N_("0.0 <= t <= 1.0")}},
       {{GIMP_PDB_IMAGE, "imageR", N_("rendered copy of image")}}},
      {PROC_RENDER_SAVE, N_("Renders Timeline on copy of image!"),
       N_("Renders Timeline on copy of image, save to disk and delete copy of image!"),
       N_("3. Render Timeline"), MENU_PATH,
       {{GIMP_PDB_INT32, "mode",
         N_("0=Interactive, 1=Non-Interactive, 2=Non-Interactive (g_strcompress(input_strings))")},
        IMAGE_PARAM,
        {GIMP_PDB_DRAWABLE, "drawable", N_("unused")},
        {GIMP_PDB_STRING, "timeline", TIMELINE_NAME_OR_FILE_REVERSED},
        {GIMP_PDB_STRING, "startframe", N_("save as e.g. \"C:\\my_frame_007.png\"")},
        {GIMP_PDB_INT32, "num", N_("number of frames to render and save")}},
       {{GIMP_PDB_INT32, "ret_val", N_("-1=Cancel, 0=no Timeline, 1=Success")}}},
  };
  return table;
}

void query() { qv_install_procedures(procedure_table()); }

// Runs `draw` under the rendering marker. The outermost run owns the marker
// and closes the images that nested draws opened; a nested run leaves both.
template <typename Fn>
void with_rendering_marker(Fn &&draw) {
  const bool was_set = qv_rendering_flag(true);
  draw();
  if (!was_set) {
    qv_rendering_flag(false);
    qv_close_opened_images(0);
  }
}

void run_draw(const GimpParam *param) {
  const gint32 image = param[0].data.d_image;
  const char *path = param[1].data.d_string;
  const double t = param[2].data.d_float;
  with_rendering_marker([&] {
    const gint state = gimp_image_get_tattoo_state(image);
    qv_path_animation_draw3(image, path ? path : "", t, image, nullptr);
    gimp_image_set_tattoo_state(image, state);
  });
}

// A menu call carries no mode and no t: it draws at the gimprc's default t
// on the target the menu entry names, as mode 0 does.
void run_draw_current(const gchar *name, gint nparams, const GimpParam *param) {
  const bool has_t = nparams >= 4;
  const gint32 mode = has_t ? param[0].data.d_int32 : 0;
  const gint32 image = param[1].data.d_image;
  with_rendering_marker([&] {
    const double t = mode != 0 ? param[3].data.d_float : qv_default_t();
    QVDrawTarget target = QVDrawTarget::unset_esl;
    if (std::strcmp(name, PROC_DRAW_CURRENT_TEMP) == 0)
      target = QVDrawTarget::esl;
    else if (mode == 2)
      target = QVDrawTarget::active_layer;
    qv_path_draw_current(image, target, t);
  });
}

gint32 run_render_timeline_image(const GimpParam *param, bool in_place) {
  const gint32 image = param[0].data.d_image;
  const std::string timeline = param[1].data.d_string ? param[1].data.d_string : "";
  if (in_place) gimp_image_undo_group_start(image);
  const gint32 rendered =
      qv_timeline_render_at(image, timeline, param[2].data.d_float, in_place ? QV_RENDER_ON_SOURCE : 0);
  if (in_place) gimp_image_undo_group_end(image);
  return rendered;
}

std::string uncompressed(const char *text) {
  if (!text) return {};
  gchar *plain = g_strcompress(text);
  std::string out = plain;
  g_free(plain);
  return out;
}

// A menu call carries neither timeline nor frames: it asks for them in the
// Render Timeline dialog, as mode 0 does.
gint32 run_render_timeline_save(gint nparams, const GimpParam *param) {
  const gint32 mode = nparams >= 6 ? param[0].data.d_int32 : 0;
  const gint32 image = param[1].data.d_image;
  if (!qv_image_is_open(image)) return -1;
  qv_timeline_parasites_migrate(image);
  if (mode == 0) {
    qv_timelines_in_progress_clear();
    return qv_render_timeline_dialog(image);
  }
  const char *timeline = param[3].data.d_string;
  const char *startframe = param[4].data.d_string;
  if (mode == 2) return qv_render_and_save(image, uncompressed(timeline), uncompressed(startframe), param[5].data.d_int32);
  return qv_render_and_save(image, timeline ? timeline : "", startframe ? startframe : "", param[5].data.d_int32);
}

void run(const gchar *name, gint nparams, const GimpParam *param, gint *nreturn_vals,
         GimpParam **return_vals) {
  static QVReply reply;
  qv_reply_reset(reply);
  qv_init_i18n();

  if (std::strcmp(name, PROC_DRAW) == 0 && nparams >= 3) {
    run_draw(param);
  } else if ((std::strcmp(name, PROC_DRAW_CURRENT) == 0 ||
              std::strcmp(name, PROC_DRAW_CURRENT_TEMP) == 0) && nparams >= 2) {
    run_draw_current(name, nparams, param);
  } else if (std::strcmp(name, PROC_REMOVE_ESL) == 0 && nparams >= 2) {
    qv_remove_all_esl_layers(param[1].data.d_image);
  } else if ((std::strcmp(name, PROC_RENDER_IMAGE) == 0 ||
              std::strcmp(name, PROC_RENDER_IMAGE_COPY) == 0) && nparams >= 3) {
    const gint32 rendered = run_render_timeline_image(param, std::strcmp(name, PROC_RENDER_IMAGE) == 0);
    qv_reply_image(reply, rendered);
  } else if (std::strcmp(name, PROC_RENDER_SAVE) == 0 && nparams >= 2) {
    qv_reply_int(reply, run_render_timeline_save(nparams, param));
  }
  qv_reply_return(reply, nreturn_vals, return_vals);
}

}  // namespace

const GimpPlugInInfo PLUG_IN_INFO = {nullptr, nullptr, query, run};

MAIN()
