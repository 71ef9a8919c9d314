// qv-path-measure: path measurement, perspective transforms and single style
// attributes for scripts. This file holds the procedure table and the
// dispatch; the work lives in the library.
#include <glib/gi18n-lib.h>
#include <libgimp/gimp.h>

#include <cstring>
#include <string>

#include "qv_procedure_table.h"
#include "qv_style_store.h"
#include "qv_style_text.h"

namespace {

const char *const PROC_SET_STYLE = "plug-in-qv-path-set-style-attribute";
const char *const PROC_GET_STYLE = "plug-in-qv-path-get-style-attribute";

const QVParamDef IMAGE_PARAM = {GIMP_PDB_IMAGE, "image", N_("Input image")};
const QVParamDef PATHNAME_PARAM = {GIMP_PDB_STRING, "pathname", N_("pathname to set style attribute!")};
const QVParamDef ATTRIBUTE_PARAM = {
    GIMP_PDB_STRING, "attribute",
    N_("attribute, e.g. 'text-offset: ' or 'TEXT-OFFSET' (transfered to lower case) ... ")};

const std::vector<QVProcedureDef> &procedure_table() {
  static const std::vector<QVProcedureDef> table = {
      {PROC_SET_STYLE, N_("Sets style attribute for given path!"),
       N_("Sets style attribute for given path!"), N_("set-style-attribute"), nullptr,
       {IMAGE_PARAM, PATHNAME_PARAM, ATTRIBUTE_PARAM,
        {GIMP_PDB_STRING, "value", N_("set attribute to this value!")}},
       {}},
      {PROC_GET_STYLE, N_("Get style attribute for given path!"),
       N_("Get style attribute for given path!"), N_("get-style-attribute"), nullptr,
       {IMAGE_PARAM, PATHNAME_PARAM, ATTRIBUTE_PARAM},
       {{GIMP_PDB_STRING, "value", N_("value of attribute or \"\"")}}},
  };
  return table;
}

void query() { qv_install_procedures(procedure_table()); }

const char *text_param(const GimpParam &p) { return p.data.d_string ? p.data.d_string : ""; }

void set_style_attribute(gint32 image, const char *path, const char *attribute, const char *value) {
  if (qv_path_tattoo_by_name(image, path, nullptr) == 0) return;
  qv_path_set_style_attribute(image, path, {{qv_style_normalise_key(attribute), value}});
}

std::string get_style_attribute(gint32 image, const char *path, const char *attribute) {
  const auto text = qv_path_get_style_text(image, path, nullptr);
  if (!text) return "";
  const auto items = qv_style_merge(*text, std::nullopt);
  return qv_style_value(*items, qv_style_normalise_key(attribute)).value_or("");
}

void run(const gchar *name, gint nparams, const GimpParam *param, gint *nreturn_vals,
         GimpParam **return_vals) {
  static GimpParam values[2];
  static std::string text_result;
  *nreturn_vals = 1;
  *return_vals = values;
  values[0].type = GIMP_PDB_STATUS;
  values[0].data.d_status = GIMP_PDB_SUCCESS;
  qv_init_i18n();

  if (std::strcmp(name, PROC_SET_STYLE) == 0 && nparams >= 4) {
    set_style_attribute(param[0].data.d_image, text_param(param[1]), text_param(param[2]),
                        text_param(param[3]));
  } else if (std::strcmp(name, PROC_GET_STYLE) == 0 && nparams >= 3) {
    text_result = get_style_attribute(param[0].data.d_image, text_param(param[1]), text_param(param[2]));
    *nreturn_vals = 2;
    values[1].type = GIMP_PDB_STRING;
    values[1].data.d_string = const_cast<gchar *>(text_result.c_str());
  }
}

}  // namespace

const GimpPlugInInfo PLUG_IN_INFO = {nullptr, nullptr, query, run};

MAIN()
