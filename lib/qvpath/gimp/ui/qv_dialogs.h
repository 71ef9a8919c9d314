// Dialog services every interactive part of the suite shares: remembering a
// dialog's geometry in a GIMP-wide parasite, and the alert, confirm and prompt
// dialogs. A plug-in that never opened a window calls these with no parent;
// the GIMP UI library is then set up on the way. Without any display the
// dialogs degrade instead of aborting the plug-in (see each function).
#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <optional>
#include <string>

#include "core/qv_dialog_geometry.h"

// Whether a display can be opened (GTK then gets initialised on it). The
// answer is computed once per process.
bool qv_display_available();

// Initialises the GIMP UI library once per process, under the program's own
// name. False, and nothing initialised, when there is no display.
bool qv_dialog_toolkit_init();

// --- Geometry -----------------------------------------------------------------

// Applies the geometry stored under `key` to the window (before it is shown)
// and, when `tracker` is given, keeps the window's newest GDK window state in
// *tracker for qv_dialog_geometry_save; the cell must outlive the window.
// Returns the stored flags, 0 when nothing is stored.
int qv_dialog_geometry_restore(GtkWindow *window, const char *key, int *tracker);

// Stores the window's geometry under `key` as a persistent GIMP-wide
// parasite. `request` is a set of QV_GEOMETRY_POSITION, QV_GEOMETRY_SIZE and
// QV_GEOMETRY_EXTRA; `last_state` is the tracker's value. Returns 1 when the
// position/size were taken from the window, 0 when only the maximized bit
// changed (or there was nothing to store under).
int qv_dialog_geometry_save(GtkWindow *window, const char *key, int last_state, int request);

// The record stored under `key`, or none.
std::optional<QVDialogGeometry> qv_dialog_geometry_load(const char *key);

// --- Message dialogs ----------------------------------------------------------

// Messages wider than this wrap, so that a long text cannot push the dialog
// off the screen.
constexpr int QV_DIALOG_LABEL_MAX_WIDTH = 500;
// The prompt's entry is at least this wide, whatever the label.
constexpr int QV_DIALOG_ENTRY_MIN_WIDTH = 360;

// Owns one reference to a toplevel and destroys it when released. The
// reference keeps the pointer valid even when GTK destroyed the window first
// (a dialog dies with its parent).
struct QVWidgetDestroy {
  void operator()(GtkWidget *w) const {
    if (!w) return;
    gtk_widget_destroy(w);
    g_object_unref(w);
  }
};
using QVWidgetHolder = std::unique_ptr<GtkWidget, QVWidgetDestroy>;

// A built, not yet shown dialog; label and entry belong to it.
struct QVMessageDialog {
  QVWidgetHolder dialog;
  GtkWidget *label = nullptr;
  GtkWidget *entry = nullptr;  // prompt only
};

// Builders (need an initialised toolkit); the run functions below use them.
// Title null: the dialog's default title.
QVMessageDialog qv_dialog_alert_build(GtkWindow *parent, const char *title, const char *message);
QVMessageDialog qv_dialog_confirm_build(GtkWindow *parent, const char *title, const char *message);
QVMessageDialog qv_dialog_prompt_build(GtkWindow *parent, const char *title, const char *message,
                                       const char *initial);

// Shows the message with one "OK" button until it is closed. Without a
// display the message goes to qv_user_message instead.
void qv_dialog_alert(GtkWindow *parent, const char *title, const char *message);

// True when "OK" was pressed; false on Cancel, on closing, and without a
// display.
bool qv_dialog_confirm(GtkWindow *parent, const char *title, const char *message);

// The entered text on "OK"; none on Cancel, on closing, and without a display.
std::optional<std::string> qv_dialog_prompt(GtkWindow *parent, const char *title,
                                            const char *message, const char *initial);
