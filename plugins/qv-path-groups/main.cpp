// qv-path-groups: named groups of paths kept in the image and in group
// files. This file holds the procedure table and the dispatch; the work
// lives in the library.
#include <glib/gi18n-lib.h>
#include <libgimp/gimp.h>

#include <optional>

#include "gimp/base/qv_procedure_table.h"
#include "gimp/groups/qv_path_group_dialogs.h"
#include "gimp/groups/qv_path_groups_gimp.h"

namespace {

const char *const PROC_SELECT = "plug-in-qv-pathgroup-select";
const char *const PROC_NEW = "plug-in-qv-pathgroup-new";
const char *const PROC_DUPLICATE = "plug-in-qv-pathgroup-new-duplicate";
const char *const PROC_LOAD = "plug-in-qv-pathgroup-load";
const char *const PROC_SAVE = "plug-in-qv-pathgroup-save";
// Stores the current group without renaming it; for scripts and the other
// plug-ins, so it has no menu entry.
const char *const PROC_TO_PARASITE = "plug-in-qv-pathgroup-2-parasite";

const char *const MENU_PATH = "<Image>/QV Path-Tools/Path-Groups ...";

const std::vector<QVParamDef> PARAMS = {{GIMP_PDB_INT32, "mode", N_("0=Interactive")},
                                        {GIMP_PDB_IMAGE, "image", N_("Input image")},
                                        {GIMP_PDB_DRAWABLE, "drawable", N_("Drawable used.")}};

// Every procedure works on an open image; the dialogs and the store say
// what went wrong with it.
bool image_param(QVCall &call, gint32 &image) {
  image = call.param[1].data.d_image;
  if (gimp_image_is_valid(image)) return true;
  qv_reply_status(call.reply, GIMP_PDB_CALLING_ERROR);
  return false;
}

template <int Mode>
void run_manager(QVCall &call) {
  gint32 image;
  if (!image_param(call, image)) return;
  qv_pathgroup_manager_run(image, Mode);
  gimp_displays_flush();
}

template <bool Duplicate>
void run_new(QVCall &call) {
  gint32 image;
  if (!image_param(call, image)) return;
  qv_pathgroup_new_interactive(image, Duplicate);
  gimp_displays_flush();
}

void run_to_parasite(QVCall &call) {
  gint32 image;
  if (!image_param(call, image)) return;
  if (!qv_pathgroup_store_current(image, std::nullopt))
    qv_reply_status(call.reply, GIMP_PDB_EXECUTION_ERROR);
  gimp_displays_flush();
}

// The table is laid out by hand, one procedure to a block.
// clang-format off
const std::vector<QVProcedureDef> &procedure_table() {
  static const std::vector<QVProcedureDef> table = {
      {PROC_SELECT, N_("Blurb!"), N_("Help!"), N_("1. Select ..."), MENU_PATH, PARAMS, {},
       run_manager<QV_PATHGROUP_MANAGER_SELECT>},
      {PROC_NEW, N_("Blurb!"), N_("Help!"), N_("2. New ..."), MENU_PATH, PARAMS, {}, run_new<false>},
      {PROC_DUPLICATE, N_("Blurb!"), N_("Help!"), N_("3. Duplicate"), MENU_PATH, PARAMS, {}, run_new<true>},
      {PROC_LOAD, N_("Blurb!"), N_("Help!"), N_("4. Load ..."), MENU_PATH, PARAMS, {},
       run_manager<QV_PATHGROUP_MANAGER_LOAD>},
      {PROC_SAVE, N_("Blurb!"), N_("Help!"), N_("5. Save ..."), MENU_PATH, PARAMS, {},
       run_manager<QV_PATHGROUP_MANAGER_SAVE>},
      {PROC_TO_PARASITE, N_("Blurb!"), N_("Help!"), nullptr, nullptr, PARAMS, {}, run_to_parasite},
  };
  return table;
}
// clang-format on

}  // namespace

QV_PLUGIN_MAIN(procedure_table)
