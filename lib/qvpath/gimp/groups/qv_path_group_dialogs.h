// The path-group dialogs: the new/duplicate dialog and the group manager
// (select, load, save). Without a display each of them counts as cancelled
// and changes nothing.
#pragma once

#include <gtk/gtk.h>
#include <libgimp/gimp.h>

#include <optional>
#include <string>
#include <vector>

#include "gimp/groups/qv_path_groups_gimp.h"
#include "gimp/ui/qv_dialogs.h"

// Dialog key of the new-group dialog's geometry.
extern const char *const QV_PATHGROUP_DIALOG_KEY;  // "qv-pathgroup-dialog-environment"

// Group manager modes, bit sets.
constexpr int QV_PATHGROUP_MANAGER_SELECT = 16;
constexpr int QV_PATHGROUP_MANAGER_SAVE = 12;
constexpr int QV_PATHGROUP_MANAGER_LOAD = 137;

// Response of the save manager's "Save & Set" button.
constexpr int QV_PATHGROUP_RESPONSE_SAVE_AND_SET = 1;

struct QVPathGroupNewDialog {
  QVWidgetHolder dialog;
  GtkWidget *current = nullptr;  // label with the current group's name
  GtkWidget *entry = nullptr;    // the new name
};

// Builders (need an initialised toolkit), for the run functions and tests.
QVPathGroupNewDialog qv_pathgroup_new_dialog_build(const QVPathGroupCurrent &current,
                                                   gint32 next_number, bool duplicate);

// Accelerator path of the "Copy Paths" item.
extern const char *const QV_PATHGROUP_COPY_ACCEL_PATH;  // "<QV Path-Group>/Copy/... selected Paths"

// The manager's "Edit" menu. Each item works on the chosen rows and lists
// the groups afresh afterwards; it is insensitive while no chosen row suits
// it (the current group is never copied from or removed).
struct QVPathGroupEditMenu {
  GtkWidget *bar = nullptr;
  GtkWidget *copy_paths = nullptr;
  GtkWidget *duplicate = nullptr;
  GtkWidget *remove = nullptr;
  GtkWidget *remove_filenames = nullptr;
};

// A group list, one row per group (the save and load modes allow several
// rows chosen).
struct QVPathGroupManagerDialog {
  QVWidgetHolder dialog;
  GtkWidget *tree = nullptr;
  QVPathGroupEditMenu edit;  // only for the groups of an image
};
QVPathGroupManagerDialog qv_pathgroup_manager_build(int mode,
                                                    const std::vector<QVPathGroupBlock> &groups,
                                                    const std::optional<QVPathGroupKey> &current);
// The manager for the groups of an image (current group stored first), with
// the "Edit" menu.
QVPathGroupManagerDialog qv_pathgroup_manager_build_for_image(gint32 image, int mode);

// The keys of the chosen rows, in row order.
std::vector<QVPathGroupKey> qv_pathgroup_manager_chosen(const QVPathGroupManagerDialog &manager);

// The new-group dialog: asks for the name and starts the group. False when
// cancelled (or no display) or when the group could not be started.
bool qv_pathgroup_new_interactive(gint32 image, bool duplicate);

// The group manager in one of the modes above. False when cancelled (or no
// display) or when the work failed.
bool qv_pathgroup_manager_run(gint32 image, int mode);
