// Paths that bring a file into the image: the script keyspline names a
// Script-Fu file, an image path places a picture (or a layer or timeline of
// another XCF) in a frame, a symbol path a "[...]" layer of a symbol XCF.
// Each has a dialog for artists and a way for scripts; without a display
// the dialogs count as cancelled.
#pragma once

#include <gtk/gtk.h>
#include <libgimp/gimp.h>

#include <optional>
#include <string>

#include "core/qv_image_path.h"
#include "gimp/ui/qv_dialogs.h"

extern const char *const QV_RELATIVE_NAMES_KEY;  // gimprc "qv-relative-image-path-names"

// --- Script keyspline ---------------------------------------------------------

// "Select Script-File": filters "*.txt; *.scm", "*.scm", "*.txt", the
// toggle "use relative filename", buttons "Select" and "Cancel".
struct QVScriptChooser {
  QVWidgetHolder dialog;
  GtkWidget *relative = nullptr;
};
QVScriptChooser qv_script_chooser_build(gint32 image);

// A file picked in a chooser (absolute, UTF-8) and whether its name is to
// be kept relative to the image's file.
struct QVChosenFile {
  std::string file;
  bool relative = false;
};

// Runs the chooser, starting at the last script picked ("qv-last-a-scriptfile")
// or in the image's folder, with the toggle as gimprc says; remembers both on
// "Select". None when cancelled or without a display.
std::optional<QVChosenFile> qv_script_chooser_run(gint32 image);

// The image's file name, none while it has none.
std::optional<std::string> qv_image_file(gint32 image);

// Whether gimprc asks for names relative to the image's file.
bool qv_relative_names_wanted();

// The name a style stores for `file`: relative to the image's file when
// `relative` and the image has one, else `file` itself.
std::string qv_image_file_reference(gint32 image, const std::string &file, bool relative);

// --- Image and symbol paths ---------------------------------------------------

// The dialog: a file chooser with a preview, what of the file to place
// ("Layer | Timeline!": the whole picture, "use layer", "use timeline"; for
// symbols the symbol), the frame ("Origin": "x/y:", "width/height:",
// "calculate origin", "Set presets"), "use relative filename", "use as
// marker", a line for what is wrong, and "Cancel" / "OK".
struct QVImagePathWidgets {
  GtkWidget *chooser = nullptr;
  GtkWidget *preview = nullptr;       // the picture
  GtkWidget *preview_text = nullptr;  // its size, layers and timelines
  GtkWidget *whole = nullptr, *use_layer = nullptr, *use_timeline = nullptr;
  GtkWidget *layers = nullptr, *timelines = nullptr, *symbols = nullptr;  // combo boxes
  GtkWidget *x = nullptr, *y = nullptr, *width = nullptr, *height = nullptr;
  GtkWidget *calculate = nullptr, *presets = nullptr;
  GtkWidget *relative = nullptr, *marker = nullptr;
  GtkWidget *status = nullptr;
};
struct QVImagePathDialog : QVImagePathWidgets {
  QVWidgetHolder dialog;
};
QVImagePathDialog qv_image_path_dialog_build(gint32 image, gint32 drawable, bool symbol);

// Shows the chosen file in the dialog (preview, layers, timelines, symbols),
// as choosing it in the chooser does.
void qv_image_path_dialog_show_file(QVImagePathDialog &dialog, const std::string &file);

// What the dialog says to make; none, with the reason on its status line.
std::optional<QVImagePathPlan> qv_image_path_dialog_plan(QVImagePathDialog &dialog, gint32 image);

// Writes the planned path into the image in one undo step and makes it
// current; the new path's name.
std::optional<std::string> qv_image_path_write(gint32 image, const QVImagePathPlan &plan);

// An image path for `file` (the whole picture, framed by the selection or
// the drawable), or, when `interactive` or the name is empty, one made in
// the dialog. None, with a message, when the file is no image or nothing
// was made.
std::optional<std::string> qv_tools_image_path(gint32 image, gint32 drawable, bool interactive,
                                               const std::string &file);

// A symbol path made in the dialog; none when cancelled or without a display.
std::optional<std::string> qv_tools_symbol_path(gint32 image, gint32 drawable);
