// qv-path-style: the path-style editor, and the in-between and duplicate
// operations it offers, for scripts. This file holds the procedure table
// and the dispatch; the work lives in the library.
#include <glib/gi18n-lib.h>
#include <libgimp/gimp.h>

#include <string>
#include <vector>

#include "gimp/animate/qv_inbetween_gimp.h"
#include "gimp/base/qv_procedure_table.h"
#include "gimp/editor/qv_style_editor_session.h"
#include "gimp/paths/qv_paths.h"

namespace {

const char *const PROC_EDIT = "plug_in_qv_path_edit_style";
const char *const PROC_INBETWEEN = "plug_in_qv_path_new_inbetween";
const char *const PROC_INBETWEEN2 = "plug_in_qv_path_new_inbetween2";
const char *const PROC_DUPLICATE = "plug_in_qv_path_duplicate_plus";

const QVParamDef IMAGE = {GIMP_PDB_IMAGE, "image", N_("Input image")};
const std::vector<QVParamDef> INBETWEEN_PARAMS = {
    IMAGE,
    {GIMP_PDB_STRING, "path_0", N_("If t<=0, this path will be duplicated!")},
    {GIMP_PDB_STRING, "path_1", N_("If t>=1, this path will be duplicated!")},
    {GIMP_PDB_FLOAT, "t", N_("0 <= t <= 1")},
    {GIMP_PDB_STRING, "path_new", N_("New path will have this name!")}};

void run_edit(QVCall &call) {
  if (call.param[0].data.d_int32 == GIMP_RUN_NONINTERACTIVE) {
    g_message("Non interactive!");
    return;
  }
  if (!qv_call_image_exists(call, 1)) return;
  qv_style_editor_run(call.param[1].data.d_image);
}

void run_inbetween(QVCall &call) {
  if (!qv_call_image_exists(call, 0)) return;
  gint32 out = call.param[0].data.d_image;
  if (call.is(PROC_INBETWEEN2)) {
    if (!qv_call_image_exists(call, 5)) return;
    out = call.param[5].data.d_image;
  }
  qv_path_new_inbetween(call.param[0].data.d_image, call.text(1), call.text(2),
                        call.param[3].data.d_float, call.text(4), out, nullptr);
}

void run_duplicate(QVCall &call) {
  if (!qv_call_image_exists(call, 1)) return;
  const gint32 image = call.param[1].data.d_image;
  const auto current = qv_path_current(image);
  if (!current) {
    g_message("No Path available!");
    return;
  }
  qv_path_new_inbetween(image, current->c_str(), "", 0, nullptr, image, nullptr);
  gimp_displays_flush();
}

// The table is laid out by hand, one procedure to a block.
// clang-format off
const std::vector<QVProcedureDef> &procedure_table() {
  static const std::vector<QVProcedureDef> table = {
      {PROC_EDIT, N_("Blurb!"), N_("Help!"), N_("1. Edit Path-Style"), "<Image>/QV Edit | Animate",
       {{GIMP_PDB_INT32, "run-mode", N_("Interacitve")}, IMAGE,
        {GIMP_PDB_DRAWABLE, "drawable", N_("Input drawable")}},
       {}, run_edit},
      {PROC_INBETWEEN, N_("New Path in between Path-0 and Path-1!"),
       N_("Creates new Path in between Path-0 and Path-1,\nincluding Style-Parasite!"),
       N_("path-in-between"), nullptr, INBETWEEN_PARAMS, {}, run_inbetween},
      {PROC_INBETWEEN2, N_("New Path in between Path-0 and Path-1!"),
       N_("Creates new Path in between Path-0 and Path-1,\nincluding Style-Parasite on given outImage!"),
       N_("path-in-between2"), nullptr,
       [] {
         auto params = INBETWEEN_PARAMS;
         params.push_back({GIMP_PDB_IMAGE, "image_out", N_("New Path will be created \non this image!")});
         return params;
       }(),
       {}, run_inbetween},
      {PROC_DUPLICATE, N_("Duplicate Path plus \"-for-path-\" parasites!"),
       N_("Duplicate Path plus \"-for-path-\" parasites!"), N_("1. Duplicate Path"), "<Image>/QV Path-Tools",
       {{GIMP_PDB_INT32, "mode", N_("Non-Interactive")}, IMAGE,
        {GIMP_PDB_DRAWABLE, "drawable", N_("Drawable, not used")}},
       {}, run_duplicate},
  };
  return table;
}
// clang-format on

}  // namespace

QV_PLUGIN_MAIN(procedure_table)
