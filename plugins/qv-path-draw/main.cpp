// qv-path-draw: draws paths with their styles, removes Edit Style Layers and
// renders timelines. This file holds the procedure table and the dispatch;
// the work lives in the library.
#include <glib/gi18n-lib.h>
#include <libgimp/gimp.h>

#include <optional>
#include <string>

#include "gimp/animate/qv_animation.h"
#include "gimp/animate/qv_draw_current.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_procedure_table.h"
#include "gimp/base/qv_render_session.h"
#include "gimp/base/qv_scopes.h"
#include "gimp/render/qv_render.h"
#include "gimp/render/qv_render_save.h"
#include "gimp/style/qv_esl.h"
#include "gimp/timeline/qv_timeline_parasites.h"

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
const char *const TIMELINE_NAME_OR_FILE_REVERSED =
    N_("\"timeline_name\" or \"C:\\my_timeline.qvt\"");

const QVParamDef IMAGE_PARAM = {GIMP_PDB_IMAGE, "image", N_("Input image")};
const QVParamDef DRAW_T_PARAM = {GIMP_PDB_FLOAT, "t",
                                 N_("0.0 < t < 1.0 (used by animations [@...)")};

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

void run_draw(QVCall &call) {
  if (!qv_call_image_exists(call, 0)) return;
  const gint32 image = call.param[0].data.d_image;
  const double t = call.param[2].data.d_float;
  with_rendering_marker([&] {
    const gint state = gimp_image_get_tattoo_state(image);
    qv_path_animation_draw3(image, call.text(1), t, image, nullptr);
    gimp_image_set_tattoo_state(image, state);
  });
}

// A menu call carries no mode and no t: it draws at the gimprc's default t
// on the target the menu entry names, as mode 0 does.
void run_draw_current(QVCall &call) {
  if (!qv_call_image_exists(call, 1)) return;
  const bool has_t = call.nparams >= 4;
  const gint32 mode = has_t ? call.param[0].data.d_int32 : 0;
  const gint32 image = call.param[1].data.d_image;
  with_rendering_marker([&] {
    const double t = mode != 0 ? call.param[3].data.d_float : qv_default_t();
    QVDrawTarget target = QVDrawTarget::unset_esl;
    if (call.is(PROC_DRAW_CURRENT_TEMP))
      target = QVDrawTarget::esl;
    else if (mode == 2)
      target = QVDrawTarget::active_layer;
    qv_path_draw_current(image, target, t);
  });
}

void run_remove_esl(QVCall &call) {
  if (qv_call_image_exists(call, 1)) qv_esl_remove_all(call.param[1].data.d_image);
}

void run_render_timeline_image(QVCall &call) {
  const bool in_place = call.is(PROC_RENDER_IMAGE);
  const gint32 image = call.param[0].data.d_image;
  std::optional<QVUndoGroup> undo;  // only a render onto the image itself is undoable
  if (in_place) undo.emplace(image);
  const gint32 rendered = qv_timeline_render_at(image, call.text(1), call.param[2].data.d_float,
                                                in_place ? QV_RENDER_ON_SOURCE : 0);
  undo.reset();
  qv_reply_image(call.reply, rendered);
}

std::string uncompressed(const char *text) {
  gchar *plain = g_strcompress(text);
  std::string out = plain;
  g_free(plain);
  return out;
}

// A menu call carries neither timeline nor frames: it asks for them in the
// Render Timeline dialog, as mode 0 does.
gint32 render_timeline_save(QVCall &call) {
  const gint32 mode = call.nparams >= 6 ? call.param[0].data.d_int32 : 0;
  const gint32 image = call.param[1].data.d_image;
  if (!qv_call_image_named(call, 1)) return -1;
  qv_timeline_parasites_migrate(image);
  if (mode == 0) {
    qv_timelines_in_progress_clear();
    return qv_render_timeline_dialog(image);
  }
  const gint32 num = call.param[5].data.d_int32;
  if (mode == 2)
    return qv_render_and_save(image, uncompressed(call.text(3)), uncompressed(call.text(4)), num);
  return qv_render_and_save(image, call.text(3), call.text(4), num);
}

void run_render_timeline_save(QVCall &call) {
  qv_reply_int(call.reply, render_timeline_save(call));
}

// The table is laid out by hand, one procedure to a block.
// clang-format off
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
       {},
       run_draw},
      {PROC_DRAW_CURRENT_TEMP, N_("Draws Path with Style-Parasite Attributes on ۞ ESL!"),
       N_("Draws current path on ۞ Edit Style Layer with Style-Attributes, if ۞ ESL does not exist "
          "for that path it will be create automatically!"),
       N_("5. Draw on ۞ ESL"), MENU_PATH,
       {{GIMP_PDB_INT32, "mode", N_("0  (t=0.5) | 1 use t below")},
        IMAGE_PARAM,
        {GIMP_PDB_DRAWABLE, "draw", N_("unused")},
        DRAW_T_PARAM},
       {},
       run_draw_current,
       QV_MENU_CALL_PARAMS},
      {PROC_DRAW_CURRENT, N_("Draws Path with Style-Parasite Attributes on active drawable!"),
       N_("Draws current path on active drawable with Style-Attributes!"), N_("4. Draw Path"),
       MENU_PATH,
       {{GIMP_PDB_INT32, "mode", N_("0  (t=0.5) | 1 use t below | 2 use t below, NO UNSET_ESL")},
        IMAGE_PARAM,
        {GIMP_PDB_DRAWABLE, "draw", N_("unused")},
        DRAW_T_PARAM},
       {},
       run_draw_current,
       QV_MENU_CALL_PARAMS},
      {PROC_REMOVE_ESL, N_("Remove all Edit Style Layers!"), N_("Remove all Edit Style Layers!"),
       N_("6. Remove ۞ ESL"), MENU_PATH,
       {{GIMP_PDB_INT32, "mode", N_("0=Interactive | 1=Non-Interactive")},
        IMAGE_PARAM,
        {GIMP_PDB_DRAWABLE, "drawable", N_("Drawable")}},
       {},
       run_remove_esl},
      {PROC_RENDER_IMAGE, N_("Renders Timeline on original image (flatten image ignored)!"),
       N_("Renders Timeline on original image (flatten image ignored)! "
          "\"qv-general-script-before-render\" and \"qv-general-script-after-render\" ignored!"),
       PROC_RENDER_IMAGE, nullptr,
       {IMAGE_PARAM,
        {GIMP_PDB_STRING, "timeline", TIMELINE_NAME_OR_FILE},
        {GIMP_PDB_FLOAT, "t", N_("0.0 <= t <= 1.0")}},
       {{GIMP_PDB_IMAGE, "imageR", N_("rendered image == input image")}},
       run_render_timeline_image},
      {PROC_RENDER_IMAGE_COPY, N_("Renders Timeline on copy of image!"),
       N_("Renders Timeline on copy of image and closes opened image by qv_path_draw! "
          "\"qv-general-script-before-render\" and \"qv-general-script-after-render\" ignored!"),
       PROC_RENDER_IMAGE_COPY, nullptr,
       {IMAGE_PARAM,
        {GIMP_PDB_STRING, "timeline", TIMELINE_NAME_OR_FILE_REVERSED},
        {GIMP_PDB_FLOAT, "t", N_("0.0 <= t <= 1.0")}},
       {{GIMP_PDB_IMAGE, "imageR", N_("rendered copy of image")}},
       run_render_timeline_image},
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
       {{GIMP_PDB_INT32, "ret_val", N_("-1=Cancel, 0=no Timeline, 1=Success")}},
       run_render_timeline_save,
       QV_MENU_CALL_PARAMS},
  };
  return table;
}
// clang-format on

}  // namespace

QV_PLUGIN_MAIN(procedure_table)
