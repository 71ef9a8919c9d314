// qv-path-clipboard: cut, copy and paste paths together with their tattoos
// and "-for-path-" parasites (styles among them), between images and GIMP
// runs. This file holds the procedure table and the dispatch; the work
// lives in the library.
#include <glib/gi18n-lib.h>
#include <libgimp/gimp.h>

#include <vector>

#include "gimp/base/qv_procedure_table.h"
#include "gimp/services/qv_path_clipboard_gimp.h"

namespace {

const char *const PROC_CUT_PLUS = "plug-in-qv-path-cut-plus";
const char *const PROC_COPY_PLUS = "plug-in-qv-path-copy-plus";
const char *const PROC_PASTE_NR = "plug-in-qv-path-paste-nr";
const char *const PROC_CUT = "plug-in-qv-path-cut";
const char *const PROC_COPY = "plug-in-qv-path-copy";
const char *const PROC_PASTE = "plug-in-qv-path-paste";
const char *const PROC_PASTE_GROUP = "plug-in-qv-path-paste-group";

const char *const MENU_PATH = "<Image>/QV Path-Tools";

#define CUT_PLUS_BLURB \
  "Copy Path plus \"-for-path-\" parasites and all locked path plus ..., and delete!"
#define COPY_PLUS_BLURB "Copy Path plus \"-for-path-\" parasites and all locked path plus ...!"
#define PASTE_NR_BLURB "Paste Path plus \"-for-path-\" parasites from clipboard as new {№}!"
#define CUT_BLURB "Copy Path plus \"-for-path-\" parasites and delete Path!"
#define COPY_BLURB "Copy Path plus \"-for-path-\" parasites!"
#define PASTE_BLURB "Paste Path plus \"-for-path-\" parasites from clipboard!"
#define PASTE_GROUP_BLURB \
  "Paste Path plus \"-for-path-\" parasites from clipboard as new Path-Group!"

const std::vector<QVParamDef> PARAMS = {
    {GIMP_PDB_INT32, "mode", N_("0=Interactive | 1=Non-Interactive, not used")},
    {GIMP_PDB_IMAGE, "image", N_("Input image")},
    {GIMP_PDB_DRAWABLE, "drawable", N_("Drawable, not used")}};

// What each procedure does: copy flags, or paste flags.
struct Operation {
  const char *name;
  bool paste;
  int flags;
};
const Operation OPERATIONS[] = {
    {PROC_CUT_PLUS, false, QV_COPY_LOCKED | QV_COPY_DELETE},
    {PROC_COPY_PLUS, false, QV_COPY_LOCKED},
    {PROC_PASTE_NR, true, QV_PASTE_NEW_NUMBER},
    {PROC_CUT, false, QV_COPY_CURRENT | QV_COPY_DELETE},
    {PROC_COPY, false, QV_COPY_CURRENT},
    {PROC_PASTE, true, 0},
    {PROC_PASTE_GROUP, true, QV_PASTE_NEW_GROUP},
};

// Nothing to copy or paste is said in a message; the run still succeeds,
// as scripts expect of these procedures. An image that does not exist is
// a calling error.
void run_clipboard(QVCall &call) {
  if (!qv_call_image_exists(call, 1)) return;
  const gint32 image = call.param[1].data.d_image;
  for (const Operation &op : OPERATIONS) {
    if (!call.is(op.name)) continue;
    if (op.paste)
      qv_paths_paste(image, op.flags);
    else
      qv_paths_copy(image, op.flags);
    gimp_displays_flush();
    return;
  }
}

// The table is laid out by hand, one procedure to a block.
// clang-format off
const std::vector<QVProcedureDef> &procedure_table() {
  static const std::vector<QVProcedureDef> table = {
      {PROC_CUT_PLUS, N_(CUT_PLUS_BLURB), N_(CUT_PLUS_BLURB), N_("5. Cut Path + locked"), MENU_PATH, PARAMS, {},
       run_clipboard, QV_MENU_CALL_PARAMS},
      {PROC_COPY_PLUS, N_(COPY_PLUS_BLURB), N_(COPY_PLUS_BLURB), N_("6. Copy Path + locked"), MENU_PATH, PARAMS, {},
       run_clipboard, QV_MENU_CALL_PARAMS},
      {PROC_PASTE_NR, N_(PASTE_NR_BLURB), N_(PASTE_NR_BLURB), N_("7. Paste Path as {№}"), MENU_PATH, PARAMS, {},
       run_clipboard, QV_MENU_CALL_PARAMS},
      {PROC_CUT, N_(CUT_BLURB), N_(CUT_BLURB), N_("2. Cut Path"), MENU_PATH, PARAMS, {},
       run_clipboard, QV_MENU_CALL_PARAMS},
      {PROC_COPY, N_(COPY_BLURB), N_(COPY_BLURB), N_("3. Copy Path"), MENU_PATH, PARAMS, {},
       run_clipboard, QV_MENU_CALL_PARAMS},
      {PROC_PASTE, N_(PASTE_BLURB), N_(PASTE_BLURB), N_("4. Paste Path"), MENU_PATH, PARAMS, {},
       run_clipboard, QV_MENU_CALL_PARAMS},
      {PROC_PASTE_GROUP, N_(PASTE_GROUP_BLURB), N_(PASTE_GROUP_BLURB), N_("8. Paste as new Group"), MENU_PATH,
       PARAMS, {}, run_clipboard, QV_MENU_CALL_PARAMS},
  };
  return table;
}
// clang-format on

}  // namespace

QV_PLUGIN_MAIN(procedure_table)
