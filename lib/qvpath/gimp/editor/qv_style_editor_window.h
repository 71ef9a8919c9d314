// The path-style editor: a window beside the canvas that shows the style of
// the image's current path as widgets, writes every change back into the
// path's style parasite and draws the path on request. A 300 ms timer
// follows the user: the current path, GIMP's colours, brush, pattern and
// gradient, another call's request to show another image, and renders that
// run meanwhile.
//
// The editor is one record with its window; load, apply and the timer's
// step are functions over it, so tests can drive the real window: set a
// widget, run a step, and look at the style, the layers and the widgets.
// Signal handlers only forward to these functions.
#pragma once

#include <gtk/gtk.h>
#include <libgimp/gimp.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/qv_style_editor.h"
#include "gimp/ui/qv_dialogs.h"
#include "gimp/ui/qv_main_loop.h"

extern const char *const QV_EDITOR_MARKER;  // "qv-pathstyle-dialog-run"

// Apply modes.
constexpr int QV_APPLY_STORE = 3;
constexpr int QV_APPLY_DRAW_ESL = 1;
constexpr int QV_APPLY_DRAW = 2;
constexpr int QV_APPLY_RELOCK = 7;

// Dialog responses of the two action buttons.
constexpr int QV_EDITOR_RESPONSE_DRAW = 1;
constexpr int QV_EDITOR_RESPONSE_RELOCK = 7;

struct QVStyleEditorWidgets {
  GtkWidget *menu_bar = nullptr;
  GtkWidget *edit_menu = nullptr, *font_item = nullptr, *image_item = nullptr,
            *extra_item = nullptr;
  GtkWidget *image_combo = nullptr;
  GtkWidget *body = nullptr;
  GtkWidget *mode_item = nullptr, *mode_check = nullptr;
  std::vector<std::pair<GtkWidget *, int>> mode_items;  // radio items and their numbers
  GtkWidget *opacity_check = nullptr, *opacity = nullptr;
  GtkWidget *stroke_check = nullptr, *stroke_colour = nullptr, *stroke_brush = nullptr,
            *stroke_size = nullptr;
  GtkWidget *fill_check = nullptr, *fill_block = nullptr, *fill_mode = nullptr;
  GtkWidget *with_colour = nullptr, *with_pattern = nullptr, *with_gradient = nullptr;
  GtkWidget *fg_area = nullptr, *pattern_preview = nullptr, *gradient_preview = nullptr;
  GtkWidget *fill_opacity = nullptr, *feather = nullptr;
  GtkWidget *gradient_box = nullptr, *gradient_inverse = nullptr, *gradient_form = nullptr,
            *gradient_repeat = nullptr, *gradient_offset = nullptr, *dithering = nullptr,
            *supersampling = nullptr, *supersampling_box = nullptr, *depth = nullptr,
            *threshold = nullptr;
  GtkWidget *status = nullptr;
  GtkWidget *relock = nullptr, *draw = nullptr;
  // "Edit" menu entries whose label or sensitivity changes.
  GtkWidget *default_t = nullptr, *paste_style = nullptr, *paste_path = nullptr,
            *in_between = nullptr, *always_on_top = nullptr, *save = nullptr;
  GtkWidget *set_css = nullptr, *store_css = nullptr, *remove_css = nullptr;  // filled on opening
  GtkWidget *font_select = nullptr;  // hidden; clicked by the font chooser
};

struct QVStyleEditor {
  gint32 image = -1;
  std::string path;  // the edited path (a helper's owner)
  gint32 tattoo = -1;
  std::optional<std::string> style_copy;
  int busy = 0;
  GimpRGB foreground{}, background{};
  std::string brush, pattern, gradient;
  int brush_spacing = 0;
  std::optional<std::string> font;
  std::string extras;
  double opacity_value = 100;
  int last_mode = -1;
  std::vector<gint32> images;  // the open images the combo lists
  int kind = 0;
  bool rendering_shown = false;
  bool keep_above = false;
  std::string last_image_name;
  GdkModifierType click_modifiers =
      GdkModifierType(0);  // at the last release over an attribute line
  gulong font_handler = 0;

  QVWidgetHolder dialog;
  QVStyleEditorWidgets w;
  QVTimeoutHolder timer;
};

// Holds the busy counter for a scope: the editor's own widget updates must
// not write the style back.
struct QVEditorBusy {
  explicit QVEditorBusy(QVStyleEditor &e) : editor(e) { ++editor.busy; }
  ~QVEditorBusy() {
    if (editor.busy > 0) --editor.busy;
  }
  QVEditorBusy(const QVEditorBusy &) = delete;
  QVEditorBusy &operator=(const QVEditorBusy &) = delete;
  QVStyleEditor &editor;
};

// Builds the window for the image (not shown, no timer) and loads it.
std::unique_ptr<QVStyleEditor> qv_style_editor_build(gint32 image);

// Reads the image's current path and its style into the widgets.
void qv_style_editor_load(QVStyleEditor &editor);

// The widgets as values, and the style text they make.
QVEditorValues qv_style_editor_values(const QVStyleEditor &editor);

// Writes the style from the widgets (and draws, by mode); 7 reloads.
void qv_style_editor_apply(QVStyleEditor &editor, int mode);

// One step of the 300 ms timer.
void qv_style_editor_tick(QVStyleEditor &editor);

// A paint-mode item chosen or the opacity slider moved: written at once
// into the path's (or its draw group's) style and set on its ESL.
void qv_style_editor_set_mode(QVStyleEditor &editor, int mode);
void qv_style_editor_set_opacity(QVStyleEditor &editor, double opacity);

// "Copy Style" / "Paste Style" through the clipboard's text.
bool qv_style_editor_copy_style(QVStyleEditor &editor);
bool qv_style_editor_paste_style(QVStyleEditor &editor);

// Stores the answer to "Please enter default t:" and shows it in the menu.
void qv_style_editor_set_default_t(QVStyleEditor &editor, const std::string &answer);

// Refreshes the "Edit" menu as opening it does.
void qv_style_editor_refresh_edit_menu(QVStyleEditor &editor);

// Writes the marker of the running editor: the image it shows.
void qv_style_editor_write_marker(gint32 image);
// The marker's value, none when there is none.
std::optional<gint32> qv_style_editor_read_marker();

// Marks the image changed (an empty undo step when it is clean), as every
// write of a style ends.
void qv_style_editor_mark_dirty(gint32 image);
