#include "gimp/base/qv_procedure_table.h"
#include "core/qv_glib_ptr.h"
#include "core/qv_locale.h"
#include "gimp/base/qv_messages.h"

#include <glib/gi18n-lib.h>
#include <libintl.h>

#include <cstring>

namespace {

const char *const kAuthor = "QV path-style suite";
const char *const kCopyright = "QV path-style suite developers";
const char *const kDate = "2026";

std::vector<GimpParamDef> translated(const std::vector<QVParamDef> &defs) {
  std::vector<GimpParamDef> out;
  out.reserve(defs.size());
  for (const auto &d : defs)
    out.push_back({d.type, const_cast<gchar *>(d.name), const_cast<gchar *>(_(d.description))});
  return out;
}

// Found once per process: the catalogues installed beside this plug-in.
const std::string &locale_dir() {
  static const std::string dir = qv_locale_dir(qv_running_program(), GETTEXT_PACKAGE, QV_LOCALEDIR);
  return dir;
}

}  // namespace

void qv_init_i18n() {
  bindtextdomain(GETTEXT_PACKAGE, locale_dir().c_str());
  bind_textdomain_codeset(GETTEXT_PACKAGE, "UTF-8");
  textdomain(GETTEXT_PACKAGE);
}

void qv_install_procedures(const std::vector<QVProcedureDef> &table) {
  // GIMP translates labels, blurbs and help through this domain each time
  // it shows them, so they are installed untranslated: its plug-in cache
  // then serves every language. Argument descriptions it shows as given.
  gimp_plugin_domain_register(GETTEXT_PACKAGE, locale_dir().c_str());
  for (const auto &proc : table) {
    auto params = translated(proc.params);
    auto returns = translated(proc.returns);
    gimp_install_procedure(proc.name, proc.blurb, proc.help, kAuthor, kCopyright, kDate,
                           proc.menu_label, "", GIMP_PLUGIN, static_cast<gint>(params.size()),
                           static_cast<gint>(returns.size()), params.data(), returns.data());
    if (proc.menu_path) gimp_plugin_menu_register(proc.name, proc.menu_path);
  }
}

bool QVCall::is(const char *procedure) const { return std::strcmp(name, procedure) == 0; }

const char *QVCall::text(gint index) const {
  const gchar *value = index < nparams ? param[index].data.d_string : nullptr;
  return value ? value : "";
}

void qv_call_refuse(QVCall &call, const std::string &why) {
  qv_user_message("%s: %s", call.name, why.c_str());
  qv_reply_status(call.reply, GIMP_PDB_CALLING_ERROR);
}

bool qv_call_image_named(QVCall &call, gint index) {
  const gint32 image = index < call.nparams ? call.param[index].data.d_image : -1;
  if (gimp_image_is_valid(image)) return true;
  // "No valid image ID" is the suite's fixed text for this case.
  qv_user_message("%s: No valid image ID: %d", call.name, image);
  return false;
}

bool qv_call_image_exists(QVCall &call, gint index) {
  if (qv_call_image_named(call, index)) return true;
  qv_reply_status(call.reply, GIMP_PDB_CALLING_ERROR);
  return false;
}

bool qv_call_drawable_exists(QVCall &call, gint index) {
  const gint32 drawable = index < call.nparams ? call.param[index].data.d_drawable : -1;
  if (gimp_item_is_valid(drawable) && gimp_item_is_drawable(drawable)) return true;
  qv_call_refuse(call, qv_take_string(g_strdup_printf(_("no drawable has the ID %d"), drawable)));
  return false;
}

void qv_dispatch(const std::vector<QVProcedureDef> &table, const gchar *name, gint nparams,
                 const GimpParam *param, QVReply &reply) {
  qv_reply_reset(reply);
  for (const auto &proc : table) {
    if (std::strcmp(proc.name, name) != 0) continue;
    const gint fewest =
        proc.min_params >= 0 ? proc.min_params : static_cast<gint>(proc.params.size());
    if (nparams < fewest || !proc.handler) {
      qv_user_message(_("%s: %d arguments given, %d expected."), name, nparams, fewest);
      qv_reply_status(reply, GIMP_PDB_CALLING_ERROR);
      return;
    }
    QVCall call{name, nparams, param, reply, &proc};
    proc.handler(call);
    return;
  }
  qv_user_message(_("%s: no such procedure in this plug-in."), name);
  qv_reply_status(reply, GIMP_PDB_CALLING_ERROR);
}

void qv_run_table(const std::vector<QVProcedureDef> &table, const gchar *name, gint nparams,
                  const GimpParam *param, gint *nreturn_vals, GimpParam **return_vals) {
  static QVReply reply;
  qv_init_i18n();
  qv_dispatch(table, name, nparams, param, reply);
  qv_reply_return(reply, nreturn_vals, return_vals);
}
