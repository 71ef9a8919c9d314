#include "qv_procedure_table.h"

#include <glib/gi18n-lib.h>
#include <libintl.h>

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

}  // namespace

void qv_init_i18n() {
  bindtextdomain(GETTEXT_PACKAGE, QV_LOCALEDIR);
  bind_textdomain_codeset(GETTEXT_PACKAGE, "UTF-8");
  textdomain(GETTEXT_PACKAGE);
}

void qv_install_procedures(const std::vector<QVProcedureDef> &table) {
  gimp_plugin_domain_register(GETTEXT_PACKAGE, QV_LOCALEDIR);
  for (const auto &proc : table) {
    auto params = translated(proc.params);
    auto returns = translated(proc.returns);
    gimp_install_procedure(proc.name, _(proc.blurb), _(proc.help), kAuthor, kCopyright, kDate,
                           proc.menu_label ? _(proc.menu_label) : nullptr, "", GIMP_PLUGIN,
                           static_cast<gint>(params.size()), static_cast<gint>(returns.size()),
                           params.data(), returns.data());
    if (proc.menu_path) gimp_plugin_menu_register(proc.name, proc.menu_path);
  }
}
