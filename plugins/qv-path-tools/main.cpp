// qv-path-tools: the small commands an artist prepares an animation with:
// keysplines for the locked paths, the ellipse on the selection, guide
// grids, and texts through the clipboard. This file holds the procedure
// table and the dispatch; the work lives in the library.
#include <glib/gi18n-lib.h>
#include <libgimp/gimp.h>

#include <string>
#include <vector>

#include "core/qv_glib_ptr.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_procedure_table.h"
#include "gimp/services/qv_clipboard_store.h"
#include "gimp/services/qv_image_path_gimp.h"
#include "gimp/services/qv_path_tools_gimp.h"

namespace {

const char *const PROC_GRID = "plug_in_qv_guideline_grid";
const char *const PROC_GRID_100 = "plug_in_qv_guideline_grid_100";
const char *const PROC_GUIDES_REMOVE = "plug_in_qv_guidelines_remove";
const char *const PROC_KEYSPLINE_A = "plug_in_qv_create_keyspline_a";
const char *const PROC_KEYSPLINE_A2 = "plug_in_qv_create_keyspline_a2";
const char *const PROC_STROKE = "plug_in_qv_create_keyspline_stroke";
const char *const PROC_STROKE_REVERSE = "plug_in_qv_create_keyspline_stroke_reverse";
const char *const PROC_CIRCLE = "plug_in_qv_path_new_circle";
const char *const PROC_KEYSPLINE_TIMELINE = "plug_in_qv_create_keyspline_timeline";
const char *const PROC_KEYSPLINE_SCRIPT = "plug_in_qv_create_keyspline_script";
const char *const PROC_IMAGE_PATH = "plug_in_qv_create_image_path";
const char *const PROC_SYMBOL_PATH = "plug_in_qv_create_symbol_path";
const char *const PROC_JOIN = "plug_in_qv_join_to_reference";
const char *const PROC_JOIN_NEW = "plug_in_qv_join_new_reference";
const char *const PROC_STYLE_TO_CLIPBOARD = "plug_in_qv_path_style_2_clipboard";
const char *const PROC_CLIPBOARD_TO_STYLE = "plug_in_qv_path_clipboard_2_style";
const char *const PROC_FILENAME_TO_CLIPBOARD = "plug_in_qv_image_filename_2_clipboard";
const char *const PROC_SET_CLIPBOARD = "plug_in_qv_set_clipboard";
const char *const PROC_GET_CLIPBOARD = "plug_in_qv_get_clipboard";

const char *const KEYSPLINE_MENU = "<Image>/QV Path-Tools/[@] [@->S] ...";
const char *const TOOLS_MENU = "<Image>/QV Path-Tools";

const QVParamDef MODE = {GIMP_PDB_INT32, "mode", N_("Non-Interactive")};
const QVParamDef IMAGE = {GIMP_PDB_IMAGE, "image", N_("Input image")};
const QVParamDef UNUSED = {GIMP_PDB_DRAWABLE, "drawable", N_("unused")};
const std::vector<QVParamDef> MENU_PARAMS = {MODE, IMAGE, UNUSED};

gint32 image_of(const QVCall &call) { return call.param[1].data.d_image; }
gint32 drawable_of(const QVCall &call) { return call.param[2].data.d_drawable; }

// Menus pass GIMP's run mode (0 interactive); scripts pass 1 for the
// procedures' own non-interactive way.
bool interactive(const QVCall &call) { return call.param[0].data.d_int32 == GIMP_RUN_INTERACTIVE; }

// The optional file argument: menus pass only the first three.
std::string file_argument(const QVCall &call) { return call.nparams > 3 ? call.text(3) : ""; }

void done(QVCall &) { gimp_displays_flush(); }

void run_grid(QVCall &call) {
  if (!qv_call_image_exists(call, 1)) return;
  const GimpParam *p = call.param;
  if (call.is(PROC_GRID)) {
    if (p[3].data.d_int32 < 1) {
      qv_call_refuse(call, _("the grid's delta must be 1 or more"));
      return;
    }
    qv_tools_guide_grid(image_of(call), p[3].data.d_int32, p[4].data.d_int32, p[5].data.d_int32);
  } else {
    qv_tools_guide_grid(image_of(call), call.is(PROC_GRID_100) ? 100 : 0, 0, 0);
  }
  done(call);
}

void run_keyspline(QVCall &call) {
  if (!qv_call_image_exists(call, 1)) return;
  if (call.is(PROC_KEYSPLINE_A) || call.is(PROC_KEYSPLINE_A2))
    qv_tools_keyspline(image_of(call), call.is(PROC_KEYSPLINE_A2));
  else
    qv_tools_stroke_keyspline(image_of(call), call.is(PROC_STROKE_REVERSE));
  done(call);
}

void run_timeline_keyspline(QVCall &call) {
  if (!qv_call_image_exists(call, 1)) return;
  qv_tools_timeline_keyspline(image_of(call));
  done(call);
}

void run_script_keyspline(QVCall &call) {
  if (!qv_call_image_exists(call, 1)) return;
  qv_tools_script_keyspline(image_of(call), interactive(call), file_argument(call));
  done(call);
}

void run_image_path(QVCall &call) {
  if (!qv_call_image_exists(call, 1)) return;
  if (call.is(PROC_SYMBOL_PATH))
    qv_tools_symbol_path(image_of(call), drawable_of(call));
  else
    qv_tools_image_path(image_of(call), drawable_of(call), interactive(call), file_argument(call));
  done(call);
}

void run_join(QVCall &call) {
  if (!qv_call_image_exists(call, 1)) return;
  qv_tools_join(image_of(call), call.is(PROC_JOIN_NEW));
  done(call);
}

void run_circle(QVCall &call) {
  if (!qv_call_image_exists(call, 1)) return;
  qv_tools_circle(image_of(call));
  done(call);
}

void run_style_clipboard(QVCall &call) {
  if (!qv_call_image_exists(call, 1)) return;
  if (call.is(PROC_STYLE_TO_CLIPBOARD))
    qv_tools_style_to_clipboard(image_of(call));
  else if (!qv_tools_clipboard_to_style(image_of(call)))
    qv_user_message("%s", _("The clipboard holds no style: nothing was pasted."));
  done(call);
}

void run_filename_clipboard(QVCall &call) {
  if (!qv_call_image_exists(call, 1)) return;
  const std::string name = qv_take_string(gimp_image_get_filename(image_of(call)));
  if (name.empty()) {
    qv_user_message("%s", _("The image has no file name yet: save it first."));
    return;
  }
  qv_clipboard_text_put(name);
}

void run_set_clipboard(QVCall &call) { qv_clipboard_text_put(call.text(0)); }

void run_get_clipboard(QVCall &call) {
  qv_reply_string(call.reply, qv_clipboard_text_get().value_or(""));
}

// The table is laid out by hand, one procedure to a block.
// clang-format off
const std::vector<QVProcedureDef> &procedure_table() {
  static const std::vector<QVProcedureDef> table = {
      {PROC_GRID, N_("Guideline Grid..."), N_("Replaces the image's guides by a grid of the given delta and offsets."),
       N_("Guideline Grid..."), nullptr,
       {MODE, IMAGE, UNUSED, {GIMP_PDB_INT32, "delta", N_("distance between guides, pixels")},
        {GIMP_PDB_INT32, "offset_x", N_("first vertical guide")}, {GIMP_PDB_INT32, "offset_y", N_("first horizontal guide")}},
       {}, run_grid},
      {PROC_GRID_100, N_("Guideline Grid 100x100"), N_("Replaces the image's guides by a grid every 100 pixels."),
       N_("Guideline Grid 100x100"), KEYSPLINE_MENU, MENU_PARAMS, {}, run_grid},
      {PROC_GUIDES_REMOVE, N_("Guidelines remove"), N_("Removes the image's guides."),
       N_("Guidelines remove"), KEYSPLINE_MENU, MENU_PARAMS, {}, run_grid},
      {PROC_KEYSPLINE_A, N_("[@]  /  locked Paths"),
       N_("Creates a keyspline from lower left to upper right animating the locked paths."),
       N_("[@]  /  locked Paths"), KEYSPLINE_MENU, MENU_PARAMS, {}, run_keyspline},
      {PROC_KEYSPLINE_A2, N_("[@]  \\  locked Paths"),
       N_("Creates a keyspline from upper left to lower right animating the locked paths."),
       N_("[@]  \\  locked Paths"), KEYSPLINE_MENU, MENU_PARAMS, {}, run_keyspline},
      {PROC_STROKE, N_("[@->S] locked Paths"),
       N_("Creates a stroke keyspline: the locked paths' strokes animated from start (0.0) to end (1.0)."),
       N_("[@->S] locked Paths"), KEYSPLINE_MENU, MENU_PARAMS, {}, run_keyspline},
      {PROC_STROKE_REVERSE, N_("[@<-S] locked Paths"),
       N_("Creates a stroke keyspline: the locked paths' strokes animated from end (0.0) to start (1.0)."),
       N_("[@<-S] locked Paths"), KEYSPLINE_MENU, MENU_PARAMS, {}, run_keyspline},
      {PROC_KEYSPLINE_TIMELINE, N_("[@]  t__(timeline)"),
       N_("Creates a keyspline \"[@] t_(timeline)\" for a timeline picked in the chooser."),
       N_("[@]  t__(timeline)"), KEYSPLINE_MENU, MENU_PARAMS, {}, run_timeline_keyspline},
      {PROC_KEYSPLINE_SCRIPT, N_("[@-Script] ..."),
       N_("Creates a keyspline \"[@-Script] <script>\" running a Script-Fu file picked in \"Select Script-File\"."),
       N_("[@-Script] ..."), KEYSPLINE_MENU,
       {MODE, IMAGE, UNUSED, {GIMP_PDB_STRING, "scriptfile", N_("Script-Fu file; empty: choose it")}}, {},
       run_script_keyspline, QV_MENU_CALL_PARAMS},
      {PROC_IMAGE_PATH, N_(" Image Path ..."),
       N_("Creates a path placing a picture, or a layer or timeline of an XCF, in the selection's frame."),
       N_(" Image Path ..."), KEYSPLINE_MENU,
       {MODE, IMAGE, UNUSED, {GIMP_PDB_STRING, "imagefile", N_("picture or XCF file; empty: choose it")}}, {},
       run_image_path, QV_MENU_CALL_PARAMS},
      {PROC_SYMBOL_PATH, N_(" [Symbol] ..."),
       N_("Creates a path \"[Symbol]\" placing a symbol layer of an XCF in the selection's frame."),
       N_(" [Symbol] ..."), KEYSPLINE_MENU, MENU_PARAMS, {}, run_image_path},
      {PROC_JOIN, N_(" Join to Reference"),
       N_("Joins the current path's start onto its reference path at the nearest point."),
       N_(" Join to Reference"), KEYSPLINE_MENU, MENU_PARAMS, {}, run_join},
      {PROC_JOIN_NEW, N_(" Join to NEW Ref."),
       N_("Asks for a new reference path, then joins the current path's start onto it."),
       N_(" Join to NEW Ref."), TOOLS_MENU, MENU_PARAMS, {}, run_join},
      {PROC_CIRCLE, N_(" New Circle"), N_("New path: a circle or ellipse on the selection's bounds."),
       N_(" New Circle"), TOOLS_MENU, MENU_PARAMS, {}, run_circle},
      {PROC_STYLE_TO_CLIPBOARD, N_("7. Copy Style"), N_("Copies the current path's style to the clipboard."),
       N_("7. Copy Style"), nullptr, MENU_PARAMS, {}, run_style_clipboard},
      {PROC_CLIPBOARD_TO_STYLE, N_("8. Paste -> parasite"),
       N_("Attaches the style text on the clipboard to the path its header names."),
       N_("8. Paste -> parasite"), nullptr, MENU_PARAMS, {}, run_style_clipboard},
      {PROC_FILENAME_TO_CLIPBOARD, N_("Filename -> Clipboard"), N_("Puts the image's file name on the clipboard."),
       N_("Filename -> Clipboard"), "<Image>/Image", MENU_PARAMS, {}, run_filename_clipboard},
      {PROC_SET_CLIPBOARD, N_("Text -> Clipboard"), N_("Puts the text on the clipboard."),
       N_("Text -> Clipboard"), nullptr, {{GIMP_PDB_STRING, "text", N_("text for the clipboard")}}, {},
       run_set_clipboard},
      {PROC_GET_CLIPBOARD, N_("Clipboard get Text"), N_("Returns the text on the clipboard."),
       N_("Clipboard get Text"), nullptr, {}, {{GIMP_PDB_STRING, "text", N_("the clipboard's text, or \"\"")}},
       run_get_clipboard},
  };
  return table;
}
// clang-format on

}  // namespace

QV_PLUGIN_MAIN(procedure_table)
