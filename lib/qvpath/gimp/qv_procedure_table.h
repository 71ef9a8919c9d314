// Procedure tables: each plug-in lists its procedures as data and installs
// them with one loop, so its public interface reads as one table and its
// registration can be checked against the tests case by case.
#pragma once

#include <libgimp/gimp.h>

#include <vector>

struct QVParamDef {
  GimpPDBArgType type;
  const char *name;
  const char *description;  // untranslated; passed through gettext on install
};

struct QVProcedureDef {
  const char *name;
  const char *blurb;
  const char *help;
  const char *menu_label;
  const char *menu_path;  // nullptr: registered without a menu entry
  std::vector<QVParamDef> params;
  std::vector<QVParamDef> returns;
};

// Binds the suite's text domain; call first in query and in run.
void qv_init_i18n();

// Installs every procedure of the table (type plug-in, image types "").
void qv_install_procedures(const std::vector<QVProcedureDef> &table);
