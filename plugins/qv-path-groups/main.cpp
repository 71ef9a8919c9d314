// qv-path-groups: named groups of paths kept in the image and in group
// files. This file holds the procedure table and the dispatch; the work
// lives in the library.
#include <glib/gi18n-lib.h>
#include <libgimp/gimp.h>

#include <cstring>
#include <optional>

#include "qv_path_group_dialogs.h"
#include "qv_path_group_store.h"
#include "qv_procedure_table.h"
#include "qv_reply.h"

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

const std::vector<QVProcedureDef> &procedure_table() {
  static const std::vector<QVProcedureDef> table = {
      {PROC_SELECT, N_("Blurb!"), N_("Help!"), N_("1. Select ..."), MENU_PATH, PARAMS, {}},
      {PROC_NEW, N_("Blurb!"), N_("Help!"), N_("2. New ..."), MENU_PATH, PARAMS, {}},
      {PROC_DUPLICATE, N_("Blurb!"), N_("Help!"), N_("3. Duplicate"), MENU_PATH, PARAMS, {}},
      {PROC_LOAD, N_("Blurb!"), N_("Help!"), N_("4. Load ..."), MENU_PATH, PARAMS, {}},
      {PROC_SAVE, N_("Blurb!"), N_("Help!"), N_("5. Save ..."), MENU_PATH, PARAMS, {}},
      {PROC_TO_PARASITE, N_("Blurb!"), N_("Help!"), nullptr, nullptr, PARAMS, {}},
  };
  return table;
}

void query() { qv_install_procedures(procedure_table()); }

bool is(const gchar *name, const char *proc) { return std::strcmp(name, proc) == 0; }

void run(const gchar *name, gint nparams, const GimpParam *param, gint *nreturn_vals, GimpParam **return_vals) {
  static QVReply reply;
  qv_reply_reset(reply);
  qv_init_i18n();

  const gint32 image = nparams >= 2 ? param[1].data.d_image : -1;
  if (nparams < 3 || !gimp_image_is_valid(image)) {
    qv_reply_status(reply, GIMP_PDB_CALLING_ERROR);
  } else if (is(name, PROC_SELECT)) {
    qv_pathgroup_manager_run(image, QV_PATHGROUP_MANAGER_SELECT);
  } else if (is(name, PROC_NEW)) {
    qv_pathgroup_new_interactive(image, false);
  } else if (is(name, PROC_DUPLICATE)) {
    qv_pathgroup_new_interactive(image, true);
  } else if (is(name, PROC_LOAD)) {
    qv_pathgroup_manager_run(image, QV_PATHGROUP_MANAGER_LOAD);
  } else if (is(name, PROC_SAVE)) {
    qv_pathgroup_manager_run(image, QV_PATHGROUP_MANAGER_SAVE);
  } else if (is(name, PROC_TO_PARASITE)) {
    if (!qv_pathgroup_store_current(image, std::nullopt)) qv_reply_status(reply, GIMP_PDB_EXECUTION_ERROR);
  } else {
    qv_reply_status(reply, GIMP_PDB_CALLING_ERROR);
  }
  if (image > 0 && gimp_image_is_valid(image)) gimp_displays_flush();
  qv_reply_return(reply, nreturn_vals, return_vals);
}

}  // namespace

const GimpPlugInInfo PLUG_IN_INFO = {nullptr, nullptr, query, run};

MAIN()
