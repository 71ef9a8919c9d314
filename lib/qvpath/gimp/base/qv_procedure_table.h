// Procedure tables: each plug-in lists its procedures as data, installs
// them with one loop and dispatches its runs through the same table, so its
// public interface reads as one table and every plug-in answers a call the
// same way: an unknown name or too few arguments is a calling error.
#pragma once

#include <libgimp/gimp.h>

#include <string>
#include <vector>

#include "gimp/base/qv_reply.h"

struct QVParamDef {
  GimpPDBArgType type;
  const char *name;
  const char *description;  // untranslated; passed through gettext on install
};

struct QVProcedureDef;

// One run of a procedure as GIMP hands it over, and the reply being built.
struct QVCall {
  const gchar *name;
  gint nparams;
  const GimpParam *param;
  QVReply &reply;
  const QVProcedureDef *proc;  // the table's entry

  bool is(const char *procedure) const;
  // A string argument; "" for a NULL string.
  const char *text(gint index) const;
};

using QVHandler = void (*)(QVCall &call);

// Whether the argument at `index` names an open image (a drawable of an open
// image). When it does not, the call did nothing: the reply becomes a calling
// error and the message names the procedure and the id it was given.
bool qv_call_image_exists(QVCall &call, gint index);
bool qv_call_drawable_exists(QVCall &call, gint index);

// The same check for procedures whose answer scripts rely on (zeros, an
// empty text, -1): the message says why, the status stays success.
bool qv_call_image_named(QVCall &call, gint index);

// Answers a call that did nothing because of an argument with a calling
// error and the message `why` after the procedure's name.
void qv_call_refuse(QVCall &call, const std::string &why);

// A procedure chosen from a menu gets only the arguments GIMP fills itself:
// run mode, image and drawable. Its further arguments are for scripts.
constexpr gint QV_MENU_CALL_PARAMS = 3;

struct QVProcedureDef {
  const char *name;
  const char *blurb;
  const char *help;
  const char *menu_label;
  const char *menu_path;  // nullptr: registered without a menu entry
  std::vector<QVParamDef> params;
  std::vector<QVParamDef> returns;
  QVHandler handler = nullptr;
  // The fewest arguments a call may carry; -1: every declared one. A
  // handler given fewer than it declares reads the rest as missing.
  gint min_params = -1;
};

// Binds the suite's text domain; call first in query and in run.
void qv_init_i18n();

// Installs every procedure of the table (type plug-in, image types "").
void qv_install_procedures(const std::vector<QVProcedureDef> &table);

// Runs the handler of the procedure called `name` with a fresh reply of
// success. A name not in the table, or a call with fewer arguments than
// its entry allows, gets a calling error and a message.
void qv_dispatch(const std::vector<QVProcedureDef> &table, const gchar *name, gint nparams,
                 const GimpParam *param, QVReply &reply);

// The whole run step of a plug-in whose procedures are all in the table.
void qv_run_table(const std::vector<QVProcedureDef> &table, const gchar *name, gint nparams,
                  const GimpParam *param, gint *nreturn_vals, GimpParam **return_vals);

// The query and run steps and GIMP's entry of a plug-in whose procedures
// are all in the table that `table_fn()` returns. Use once, at file scope.
#define QV_PLUGIN_MAIN(table_fn)                                                                  \
  namespace {                                                                                     \
  void qv_plugin_query() { qv_install_procedures(table_fn()); }                                   \
  void qv_plugin_run(const gchar *name, gint nparams, const GimpParam *param, gint *nreturn_vals, \
                     GimpParam **return_vals) {                                                   \
    qv_run_table(table_fn(), name, nparams, param, nreturn_vals, return_vals);                    \
  }                                                                                               \
  }                                                                                               \
  const GimpPlugInInfo PLUG_IN_INFO = {nullptr, nullptr, qv_plugin_query, qv_plugin_run};         \
  MAIN()
