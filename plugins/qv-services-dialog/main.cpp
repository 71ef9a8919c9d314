// qv-services-dialog: the prompt, confirm and alert dialogs for scripts.
// This file holds the procedure table and the dispatch; the work lives in
// the library.
#include <glib/gi18n-lib.h>
#include <libgimp/gimp.h>

#include <cstring>
#include <string>
#include <vector>

#include "qv_dialog_services.h"
#include "qv_procedure_table.h"
#include "qv_reply.h"

namespace {

const char *const PROC_PROMPT = "plug_in_qv_prompt";
const char *const PROC_CONFIRM = "plug_in_qv_confirm";
const char *const PROC_ALERT = "plug_in_qv_alert";

const QVParamDef MESSAGE = {GIMP_PDB_STRING, "message", N_("Message text to display.")};

const std::vector<QVProcedureDef> &procedure_table() {
  static const std::vector<QVProcedureDef> table = {
      {PROC_PROMPT, N_("Prompts to enter text!"), N_("Prompts to enter text!"), N_("prompt"), nullptr,
       {MESSAGE, {GIMP_PDB_STRING, "entry", N_("Entry textline or \"\".")}},
       {{GIMP_PDB_STRING, "entry", N_("text entered.")}}},
      {PROC_CONFIRM, N_("Confirm message!"), N_("Confirm message!"), N_("confirm"), nullptr, {MESSAGE},
       {{GIMP_PDB_INT32, "confirmation", N_("CANCEL = FALSE, OK = 1")}}},
      {PROC_ALERT, N_("Alert message!"), N_("Alert message!"), N_("plugin_alert"), nullptr, {MESSAGE}, {}},
  };
  return table;
}

void query() { qv_install_procedures(procedure_table()); }

const char *text_param(const GimpParam &p) { return p.data.d_string ? p.data.d_string : ""; }

void run(const gchar *name, gint nparams, const GimpParam *param, gint *nreturn_vals, GimpParam **return_vals) {
  static QVReply reply;
  qv_reply_reset(reply);
  qv_init_i18n();

  if (std::strcmp(name, PROC_PROMPT) == 0 && nparams >= 2) {
    // A cancelled prompt answers with its status alone: no text at all is
    // something else than an empty text entered.
    if (auto entered = qv_prompt_service(text_param(param[0]), text_param(param[1]))) {
      qv_reply_string(reply, std::move(*entered));
    } else {
      qv_reply_status(reply, GIMP_PDB_CANCEL);
    }
  } else if (std::strcmp(name, PROC_CONFIRM) == 0 && nparams >= 1) {
    qv_reply_int(reply, qv_confirm_service(text_param(param[0])));
  } else if (std::strcmp(name, PROC_ALERT) == 0 && nparams >= 1) {
    qv_alert_service(text_param(param[0]));
  } else {
    qv_reply_status(reply, GIMP_PDB_CALLING_ERROR);
  }
  qv_reply_return(reply, nreturn_vals, return_vals);
}

}  // namespace

const GimpPlugInInfo PLUG_IN_INFO = {nullptr, nullptr, query, run};

MAIN()
