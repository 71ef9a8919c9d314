// The style editor's attribute menus ("Font", "Image", "Extra"), through
// which every attribute without a widget is added, edited or removed, and
// its style sheets ("Set CSS", "Store CSS", "Remove CSS"). Every action
// changes the edited path's style and reloads the editor, so widgets, menus
// and extra attributes always show what is stored.
#pragma once

#include <gtk/gtk.h>

#include <optional>
#include <string>

#include "gimp/editor/qv_style_editor_window.h"

// Connects the menus to the editor's window: the attribute menus are filled
// on every opening, the style-sheet submenus whenever "Edit" opens.
void qv_style_editor_menus_connect(QVStyleEditor &editor);

// Fills an attribute menu as opening it does.
void qv_style_editor_fill_attribute_menu(QVStyleEditor &editor, GtkWidget *menu);
void qv_style_editor_fill_sheet_menus(QVStyleEditor &editor);

// Sets one attribute of the edited path ("rotate-at: " renews its helper
// path) and reloads.
void qv_style_editor_set_attribute(QVStyleEditor &editor, const std::string &key,
                                   const std::string &value);

// The action of the attribute list's line `index`: with `remove` (Shift or
// Control held) the attribute goes at once; otherwise "Edit Attribute" (the
// script editor for "script-eval", the font chooser for "font-name").
void qv_style_editor_edit_attribute(QVStyleEditor &editor, size_t index, bool remove);

// "Add Attribute": name and value entries for the attribute `key`.
struct QVAttributeDialog {
  QVWidgetHolder dialog;
  GtkWidget *name = nullptr;
  GtkWidget *value = nullptr;
};
QVAttributeDialog qv_add_attribute_dialog_build(QVStyleEditor &editor, const std::string &key);
void qv_style_editor_add_attribute(QVStyleEditor &editor, const std::string &key);

// The script editor for "script-eval: ".
void qv_style_editor_edit_script(QVStyleEditor &editor);

// Style sheets. `global`: GIMP-wide, else the image's.
bool qv_style_editor_set_css(QVStyleEditor &editor, const std::string &sheet, bool global);
// Stores the path's style as a new sheet under a free name; the name used.
std::optional<std::string> qv_style_editor_store_new_sheet(QVStyleEditor &editor,
                                                           const std::string &name, bool global);
