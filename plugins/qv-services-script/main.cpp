// qv-services-script: services for the suite's Scheme scripts (expressions
// of a script as strings, temporary script copies, file removal, number
// conversion, the Scheme nesting counter). This file holds the procedure
// table and the dispatch; the work lives in the library.
#include <glib/gi18n-lib.h>
#include <libgimp/gimp.h>

#include <string>
#include <vector>

#include "core/qv_scheme.h"
#include "core/qv_script_split.h"
#include "gimp/base/qv_procedure_table.h"
#include "gimp/base/qv_scheme_gimp.h"
#include "gimp/services/qv_script_services.h"

namespace {

const char *const PROC_SCRIPT_ARRAY = "plug-in-qv-script-array";
const char *const PROC_READ_FROM_STRING = "plug-in-qv-read-from-string";
const char *const PROC_ARRAY_FROM_FILE = "plug-in-qv-script-array-from-file";
const char *const PROC_ARRAY_FROM_STRING = "plug-in-qv-script-array-from-string";
const char *const PROC_COMBINE_STRING = "plug_in_qv_script_combine_string";
const char *const PROC_GET_TMP_FILE = "plug_in_qv_script_get_tmp_file";
const char *const PROC_REMOVE_FILE = "plug_in_qv_remove_file";
const char *const PROC_GET_TMP_FILE_REF = "plug_in_qv_script_get_tmp_file_ref";
const char *const PROC_EVAL_UNREF = "plug_in_qv_scheme_run_eval_unref";
const char *const PROC_STRTOD = "plug_in_qv_strtod";

const QVParamDef IMAGE = {GIMP_PDB_IMAGE, "image", N_("Input image")};
const QVParamDef SCRIPT = {GIMP_PDB_STRING, "script",
                           N_("file name relative to the image or absolute, or Script-Fu text")};
const std::vector<QVParamDef> STRING_ARRAY = {
    {GIMP_PDB_INT32, "num_strings", N_("number of strings")},
    {GIMP_PDB_STRINGARRAY, "evalStringArray",
     N_("top-level expressions, each to be evaluated on its own")}};

void run_script_array(QVCall &call) {
  qv_reply_string_array(call.reply, qv_script_array(call.param[0].data.d_image, call.text(1)));
}

void run_read_from_string(QVCall &call) {
  const QVScriptRead read = qv_script_read_from_string(call.text(0), call.param[1].data.d_int32);
  qv_reply_string(call.reply, read.expression);
  qv_reply_int(call.reply, static_cast<gint32>(read.next));
}

void run_array_from_file(QVCall &call) {
  qv_reply_string_array(call.reply,
                        qv_script_array_from_file(call.param[0].data.d_image, call.text(1)));
}

void run_array_from_string(QVCall &call) {
  qv_reply_string_array(call.reply, qv_script_array_from_string(call.text(0)));
}

void run_combine_string(QVCall &call) {
  const auto combined =
      qv_script_combine(call.param[0].data.d_image, call.text(1), call.text(2), call.text(3));
  qv_reply_string(call.reply, combined.value_or(""));
}

void run_tmp_file(QVCall &call) {
  std::string file;
  const QVTmpFileResult result =
      qv_script_get_tmp_file(call.param[0].data.d_image, call.text(1), file);
  if (result == QVTmpFileResult::FAILED) {
    qv_reply_status(call.reply, GIMP_PDB_EXECUTION_ERROR);
    return;
  }
  // The caller lowers the counter after running the file, also for an empty
  // script, so the raise must not depend on there being a file.
  if (call.is(PROC_GET_TMP_FILE_REF)) qv_scheme_counter_raise();
  qv_reply_string(call.reply, file);
}

void run_remove_file(QVCall &call) { qv_remove_file(call.text(0)); }

void run_eval_unref(QVCall &) { qv_scheme_counter_lower(); }

void run_strtod(QVCall &call) { qv_reply_float(call.reply, qv_scheme_strtod(call.text(0))); }

// The table is laid out by hand, one procedure to a block.
// clang-format off
const std::vector<QVProcedureDef> &procedure_table() {
  static const std::vector<QVProcedureDef> table = {
      {PROC_SCRIPT_ARRAY, N_("Splits a script into its top-level expressions"),
       N_("Reads the script file (or takes the text) and returns its top-level expressions as strings, to be "
          "evaluated one by one. A syntax error becomes an expression that shows it."),
       nullptr, nullptr, {IMAGE, SCRIPT}, STRING_ARRAY, run_script_array},
      {PROC_READ_FROM_STRING, N_("Returns the next top-level expression of a string"),
       N_("Returns the first top-level expression at or after index, or \"()\" when none remains, and the "
          "position after it."),
       nullptr, nullptr,
       {{GIMP_PDB_STRING, "string", N_("Script-Fu text")},
        {GIMP_PDB_INT32, "index", N_("search starts here")}},
       {{GIMP_PDB_STRING, "evalString", N_("the expression")},
        {GIMP_PDB_INT32, "index", N_("position after evalString")}},
       run_read_from_string},
      {PROC_ARRAY_FROM_FILE, N_("Splits a script file into its top-level expressions"),
       N_("Reads the script file and returns its top-level expressions as strings."), nullptr, nullptr,
       {IMAGE, {GIMP_PDB_STRING, "file", N_("absolute or relative to the image file")}}, STRING_ARRAY,
       run_array_from_file},
      {PROC_ARRAY_FROM_STRING, N_("Splits Script-Fu text into its top-level expressions"),
       N_("Returns the top-level expressions of the text as strings."), nullptr, nullptr,
       {{GIMP_PDB_STRING, "script", N_("Script-Fu text")}}, STRING_ARRAY, run_array_from_string},
      {PROC_COMBINE_STRING, N_("Combines prefix, script and suffix"),
       N_("Returns prefix, the script text (file content or the text itself) and suffix as one string."), nullptr,
       nullptr,
       {{GIMP_PDB_IMAGE, "image", N_("Input image or 0")}, {GIMP_PDB_STRING, "prefix", N_("text before the script")},
        SCRIPT, {GIMP_PDB_STRING, "suffix", N_("text after the script")}},
       {{GIMP_PDB_STRING, "evalstring", N_("prefix, script and suffix")}},
       run_combine_string},
      {PROC_GET_TMP_FILE, N_("Copies a script into a temporary file"),
       N_("Writes the script's top-level expressions into a new temporary file and returns its name."), nullptr,
       nullptr, {IMAGE, SCRIPT}, {{GIMP_PDB_STRING, "filename", N_("the temporary file")}}, run_tmp_file},
      {PROC_REMOVE_FILE, N_("Removes a file"), N_("Removes the named file."), nullptr, nullptr,
       {{GIMP_PDB_STRING, "filename", N_("file to remove")}}, {}, run_remove_file},
      {PROC_GET_TMP_FILE_REF, N_("Copies a script into a temporary file and raises the Scheme nesting counter"),
       N_("As plug_in_qv_script_get_tmp_file, then raises \"qv_scheme_run_eval4_ref\"; lower it with "
          "plug_in_qv_scheme_run_eval_unref when the script has run."),
       nullptr, nullptr, {IMAGE, SCRIPT}, {{GIMP_PDB_STRING, "filename", N_("the temporary file")}},
       run_tmp_file},
      {PROC_EVAL_UNREF, N_("Lowers the Scheme nesting counter"),
       N_("Lowers \"qv_scheme_run_eval4_ref\" by 1 (never below 0)."), nullptr, nullptr, {}, {},
       run_eval_unref},
      {PROC_STRTOD, N_("Converts a string to a number"),
       N_("Reads the string as a decimal number (\".\" as decimal separator); text that is not a number gives 0."),
       nullptr, nullptr, {{GIMP_PDB_STRING, "string", N_("decimal number")}},
       {{GIMP_PDB_FLOAT, "number", N_("the number, or 0")}},
       run_strtod},
  };
  return table;
}
// clang-format on

}  // namespace

QV_PLUGIN_MAIN(procedure_table)
