// "Timeline Administration!": the dialog through which the draw plug-in, the
// path tools and the animation editor pick an image's timeline or remove
// some of them.
#pragma once

#include <gtk/gtk.h>
#include <libgimp/gimp.h>

#include <optional>
#include <string>
#include <vector>

#include "gimp/ui/qv_dialogs.h"

// Where the dialog's position and size are kept.
extern const char *const QV_TIMELINE_CHOOSER_GEOMETRY_KEY;

// The built dialog, not yet run. The list's rows carry the timeline number
// each stood for when the dialog opened; rows marked for removal leave the
// list and their numbers go to `removed`.
struct QVTimelineChooser {
  QVWidgetHolder dialog;
  GtkWidget *view = nullptr;
  GtkListStore *store = nullptr;  // owned by the view
  GtkWidget *remove_item = nullptr;
  std::vector<int> removed;
};

// Needs an initialised toolkit. None when the image's timelines cannot be
// read (the user has been told why).
std::optional<QVTimelineChooser> qv_timeline_chooser_build(GtkWindow *parent, gint32 image);

// The menu item's action: drops the selected rows and remembers them.
void qv_timeline_chooser_remove_selected(QVTimelineChooser &chooser);

// Position among the remaining rows of the last selected row, if any.
std::optional<int> qv_timeline_chooser_selected(const QVTimelineChooser &chooser);

// Runs the dialog. List mode 1 returns the chosen timeline's name; list mode
// 0 makes it current and returns none. Without a display nothing is shown,
// nothing changes and the result is none.
std::optional<std::string> qv_timeline_choose(GtkWindow *parent, gint32 image, int list_mode);
