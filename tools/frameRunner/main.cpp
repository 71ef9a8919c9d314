// frameRunner renders a timeline of an XCF image to numbered frame files by
// starting GIMP in batch mode, block by block. Without arguments it opens
// its window; with any argument it runs from the command line.
#include "runner_cli.h"
#include "runner_dialog.h"

#include <clocale>

int main(int argc, char **argv) {
  std::setlocale(LC_ALL, "");
  if (qv_runner_cli_wanted(argc, argv)) return qv_runner_cli(argc, argv);
  return qv_runner_dialog(argc, argv);
}
