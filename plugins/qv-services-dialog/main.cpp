// qv-services-dialog: the prompt, confirm and alert dialogs for scripts.
// This file holds the procedure table and the dispatch; the work lives in
// the library.
#include <glib/gi18n-lib.h>
#include <libgimp/gimp.h>

#include <string>
#include <vector>

#include "gimp/base/qv_procedure_table.h"
#include "gimp/services/qv_dialog_services.h"

namespace {

const char *const PROC_PROMPT = "plug_in_qv_prompt";
const char *const PROC_CONFIRM = "plug_in_qv_confirm";
const char *const PROC_ALERT = "plug_in_qv_alert";

const QVParamDef MESSAGE = {GIMP_PDB_STRING, "message", N_("Message text to display.")};

// A cancelled prompt answers with its status alone: no text at all is
// something else than an empty text entered.
void run_prompt(QVCall &call) {
  if (auto entered = qv_prompt_service(call.text(0), call.text(1))) {
    qv_reply_string(call.reply, std::move(*entered));
  } else {
    qv_reply_status(call.reply, GIMP_PDB_CANCEL);
  }
}

void run_confirm(QVCall &call) { qv_reply_int(call.reply, qv_confirm_service(call.text(0))); }

void run_alert(QVCall &call) { qv_alert_service(call.text(0)); }

// The table is laid out by hand, one procedure to a block.
// clang-format off
const std::vector<QVProcedureDef> &procedure_table() {
  static const std::vector<QVProcedureDef> table = {
      {PROC_PROMPT, N_("Prompts to enter text!"), N_("Prompts to enter text!"), N_("prompt"), nullptr,
       {MESSAGE, {GIMP_PDB_STRING, "entry", N_("Entry textline or \"\".")}},
       {{GIMP_PDB_STRING, "entry", N_("text entered.")}},
       run_prompt},
      {PROC_CONFIRM, N_("Confirm message!"), N_("Confirm message!"), N_("confirm"), nullptr, {MESSAGE},
       {{GIMP_PDB_INT32, "confirmation", N_("CANCEL = FALSE, OK = 1")}},
       run_confirm},
      {PROC_ALERT, N_("Alert message!"), N_("Alert message!"), N_("plugin_alert"), nullptr, {MESSAGE}, {},
       run_alert},
  };
  return table;
}
// clang-format on

}  // namespace

QV_PLUGIN_MAIN(procedure_table)
