// frameRunner renders a timeline of an XCF image to numbered frame files by
// starting GIMP in batch mode, block by block. Without arguments it opens
// its window; with any argument it runs from the command line.
#include "core/qv_locale.h"
#include "runner_cli.h"
#include "runner_dialog.h"

#include <glib/gi18n-lib.h>
#include <libintl.h>

#include <clocale>

int main(int argc, char **argv) {
  std::setlocale(LC_ALL, "");
  // The catalogues installed beside frameRunner (PREFIX/share/locale), or
  // the build's when it runs from there.
  const std::string catalogues = qv_locale_dir(qv_running_program(), GETTEXT_PACKAGE, QV_LOCALEDIR);
  bindtextdomain(GETTEXT_PACKAGE, catalogues.c_str());
  bind_textdomain_codeset(GETTEXT_PACKAGE, "UTF-8");
  textdomain(GETTEXT_PACKAGE);
  if (qv_runner_cli_wanted(argc, argv)) return qv_runner_cli(argc, argv);
  return qv_runner_dialog(argc, argv);
}
