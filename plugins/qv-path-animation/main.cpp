// qv-path-animation: keyspline paths rendered to numbered frame files, for
// scripts. This file holds the procedure table and the dispatch; the work
// lives in the library.
#include <glib/gi18n-lib.h>
#include <libgimp/gimp.h>

#include <string>
#include <vector>

#include "core/qv_render_timing.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_procedure_table.h"
#include "gimp/base/qv_render_session.h"
#include "gimp/render/qv_animation_window.h"
#include "gimp/render/qv_render.h"

namespace {

const char *const PROC_WINDOW = "plug_in_qv_path_animation";
const char *const PROC_RENDER = "plug_in_qv_path_animation_render";
const char *const PROC_RENDER_LIST = "plug_in_qv_path_animation_render_list";

const QVParamDef IMAGE = {GIMP_PDB_IMAGE, "image", N_("Input image")};
const QVParamDef FILENAME = {
    GIMP_PDB_STRING, "filename",
    N_("complete filename with path and extension,\nevtl. startframe number and digits.\n"
       "c:/file_basename_005.png means start number is 5,\nuse minimum 3 digits and write as PNG "
       "format!")};
const QVParamDef FRAMES = {
    GIMP_PDB_INT32, "frames",
    N_("how many frames to render\n(negative values means render for loop application)!")};
const QVParamDef MODE = {
    GIMP_PDB_INT32, "mode",
    N_("0=(save as is), 1=(flatten image), progressive\n2=(save as is), 3=(flatten image), "
       "interlaced-pal even\\odd\n4=(save as is), 5=(flatten image), interlaced-ntsc odd\\even")};

// The render's save step writes frames only while the rendering marker
// stands; a script has no one to set it, so the call does, and takes it
// away again unless a render of its caller had set it.
gint32 render(gint32 image, const std::vector<std::string> &paths, const std::string &file,
              long frames, int mode, double t_start, double t_end) {
  const bool was = qv_rendering_flag(true);
  const gint32 done = qv_render_frames(image, paths, file, frames, qv_render_mode_flags(mode),
                                       t_start, t_end, nullptr);
  if (!was) {
    qv_rendering_flag(false);
    qv_close_opened_images(0);
  }
  return done;
}

void run_render(QVCall &call) {
  if (!qv_call_image_exists(call, 0)) return;
  const GimpParam *p = call.param;
  std::vector<std::string> paths;
  std::string file;
  long frames = 0;
  int mode = 0;
  double t_start = 0, t_end = 1;
  if (call.is(PROC_RENDER)) {
    paths.push_back(call.text(1));
    file = call.text(2);
    frames = p[3].data.d_int32;
    mode = p[4].data.d_int32;
  } else {
    const gint32 count = p[1].data.d_int32;
    if (count < 1 || !p[2].data.d_stringarray) {
      qv_call_refuse(call, _("no path names given"));
      return;
    }
    for (gint32 i = 0; i < count; ++i)
      if (const char *name = p[2].data.d_stringarray[i]) paths.emplace_back(name);
    file = call.text(3);
    frames = p[4].data.d_int32;
    mode = p[5].data.d_int32;
    t_start = p[6].data.d_float;
    t_end = p[7].data.d_float;
  }
  if (file.empty()) {
    qv_call_refuse(call, _("no file name for the frames"));
    return;
  }
  if (frames == 0) {
    qv_call_refuse(call, _("no frames to render (frames is 0)"));
    return;
  }
  if (!render(p[0].data.d_image, paths, file, frames, mode, t_start, t_end))
    call.reply.values[0].data.d_status = GIMP_PDB_EXECUTION_ERROR;
}

// The Animation Renderer. Renders left running by a window that was killed
// leave their markers behind (the rendering marker, and the nested
// timelines they were inside): they are taken down before and after.
void run_window(QVCall &call) {
  if (!qv_call_image_exists(call, 1)) return;
  qv_rendering_flag(false);
  qv_timelines_in_progress_clear();
  qv_animation_window_run(call.param[1].data.d_image);
  qv_rendering_flag(false);
  qv_close_opened_images(0);
}

// The table is laid out by hand, one procedure to a block.
// clang-format off
const std::vector<QVProcedureDef> &procedure_table() {
  static const std::vector<QVProcedureDef> table = {
      {PROC_WINDOW, N_("Render and Preview GUI!"),
       N_("GUI to prieview and render animations, timeline editor etc...!"),
       N_("2. Animation Renderer ..."), "<Image>/QV Edit | Animate",
       {{GIMP_PDB_INT32, "mode", N_("Interactive")}, IMAGE, {GIMP_PDB_DRAWABLE, "drawable", N_("Drawable")}},
       {}, run_window},
      {PROC_RENDER, N_("Renders animation from path on active drawable!"),
       N_("Renders animation from path on active drawable!"), nullptr, nullptr,
       {IMAGE, {GIMP_PDB_STRING, "path", N_("pathname to render \"[@ ...\"")}, FILENAME, FRAMES, MODE},
       {}, run_render},
      {PROC_RENDER_LIST, N_("Renders animation from pathname list on active drawable!"),
       N_("Renders animation from pathname list on active drawable!"), nullptr, nullptr,
       {IMAGE, {GIMP_PDB_INT32, "num_path", N_("number of pathnames in the following array!")},
        {GIMP_PDB_STRINGARRAY, "path", N_("Array of pathnames\n\"[@] animation1\" \"[@->S] animation2\" \"text\" ...")},
        FILENAME, FRAMES, MODE,
        {GIMP_PDB_FLOAT, "tstart", N_("0.0 <= tstart <= 1.0 (if tstart=0 and tend=1, render full animation)")},
        {GIMP_PDB_FLOAT, "tend", N_("0.0 <= tend <= 1.0 (if tstart=1 and tend=0, render reverse animation)")}},
       {}, run_render},
  };
  return table;
}
// clang-format on

}  // namespace

QV_PLUGIN_MAIN(procedure_table)
