// The timeline editor's menus and the dialogs they open.
#include <gdk/gdkkeysyms.h>
#include <glib/gi18n-lib.h>

#include <algorithm>
#include <cmath>

#include "core/qv_attributes.h"
#include "core/qv_filename.h"
#include "core/qv_frame_names.h"
#include "core/qv_glib_ptr.h"
#include "core/qv_locale.h"
#include "core/qv_path_groups.h"
#include "core/qv_playback.h"
#include "core/qv_timeline_edit.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/groups/qv_path_groups_gimp.h"
#include "gimp/timeline/qv_timeline_chooser.h"
#include "gimp/timeline/qv_timeline_editor.h"
#include "gimp/timeline/qv_timeline_gimp.h"
#include "gimp/ui/qv_dialogs.h"

namespace {

const char *const kLastTimeline = "qv-last-timeline";
const char *const kLastScript = "qv-last-a-scriptfile";
const char *const kLastSavedFrame = "qv-last-saved-frame";

QVTimelineEditor &record_of(gpointer data) { return *static_cast<QVTimelineEditor *>(data); }

int index_of(GtkMenuItem *item) {
  return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(item), "qv-index"));
}

GtkWidget *menu_item(GtkWidget *menu, const char *label, GCallback callback, gpointer data,
                     int index = 0) {
  GtkWidget *item = gtk_menu_item_new_with_label(label);
  if (callback) g_signal_connect(item, "activate", callback, data);
  g_object_set_data(G_OBJECT(item), "qv-index", GINT_TO_POINTER(index));
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
  return item;
}

void separator(GtkWidget *menu) {
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), gtk_separator_menu_item_new());
}

void clear_menu(GtkWidget *menu) {
  GList *items = gtk_container_get_children(GTK_CONTAINER(menu));
  for (GList *i = items; i; i = i->next) gtk_widget_destroy(GTK_WIDGET(i->data));
  g_list_free(items);
}

// A menu of the bar whose items `fill` builds each time it opens.
GtkWidget *rebuilt_menu(GtkWidget *bar, const char *label, GCallback fill, gpointer data) {
  GtkWidget *item = gtk_menu_item_new_with_label(label);
  GtkWidget *menu = gtk_menu_new();
  gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), menu);
  gtk_menu_shell_append(GTK_MENU_SHELL(bar), item);
  // A menu bar item is activated as its menu opens.
  if (fill) g_signal_connect(item, "activate", fill, data);
  return menu;
}

void ellipsize(GtkWidget *item) {
  GtkWidget *label = gtk_bin_get_child(GTK_BIN(item));
  gtk_label_set_max_width_chars(GTK_LABEL(label), 24);
  gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
}

// `child` in a framed scrolled window of at least that size.
GtkWidget *scrolled_around(GtkWidget *child, int width, int height) {
  GtkWidget *scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                 GTK_POLICY_AUTOMATIC);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_IN);
  gtk_container_add(GTK_CONTAINER(scrolled), child);
  gtk_widget_set_size_request(scrolled, width, height);
  return scrolled;
}

std::string buffer_text(GtkTextBuffer *buffer) {
  GtkTextIter start, end;
  gtk_text_buffer_get_bounds(buffer, &start, &end);
  return qv_take_string(gtk_text_buffer_get_text(buffer, &start, &end, FALSE));
}

// A file chooser; the chosen file in UTF-8, or none.
std::optional<std::string> choose_file(
    GtkWindow *parent, const char *title, bool save, const std::string &preset,
    const std::vector<std::pair<const char *, const char *>> &filters,
    const char *geometry_key = nullptr) {
  GtkWidget *chooser = gtk_file_chooser_dialog_new(
      title, parent, save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN,
      GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL, save ? GTK_STOCK_SAVE : GTK_STOCK_OPEN,
      GTK_RESPONSE_ACCEPT, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
  gtk_file_chooser_set_do_overwrite_confirmation(GTK_FILE_CHOOSER(chooser), TRUE);
  for (const auto &[name, patterns] : filters) {
    GtkFileFilter *filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, name);
    gchar **split = g_strsplit(patterns, ";", -1);
    for (gchar **p = split; *p; ++p) gtk_file_filter_add_pattern(filter, g_strstrip(*p));
    g_strfreev(split);
    gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(chooser), filter);
  }
  if (!preset.empty()) {
    const std::string native = qv_filename_from_utf8(preset.c_str()).value_or(preset);
    if (save) {
      gtk_file_chooser_set_current_folder(
          GTK_FILE_CHOOSER(chooser), qv_take_string(g_path_get_dirname(native.c_str())).c_str());
      gtk_file_chooser_set_current_name(
          GTK_FILE_CHOOSER(chooser), qv_take_string(g_path_get_basename(native.c_str())).c_str());
    } else {
      gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(chooser), native.c_str());
    }
  }
  int state = 0;
  if (geometry_key) qv_dialog_geometry_restore(GTK_WINDOW(chooser), geometry_key, &state);
  std::optional<std::string> chosen;
  if (gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
    const std::string file =
        qv_take_string(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser)));
    if (!file.empty()) chosen = qv_filename_to_utf8(file.c_str()).value_or(file);
  }
  if (geometry_key)
    qv_dialog_geometry_save(GTK_WINDOW(chooser), geometry_key, state,
                            QV_GEOMETRY_POSITION | QV_GEOMETRY_SIZE);
  gtk_widget_destroy(chooser);
  return chosen;
}

// ---- Timeline ---------------------------------------------------------------------

void on_new(GtkMenuItem *item, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  const bool duplicate = index_of(item) == 1;
  const auto name = qv_dialog_prompt(GTK_WINDOW(ed.window), duplicate ? _("Duplicate") : _("New"),
                                     _("Enter Name:"), _("Timeline"));
  if (name) qv_timeline_editor_new(ed, *name, duplicate);
}

void on_switch(GtkMenuItem *item, gpointer data) {
  qv_timeline_editor_switch(record_of(data), index_of(item));
}

void on_administrate(GtkMenuItem *, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  if (!qv_timeline_editor_settle(ed)) return;
  qv_timeline_choose(GTK_WINDOW(ed.window), ed.image, 0);
  qv_timeline_editor_reload(ed);
}

void on_import(GtkMenuItem *, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  const auto file = choose_file(GTK_WINDOW(ed.window), _("Import Timeline"), false,
                                qv_global_string_get(kLastTimeline).value_or(ed.timeline_file),
                                {{"*.qvt", "*.qvt"}, {"*", "*"}}, "qv-dialog-file-open");
  if (!file) return;
  qv_global_string_set(kLastTimeline, *file);
  qv_timeline_editor_import(ed, *file);
}

void on_export(GtkMenuItem *, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  std::string preset = ed.timeline_file;
  if (preset.empty()) preset = qv_timeline_display_name(ed.header) + ".qvt";
  const auto file = choose_file(GTK_WINDOW(ed.window), _("Export Timeline"), true, preset,
                                {{"*.qvt", "*.qvt"}}, "qv-dialog-file-save");
  if (!file) return;
  qv_global_string_set(kLastTimeline, *file);
  qv_timeline_editor_export(ed, *file);
}

void on_save(GtkMenuItem *, gpointer data) { qv_timeline_editor_save(record_of(data)); }

void on_exit(GtkMenuItem *, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  GdkEvent *event = gdk_event_new(GDK_DELETE);
  event->any.window = GDK_WINDOW(g_object_ref(ed.window->window));
  gtk_main_do_event(event);
  gdk_event_free(event);
}

// "Timeline" as it opens: the current name, New, Duplicate, the recent
// timelines, More, then the file and window items.
void on_timeline_menu(GtkMenuItem *, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  GtkWidget *menu = ed.timeline_menu;
  clear_menu(menu);
  GtkWidget *current = menu_item(menu, qv_timeline_display_name(ed.header).c_str(), nullptr, &ed);
  gtk_widget_set_sensitive(current, FALSE);
  ellipsize(current);
  separator(menu);
  menu_item(menu, _("New ..."), G_CALLBACK(on_new), &ed, 0);
  const auto directory = qv_timeline_directory_new(ed.image);
  if (directory && directory->total > 0)
    menu_item(menu, _("Duplicate"), G_CALLBACK(on_new), &ed, 1);
  if (directory) {
    const int first = directory->has_current ? 1 : 0;
    const int recent_end = first + directory->recent_count;
    if (recent_end > first) separator(menu);
    for (int i = first; i < recent_end && i < static_cast<int>(directory->names.size()); ++i)
      ellipsize(menu_item(menu, directory->names[i].c_str(), G_CALLBACK(on_switch), &ed, i));
  }
  menu_item(menu, _("More ..."), G_CALLBACK(on_administrate), &ed);
  separator(menu);
  menu_item(menu, _("Import"), G_CALLBACK(on_import), &ed);
  menu_item(menu, _("Export"), G_CALLBACK(on_export), &ed);
  GtkWidget *save = menu_item(menu, _("Save"), G_CALLBACK(on_save), &ed);
  gtk_menu_item_set_accel_path(GTK_MENU_ITEM(save), "<QV-Timeline Render>/Timeline/Save");
  separator(menu);
  menu_item(menu, _("Exit"), G_CALLBACK(on_exit), &ed);
  menu_item(menu, _("Administrate ..."), G_CALLBACK(on_administrate), &ed);
  gtk_widget_show_all(menu);
}

// ---- Edit -------------------------------------------------------------------------

// One row of the path chooser: a group, or a path of it.
enum { PC_LABEL, PC_GROUP, PC_FILE, PC_PATH, PC_TATTOO, PC_GROUP_NAME, PC_COLUMNS };

void add_group_rows(GtkTreeStore *store, const std::vector<uint8_t> &data,
                    const QVPathGroupBlock &block, const std::optional<std::string> &file) {
  GtkTreeIter group;
  gtk_tree_store_append(store, &group, nullptr);
  const std::string label = qv_format("%d  %s", block.number, block.name.c_str());
  gtk_tree_store_set(store, &group, PC_LABEL, label.c_str(), PC_GROUP, block.number, PC_FILE,
                     file ? file->c_str() : nullptr, PC_PATH, nullptr, PC_TATTOO, 0, PC_GROUP_NAME,
                     block.name.c_str(), -1);
  for (const QVSnapshotPath &path : qv_pathgroup_block_content(data, block).paths) {
    GtkTreeIter child;
    gtk_tree_store_append(store, &child, &group);
    gtk_tree_store_set(store, &child, PC_LABEL, path.name.c_str(), PC_GROUP, block.number, PC_FILE,
                       file ? file->c_str() : nullptr, PC_PATH, path.name.c_str(), PC_TATTOO,
                       path.tattoo, PC_GROUP_NAME, block.name.c_str(), -1);
  }
}

struct ChosenEntries {
  QVTimelineEditor *ed;
  std::vector<QVanimChunk> entries;
};

void collect_row(GtkTreeModel *model, GtkTreePath *, GtkTreeIter *iter, gpointer data) {
  auto &chosen = *static_cast<ChosenEntries *>(data);
  gint group = 0, tattoo = 0;
  gchar *file = nullptr, *path = nullptr, *group_name = nullptr;
  gtk_tree_model_get(model, iter, PC_GROUP, &group, PC_FILE, &file, PC_PATH, &path, PC_TATTOO,
                     &tattoo, PC_GROUP_NAME, &group_name, -1);
  QVanimChunk entry = qv_timeline_editor_new_entry(*chosen.ed);
  entry.group_id = group;
  entry.group_file = file ? std::string(file) : std::string();
  entry.group_name = group_name ? std::string(group_name) : std::string();
  if (path) entry.path_name = std::string(path);
  entry.path_tattoo = tattoo;
  chosen.entries.push_back(std::move(entry));
  g_free(file);
  g_free(path);
  g_free(group_name);
}

// The groups (and their paths) of `data` to choose from; the chosen rows
// become new entries.
void choose_paths(QVTimelineEditor &ed, const char *title, const std::vector<uint8_t> &data,
                  const QVPathGroupIndex &index, const std::optional<std::string> &file) {
  GtkTreeStore *store = gtk_tree_store_new(PC_COLUMNS, G_TYPE_STRING, G_TYPE_INT, G_TYPE_STRING,
                                           G_TYPE_STRING, G_TYPE_INT, G_TYPE_STRING);
  for (const QVPathGroupBlock &block : index.blocks)
    add_group_rows(store, data, block, file ? file : block.file_name);
  GtkWidget *dialog =
      gtk_dialog_new_with_buttons(title, GTK_WINDOW(ed.window), GTK_DIALOG_MODAL, GTK_STOCK_CANCEL,
                                  GTK_RESPONSE_CANCEL, GTK_STOCK_ADD, GTK_RESPONSE_OK, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  GtkWidget *view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store));
  g_object_unref(store);
  gtk_tree_view_insert_column_with_attributes(GTK_TREE_VIEW(view), -1, _("Group / Path"),
                                              gtk_cell_renderer_text_new(), "text", PC_LABEL,
                                              nullptr);
  gtk_tree_view_expand_all(GTK_TREE_VIEW(view));
  GtkTreeSelection *selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(view));
  gtk_tree_selection_set_mode(selection, GTK_SELECTION_MULTIPLE);
  GtkWidget *scrolled = scrolled_around(view, 360, 300);
  GtkWidget *content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
  gtk_container_set_border_width(GTK_CONTAINER(content), 6);
  gtk_box_pack_start(GTK_BOX(content),
                     gtk_label_new(_("A group animates all its [@ paths; a path only itself.")),
                     FALSE, FALSE, 4);
  gtk_box_pack_start(GTK_BOX(content), scrolled, TRUE, TRUE, 0);
  gtk_widget_show_all(dialog);
  ChosenEntries chosen{&ed, {}};
  if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_OK)
    gtk_tree_selection_selected_foreach(selection, collect_row, &chosen);
  gtk_widget_destroy(dialog);
  // Inserted before the selection one after the other, they keep the list's order.
  for (auto it = chosen.entries.rbegin(); it != chosen.entries.rend(); ++it)
    qv_timeline_editor_insert(ed, *it);
}

void on_insert_paths(GtkMenuItem *, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  if (!qv_timeline_editor_image_open(ed)) return;
  qv_pathgroup_store_current(ed.image, std::nullopt);
  std::string error;
  const auto groups = qv_pathgroups_data(ed.image, &error);
  if (!groups) {
    qv_dialog_alert(GTK_WINDOW(ed.window), _("Alert!"),
                    error.empty() ? _("The image has no path groups.") : error.c_str());
    return;
  }
  choose_paths(ed, _("Insert Paths & Splines"), *groups, qv_pathgroups_index(*groups),
               std::nullopt);
}

void on_external_paths(GtkMenuItem *, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  const auto file = choose_file(GTK_WINDOW(ed.window), _("External Paths"), false, "",
                                {{"*.qvg", "*.qvg"}, {"*", "*"}});
  if (!file) return;
  const QVPathGroupFile groups = qv_pathgroup_file_load(*file);
  if (groups.status != QVPathGroupFileStatus::ok || !groups.index.ok()) {
    qv_dialog_alert(
        GTK_WINDOW(ed.window), _("Alert!"),
        qv_text(_("»%s« is no path-group file: %s"), file->c_str(), groups.detail.c_str()).c_str());
    return;
  }
  choose_paths(ed, _("External Paths"), groups.chunks, groups.index, *file);
}

void on_insert_script(GtkMenuItem *, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  GtkWidget *dialog = gtk_dialog_new_with_buttons(
      _("Insert Script!"), GTK_WINDOW(ed.window), GTK_DIALOG_MODAL, GTK_STOCK_CANCEL,
      GTK_RESPONSE_CANCEL, GTK_STOCK_OK, GTK_RESPONSE_OK, nullptr);
  GtkWidget *content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
  gtk_container_set_border_width(GTK_CONTAINER(content), 6);
  GtkWidget *name = gtk_entry_new();
  gtk_entry_set_text(GTK_ENTRY(name), "Untitled");
  GtkWidget *row = gtk_hbox_new(FALSE, 6);
  gtk_box_pack_start(GTK_BOX(row), gtk_label_new(_("name:")), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(row), name, TRUE, TRUE, 0);
  GtkWidget *text = gtk_text_view_new();
  GtkWidget *scrolled = scrolled_around(text, 420, 200);
  gtk_box_pack_start(GTK_BOX(content), row, FALSE, FALSE, 4);
  gtk_box_pack_start(GTK_BOX(content), gtk_label_new(_("Script-Fu:")), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(content), scrolled, TRUE, TRUE, 4);
  gtk_widget_show_all(dialog);
  if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_OK) {
    qv_timeline_editor_insert_script(ed, gtk_entry_get_text(GTK_ENTRY(name)),
                                     buffer_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(text))));
  }
  gtk_widget_destroy(dialog);
}

void on_template_add(GtkMenuItem *, gpointer data) {
  qv_timeline_editor_template_add(record_of(data));
}

void on_template_insert(GtkMenuItem *item, gpointer data) {
  qv_timeline_editor_template_insert(record_of(data), index_of(item));
}

void on_template_remove(GtkMenuItem *item, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  const auto templates = qv_animation_templates();
  const int index = index_of(item);
  if (index >= static_cast<int>(templates.size())) return;
  const std::string question = qv_format("%s '%s'?", _("Do you realy want to remove"),
                                         qv_template_label(templates[index]).c_str());
  if (qv_dialog_confirm(GTK_WINDOW(ed.window), _("Confirm!"), question.c_str()))
    qv_timeline_editor_template_remove(index);
}

void on_cut(GtkMenuItem *, gpointer data) { qv_timeline_editor_cut(record_of(data)); }
void on_copy(GtkMenuItem *, gpointer data) { qv_timeline_editor_copy(record_of(data)); }
void on_paste(GtkMenuItem *, gpointer data) { qv_timeline_editor_paste(record_of(data)); }

// ---- "Enter Fade/Freeze!" ----------------------------------------------------

std::optional<QVFadeFreeze> fade_freeze_dialog(GtkWindow *parent, QVFadeFreeze v) {
  GtkWidget *dialog = gtk_dialog_new_with_buttons(_("Enter Fade/Freeze!"), parent, GTK_DIALOG_MODAL,
                                                  GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL,
                                                  GTK_STOCK_OK, GTK_RESPONSE_OK, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  GtkWidget *table = gtk_table_new(4, 3, FALSE);
  gtk_container_set_border_width(GTK_CONTAINER(table), 8);
  gtk_table_set_row_spacings(GTK_TABLE(table), 4);
  gtk_table_set_col_spacings(GTK_TABLE(table), 6);
  struct Row {
    const char *label;
    bool *on;
    double *seconds;
    double lower;
    GtkWidget *check = nullptr, *spin = nullptr;
  } rows[4] = {{_("fade-in"), &v.fade_in, &v.fade_in_s, 0},
               {_("freeze-before"), &v.freeze_before, &v.freeze_before_s, -1},
               {_("freeze-behind"), &v.freeze_behind, &v.freeze_behind_s, -1},
               {_("fade-out"), &v.fade_out, &v.fade_out_s, 0}};
  for (int i = 0; i < 4; ++i) {
    Row &r = rows[i];
    r.check = gtk_check_button_new_with_label(r.label);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(r.check), *r.on);
    r.spin = gtk_spin_button_new_with_range(r.lower, 99999, 0.04);
    gtk_spin_button_set_digits(GTK_SPIN_BUTTON(r.spin), 2);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(r.spin), *r.seconds);
    GtkWidget *label = gtk_label_new(_("duration:"));
    gtk_misc_set_alignment(GTK_MISC(label), 1, 0.5);
    gtk_table_attach(GTK_TABLE(table), r.check, 0, 1, i, i + 1, GTK_FILL, GTK_FILL, 0, 0);
    gtk_table_attach(GTK_TABLE(table), label, 1, 2, i, i + 1, GTK_FILL, GTK_FILL, 0, 0);
    gtk_table_attach(GTK_TABLE(table), r.spin, 2, 3, i, i + 1, GTK_FILL, GTK_FILL, 0, 0);
  }
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), table, TRUE, TRUE,
                     0);
  gtk_widget_show_all(dialog);
  std::optional<QVFadeFreeze> chosen;
  if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_OK) {
    for (Row &r : rows) {
      *r.on = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(r.check));
      *r.seconds = gtk_spin_button_get_value(GTK_SPIN_BUTTON(r.spin));
    }
    chosen = v;
  }
  gtk_widget_destroy(dialog);
  return chosen;
}

void on_fade_freeze(GtkMenuItem *, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  const QVanimChunk *entry = qv_timeline_editor_selected(ed);
  if (!entry) return;
  if (const auto values = fade_freeze_dialog(GTK_WINDOW(ed.window), qv_fade_freeze_of(*entry)))
    qv_timeline_editor_set_fade_freeze(ed, *values);
}

// "Enter Fade/Freeze": the selected entry's values, then the dialog.
void fill_fade_freeze(QVTimelineEditor &ed) {
  GtkWidget *menu = GTK_WIDGET(g_object_get_data(G_OBJECT(ed.edit_menu), "qv-fade-freeze"));
  clear_menu(menu);
  const QVanimChunk *entry = qv_timeline_editor_selected(ed);
  if (entry)
    for (const std::string &label : qv_fade_freeze_labels(*entry))
      gtk_widget_set_sensitive(menu_item(menu, label.c_str(), nullptr, &ed), FALSE);
  separator(menu);
  gtk_widget_set_sensitive(
      menu_item(menu, _("Enter Fade/Freeze ..."), G_CALLBACK(on_fade_freeze), &ed),
      entry != nullptr);
  gtk_widget_show_all(menu);
}

// ---- "Make #!TMP..." and "Make #!COMBINED..." ----------------------------------

void on_make_combined(GtkMenuItem *, gpointer data) {
  qv_timeline_editor_make_combined(record_of(data), std::nullopt);
}

// The timelines to join, one name a line; all the image's names to start with.
void on_make_tmp(GtkMenuItem *, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  std::string names;
  if (const auto directory = qv_timeline_directory_new(ed.image))
    for (const std::string &name : directory->names) names += name + "\n";
  GtkWidget *dialog = gtk_dialog_new_with_buttons(
      _("Make #!TMP..."), GTK_WINDOW(ed.window), GTK_DIALOG_MODAL, GTK_STOCK_CANCEL,
      GTK_RESPONSE_CANCEL, GTK_STOCK_OK, GTK_RESPONSE_OK, nullptr);
  GtkWidget *content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
  gtk_container_set_border_width(GTK_CONTAINER(content), 6);
  gtk_box_pack_start(GTK_BOX(content), gtk_label_new(_("Timelines to combine, one a line:")), FALSE,
                     FALSE, 4);
  GtkWidget *view = gtk_text_view_new();
  GtkTextBuffer *buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(view));
  gtk_text_buffer_set_text(buffer, names.c_str(), -1);
  GtkWidget *scrolled = scrolled_around(view, 360, 220);
  gtk_box_pack_start(GTK_BOX(content), scrolled, TRUE, TRUE, 4);
  gtk_widget_show_all(dialog);
  std::optional<std::string> text;
  if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_OK) text = buffer_text(buffer);
  gtk_widget_destroy(dialog);
  if (text) qv_timeline_editor_make_combined(ed, text);
}

// The Edit menu's changing parts as it opens: the template submenus, Paste
// and the extra items.
void on_edit_menu(GtkMenuItem *, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  GtkWidget *insert = GTK_WIDGET(g_object_get_data(G_OBJECT(ed.edit_menu), "qv-insert"));
  GtkWidget *remove = GTK_WIDGET(g_object_get_data(G_OBJECT(ed.edit_menu), "qv-remove"));
  GtkWidget *paste = GTK_WIDGET(g_object_get_data(G_OBJECT(ed.edit_menu), "qv-paste"));
  clear_menu(insert);
  clear_menu(remove);
  GtkWidget *add = menu_item(insert, _("Add to template"), G_CALLBACK(on_template_add), &ed);
  gtk_widget_set_sensitive(add, qv_timeline_editor_selected(ed) != nullptr);
  separator(insert);
  const auto templates = qv_animation_templates();
  for (size_t i = 0; i < templates.size(); ++i) {
    const std::string label = qv_template_label(templates[i]);
    menu_item(insert, label.c_str(), G_CALLBACK(on_template_insert), &ed, static_cast<int>(i));
    menu_item(remove, label.c_str(), G_CALLBACK(on_template_remove), &ed, static_cast<int>(i));
  }
  if (templates.empty()) {
    gtk_widget_set_sensitive(menu_item(insert, _("Empty"), nullptr, nullptr), FALSE);
    gtk_widget_set_sensitive(menu_item(remove, _("Empty"), nullptr, nullptr), FALSE);
  }
  gtk_widget_show_all(insert);
  gtk_widget_show_all(remove);
  gtk_widget_set_sensitive(paste, ed.clipboard.has_value());
  fill_fade_freeze(ed);
  // The combining items are for those who asked for the extra menus.
  const bool extra = qv_global_parasite_listed("qv-menu") &&
                     qv_global_string_get("qv-menu").value_or("") == "extra";
  for (const char *key : {"qv-extra-separator", "qv-make-tmp", "qv-make-combined"})
    gtk_widget_set_visible(GTK_WIDGET(g_object_get_data(G_OBJECT(ed.edit_menu), key)), extra);
}

GtkWidget *accel_item(QVTimelineEditor &ed, GtkWidget *menu, GtkAccelGroup *keys, const char *label,
                      GCallback callback, guint key, const char *path) {
  GtkWidget *item = menu_item(menu, label, callback, &ed);
  gtk_widget_add_accelerator(item, "activate", keys, key, GDK_CONTROL_MASK, GTK_ACCEL_VISIBLE);
  gtk_menu_item_set_accel_path(GTK_MENU_ITEM(item), path);
  return item;
}

// ---- Render ---------------------------------------------------------------------

void on_preview(GtkMenuItem *, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  const QVTimeline timeline = qv_timeline_editor_timeline(ed);
  const QVRenderSpan span = qv_timeline_render_span(timeline.header);
  const auto count =
      qv_preview_count_dialog(GTK_WINDOW(ed.window), span.count,
                              timeline.header.preview_step > 0 ? timeline.header.preview_step : 61);
  if (count) qv_timeline_editor_preview(ed, *count);
}

void on_render_save(GtkMenuItem *, gpointer data);

// ---- rate, mode and scripts -------------------------------------------------------

void on_flatten(GtkCheckMenuItem *item, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  if (!ed.updating) qv_timeline_editor_set_flatten(ed, gtk_check_menu_item_get_active(item));
}

void on_rate(GtkCheckMenuItem *item, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  if (ed.updating) return;
  if (!gtk_check_menu_item_get_active(item)) {  // a check item unchecks itself; it stays
    qv_timeline_editor_sync_rate_menu(ed);
    return;
  }
  qv_timeline_editor_set_rate(ed, qv_timeline_rates()[index_of(GTK_MENU_ITEM(item))]);
}

void on_interlace(GtkCheckMenuItem *item, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  if (!ed.updating && gtk_check_menu_item_get_active(item))
    qv_timeline_editor_set_interlace(ed, index_of(GTK_MENU_ITEM(item)));
}

struct GeneralScript {
  const char *parasite, *label, *chooser_title, *remove_label;
};
const GeneralScript kGeneralScripts[3] = {
    {"qv-general-script-before-render", N_("Before Render"), N_("Select Before Render Script-File"),
     N_("Remove Before Render")},
    {"qv-general-script-after-render", N_("After Render"), N_("Select After Render Script-File"),
     N_("Remove After Render")},
    {"qv-general-script-before-save", N_("Before Save"), N_("Select Before Save Script-File"),
     N_("Remove Before Save")},
};

// The items carry their image and window: the editor and the Animation
// Renderer share the menu.
void on_general_script(GtkMenuItem *item, gpointer parent) {
  const gint32 image = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(item), "qv-image"));
  const GeneralScript &script = kGeneralScripts[index_of(item)];
  const auto file =
      choose_file(GTK_WINDOW(parent), _(script.chooser_title), false,
                  qv_global_string_get(kLastScript).value_or(""),
                  {{"*.txt", "*.txt"}, {"*.scm", "*.scm"}, {"*.txt; *.scm", "*.txt;*.scm"}});
  if (!file) return;
  qv_global_string_set(kLastScript, *file);
  qv_parasite_attach(image, script.parasite, GIMP_PARASITE_PERSISTENT, file->size() + 1,
                     file->c_str());
}

void on_general_script_remove(GtkMenuItem *item, gpointer) {
  const gint32 image = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(item), "qv-image"));
  qv_parasite_remove(image, kGeneralScripts[index_of(item)].parasite);
}

}  // namespace

void qv_general_scripts_fill(GtkWidget *menu, gint32 image, GtkWindow *parent) {
  clear_menu(menu);
  auto item = [&](const char *label, GCallback callback, int index) {
    GtkWidget *it = menu_item(menu, label, callback, parent, index);
    g_object_set_data(G_OBJECT(it), "qv-image", GINT_TO_POINTER(image));
    return it;
  };
  for (int i = 0; i < 3; ++i) {
    const GeneralScript &script = kGeneralScripts[i];
    item(_(script.label), G_CALLBACK(on_general_script), i);
    if (const auto set = qv_image_string_get(image, script.parasite)) {
      GtkWidget *shown = item(qv_format("\"%s\"", set->c_str()).c_str(), nullptr, i);
      gtk_widget_set_sensitive(shown, FALSE);
      ellipsize(shown);
      item(_(script.remove_label), G_CALLBACK(on_general_script_remove), i);
    }
    if (i < 2) separator(menu);
  }
  gtk_widget_show_all(menu);
}

namespace {
void on_scripts_menu(GtkMenuItem *, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  qv_general_scripts_fill(ed.scripts_menu, ed.image, GTK_WINDOW(ed.window));
}
}  // namespace

void qv_timeline_editor_sync_rate_menu(QVTimelineEditor &ed) {
  if (!ed.rate_item) return;
  ++ed.updating;
  gtk_menu_item_set_label(GTK_MENU_ITEM(ed.rate_item),
                          qv_rate_menu_label(ed.header.fps, ed.header.interlace).c_str());
  GList *items = gtk_container_get_children(GTK_CONTAINER(ed.rate_menu));
  for (GList *i = items; i; i = i->next) {
    GtkWidget *item = GTK_WIDGET(i->data);
    const char *kind = static_cast<const char *>(g_object_get_data(G_OBJECT(item), "qv-kind"));
    if (!kind) continue;
    const int index = index_of(GTK_MENU_ITEM(item));
    const std::string k = kind;
    const bool on = k == "flatten" ? ed.header.flatten != 0
                    : k == "rate"  ? qv_timeline_rates()[index] == ed.header.fps
                                   : index == ed.header.interlace;
    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(item), on);
  }
  g_list_free(items);
  --ed.updating;
}

GtkWidget *qv_timeline_editor_menus(QVTimelineEditor &ed) {
  GtkWidget *bar = gtk_menu_bar_new();
  GtkAccelGroup *keys = gtk_accel_group_new();
  gtk_window_add_accel_group(GTK_WINDOW(ed.window), keys);
  g_object_unref(keys);

  ed.timeline_menu = rebuilt_menu(bar, _("Timeline"), G_CALLBACK(on_timeline_menu), &ed);
  // Save works from the keyboard before the menu was ever opened.
  gtk_accel_map_add_entry("<QV-Timeline Render>/Timeline/Save", GDK_KEY_s, GDK_CONTROL_MASK);
  gtk_accel_group_connect_by_path(keys, "<QV-Timeline Render>/Timeline/Save",
                                  g_cclosure_new_swap(G_CALLBACK(+[](gpointer data) {
                                                        qv_timeline_editor_save(record_of(data));
                                                      }),
                                                      &ed, nullptr));

  ed.edit_menu = rebuilt_menu(bar, _("Edit"), G_CALLBACK(on_edit_menu), &ed);
  GtkWidget *edit = ed.edit_menu;
  menu_item(edit, _("   Insert Paths & Splines   "), G_CALLBACK(on_insert_paths), &ed);
  menu_item(edit, _("Insert Script"), G_CALLBACK(on_insert_script), &ed);
  menu_item(edit, _("   External Paths ...   "), G_CALLBACK(on_external_paths), &ed);
  GtkWidget *insert = gtk_menu_new(), *remove = gtk_menu_new();
  gtk_menu_item_set_submenu(GTK_MENU_ITEM(menu_item(edit, _("Insert Template"), nullptr, &ed)),
                            insert);
  gtk_menu_item_set_submenu(GTK_MENU_ITEM(menu_item(edit, _("Remove Template"), nullptr, &ed)),
                            remove);
  g_object_set_data(G_OBJECT(edit), "qv-insert", insert);
  g_object_set_data(G_OBJECT(edit), "qv-remove", remove);
  separator(edit);
  accel_item(ed, edit, keys, _("   Cut   "), G_CALLBACK(on_cut), GDK_KEY_x,
             "<QV-Timeline Render>/Edit/Cut");
  accel_item(ed, edit, keys, _("   Copy   "), G_CALLBACK(on_copy), GDK_KEY_c,
             "<QV-Timeline Render>/Edit/Copy");
  GtkWidget *paste = accel_item(ed, edit, keys, _("   Paste   "), G_CALLBACK(on_paste), GDK_KEY_v,
                                "<QV-Timeline Render>/Edit/Paste");
  g_object_set_data(G_OBJECT(edit), "qv-paste", paste);
  separator(edit);
  GtkWidget *fade_freeze = gtk_menu_new();
  gtk_menu_item_set_submenu(GTK_MENU_ITEM(menu_item(edit, _("Enter Fade/Freeze"), nullptr, &ed)),
                            fade_freeze);
  g_object_set_data(G_OBJECT(edit), "qv-fade-freeze", fade_freeze);
  GtkWidget *extra_separator = gtk_separator_menu_item_new();
  gtk_menu_shell_append(GTK_MENU_SHELL(edit), extra_separator);
  g_object_set_data(G_OBJECT(edit), "qv-extra-separator", extra_separator);
  g_object_set_data(G_OBJECT(edit), "qv-make-tmp",
                    menu_item(edit, _("Make #!TMP..."), G_CALLBACK(on_make_tmp), &ed));
  g_object_set_data(G_OBJECT(edit), "qv-make-combined",
                    menu_item(edit, _("Make #!COMBINED..."), G_CALLBACK(on_make_combined), &ed));
  for (const char *key : {"qv-extra-separator", "qv-make-tmp", "qv-make-combined"})
    gtk_widget_set_no_show_all(GTK_WIDGET(g_object_get_data(G_OBJECT(edit), key)), TRUE);

  GtkWidget *render = rebuilt_menu(bar, _("Render"), nullptr, &ed);
  menu_item(render, _("   Preview only ...   "), G_CALLBACK(on_preview), &ed);
  menu_item(render, _("   Render & Save as ...   "), G_CALLBACK(on_render_save), &ed);

  ed.rate_menu = gtk_menu_new();
  ed.rate_item = gtk_menu_item_new_with_label("");
  gtk_menu_item_set_submenu(GTK_MENU_ITEM(ed.rate_item), ed.rate_menu);
  gtk_menu_shell_append(GTK_MENU_SHELL(bar), ed.rate_item);
  GtkWidget *flatten = gtk_check_menu_item_new_with_label(_("flatten image"));
  g_object_set_data(G_OBJECT(flatten), "qv-kind", const_cast<char *>("flatten"));
  g_signal_connect(flatten, "toggled", G_CALLBACK(on_flatten), &ed);
  gtk_menu_shell_append(GTK_MENU_SHELL(ed.rate_menu), flatten);
  separator(ed.rate_menu);
  for (size_t i = 0; i < qv_timeline_rates().size(); ++i) {
    GtkWidget *item =
        gtk_check_menu_item_new_with_label(qv_rate_item_label(qv_timeline_rates()[i]).c_str());
    g_object_set_data(G_OBJECT(item), "qv-kind", const_cast<char *>("rate"));
    g_object_set_data(G_OBJECT(item), "qv-index", GINT_TO_POINTER(static_cast<int>(i)));
    gtk_check_menu_item_set_draw_as_radio(GTK_CHECK_MENU_ITEM(item), TRUE);
    g_signal_connect(item, "toggled", G_CALLBACK(on_rate), &ed);
    gtk_menu_shell_append(GTK_MENU_SHELL(ed.rate_menu), item);
  }
  separator(ed.rate_menu);
  GSList *group = nullptr;
  const char *modes[3] = {_("progressive   "), _("interlaced PAL (even|odd)   "),
                          _("interlaced NTSC (odd|even)   ")};
  for (int i = 0; i < 3; ++i) {
    GtkWidget *item = gtk_radio_menu_item_new_with_label(group, modes[i]);
    group = gtk_radio_menu_item_get_group(GTK_RADIO_MENU_ITEM(item));
    g_object_set_data(G_OBJECT(item), "qv-kind", const_cast<char *>("interlace"));
    g_object_set_data(G_OBJECT(item), "qv-index", GINT_TO_POINTER(i));
    g_signal_connect(item, "toggled", G_CALLBACK(on_interlace), &ed);
    gtk_menu_shell_append(GTK_MENU_SHELL(ed.rate_menu), item);
  }

  ed.scripts_menu = rebuilt_menu(bar, _("General Scripts"), G_CALLBACK(on_scripts_menu), &ed);
  return bar;
}

// ---- the text editor ----------------------------------------------------------------

void qv_timeline_editor_edit_text(QVTimelineEditor &ed, bool extra) {
  const QVanimChunk *entry = qv_timeline_editor_selected(ed);
  if (!entry) return;
  const std::string before = (extra ? entry->extra : entry->script_text).value_or("");
  GtkWidget *dialog = gtk_dialog_new_with_buttons(
      _("Texteditor!"), GTK_WINDOW(ed.window), GTK_DIALOG_MODAL, GTK_STOCK_CANCEL,
      GTK_RESPONSE_CANCEL, GTK_STOCK_SAVE, GTK_RESPONSE_OK, nullptr);
  gtk_window_set_title(GTK_WINDOW(dialog),
                       extra ? _("Edit Extra-Data!") : _("Edit Script-Fu Data!"));
  GtkWidget *content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
  gtk_container_set_border_width(GTK_CONTAINER(content), 6);
  GtkWidget *view = gtk_text_view_new();
  PangoFontDescription *font = pango_font_description_from_string("Lucida Console 9");
  gtk_widget_modify_font(view, font);
  pango_font_description_free(font);
  GtkTextBuffer *buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(view));
  gtk_text_buffer_set_text(buffer, before.c_str(), -1);
  GtkWidget *scrolled = scrolled_around(view, 460, 260);
  if (!extra)
    gtk_box_pack_start(GTK_BOX(content),
                       gtk_label_new(_("Variables to use: image, draw, av(=t), name")), FALSE,
                       FALSE, 4);
  gtk_box_pack_start(GTK_BOX(content), scrolled, TRUE, TRUE, 4);
  gtk_widget_show_all(dialog);
  std::optional<std::string> saved;
  for (;;) {
    const int answer = gtk_dialog_run(GTK_DIALOG(dialog));
    const std::string now = buffer_text(buffer);
    if (answer == GTK_RESPONSE_OK) {
      saved = now;
      break;
    }
    // Changes are only dropped on the user's word.
    if (now == before ||
        qv_dialog_confirm(GTK_WINDOW(dialog), _("Warning!"), _("Discard the changes?")))
      break;
  }
  gtk_widget_destroy(dialog);
  if (saved && *saved != before) qv_timeline_editor_set_text(ed, extra, *saved);
}

// ---- "Render preview only!" ---------------------------------------------------------

std::optional<long> qv_preview_count_dialog(GtkWindow *parent, long total, long preset) {
  if (total < 1) {
    qv_dialog_alert(parent, _("No rendering!"), _("The timeline has no frames."));
    return std::nullopt;
  }
  GtkWidget *dialog = gtk_dialog_new_with_buttons(
      _("Render preview only!"), parent, GTK_DIALOG_MODAL, GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL,
      GTK_STOCK_OK, GTK_RESPONSE_OK, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  GtkWidget *spin = gtk_spin_button_new_with_range(1, static_cast<double>(total), 1);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin),
                            static_cast<double>(std::clamp(preset, 1L, total)));
  gtk_entry_set_activates_default(GTK_ENTRY(spin), TRUE);
  GtkWidget *row = gtk_hbox_new(FALSE, 6);
  gtk_container_set_border_width(GTK_CONTAINER(row), 8);
  gtk_box_pack_start(GTK_BOX(row), spin, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(row),
                     gtk_label_new(qv_text(_("of %0.0f frames"), double(total)).c_str()), FALSE,
                     FALSE, 0);
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), row, FALSE, FALSE,
                     0);
  gtk_widget_show_all(dialog);
  std::optional<long> count;
  if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_OK)
    count = gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(spin));
  gtk_widget_destroy(dialog);
  return count;
}

// ---- "Render & Save" ----------------------------------------------------------------

namespace {

struct RenderSaveDialog {
  QVTimelineEditor *ed = nullptr;
  GtkWidget *dialog = nullptr, *frame = nullptr, *flatten = nullptr, *fps = nullptr,
            *interlace = nullptr, *before_save = nullptr, *preview = nullptr,
            *preview_step = nullptr, *count_label = nullptr, *name = nullptr;
};

// The title and the count follow the frame rate.
void update_render_title(RenderSaveDialog &d) {
  QVahdrChunk header = d.ed->header;
  header.fps = gtk_spin_button_get_value(GTK_SPIN_BUTTON(d.fps));
  const QVRenderSpan span = qv_timeline_render_span(header);
  const long count = span.count;
  gtk_label_set_text(GTK_LABEL(d.count_label), qv_format("%s %0.0f %s", _("of"), double(count),
                                                         count == 1 ? _("frame") : _("frames"))
                                                   .c_str());
  const std::string title = count == 1
                                ? qv_format("%s %ld", _("Render & Save frame"), span.first)
                                : qv_format("%s %ld ... %ld", _("Render & Save frame"), span.first,
                                            span.first + std::max(0L, count - 1));
  gtk_window_set_title(GTK_WINDOW(d.dialog), title.c_str());
  gtk_spin_button_set_range(GTK_SPIN_BUTTON(d.preview_step), 1, std::max(1L, count));
}

void on_render_fps(GtkSpinButton *, gpointer data) {
  update_render_title(*static_cast<RenderSaveDialog *>(data));
}

void on_frame_button(GtkButton *, gpointer data) {
  auto &d = *static_cast<RenderSaveDialog *>(data);
  const auto file = choose_file(GTK_WINDOW(d.dialog), _("Frame"), true,
                                gtk_entry_get_text(GTK_ENTRY(d.frame)), {});
  if (file) gtk_entry_set_text(GTK_ENTRY(d.frame), file->c_str());
}

void on_before_save_button(GtkButton *, gpointer data) {
  auto &d = *static_cast<RenderSaveDialog *>(data);
  const auto file = choose_file(GTK_WINDOW(d.dialog), _("Select Before Save Script-File"), false,
                                gtk_entry_get_text(GTK_ENTRY(d.before_save)),
                                {{"*.txt; *.scm", "*.txt;*.scm"}, {"*", "*"}});
  if (file) gtk_entry_set_text(GTK_ENTRY(d.before_save), file->c_str());
}

void on_preview_toggled(GtkToggleButton *button, gpointer data) {
  auto &d = *static_cast<RenderSaveDialog *>(data);
  gtk_widget_set_sensitive(d.preview_step, gtk_toggle_button_get_active(button));
}

GtkWidget *labelled_row(GtkWidget *table, int row, GtkWidget *left, GtkWidget *right) {
  if (GTK_IS_LABEL(left)) gtk_misc_set_alignment(GTK_MISC(left), 1, 0.5);
  gtk_table_attach(GTK_TABLE(table), left, 0, 1, row, row + 1, GTK_FILL, GTK_FILL, 0, 0);
  gtk_table_attach(GTK_TABLE(table), right, 1, 2, row, row + 1,
                   GtkAttachOptions(GTK_FILL | GTK_EXPAND), GTK_FILL, 0, 0);
  return right;
}

std::string default_frame_file(const QVTimelineEditor &ed, long first) {
  std::string file = ed.header.frame_fname.value_or("");
  if (file.empty()) file = qv_global_string_get(kLastSavedFrame).value_or("");
  if (file.empty())
    file = qv_take_string(g_build_filename(g_get_home_dir(), "untitled_000.png", nullptr));
  // The digits name the timeline's first frame to render.
  QVFrameName name = qv_frame_name_split(file);
  if (name.digits == 0) name.digits = 3;
  return qv_frame_name_build(name, first);
}

}  // namespace

namespace {
void on_render_save(GtkMenuItem *, gpointer data) {
  QVTimelineEditor &ed = record_of(data);
  RenderSaveDialog d;
  d.ed = &ed;
  d.dialog = gtk_dialog_new_with_buttons(_("Render & Save"), GTK_WINDOW(ed.window),
                                         GTK_DIALOG_MODAL, GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL,
                                         _("Render & Save"), GTK_RESPONSE_OK, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(d.dialog), GTK_RESPONSE_OK);
  GtkWidget *table = gtk_table_new(8, 2, FALSE);
  gtk_container_set_border_width(GTK_CONTAINER(table), 8);
  gtk_table_set_row_spacings(GTK_TABLE(table), 4);
  gtk_table_set_col_spacings(GTK_TABLE(table), 6);
  const QVRenderSpan span = qv_timeline_render_span(ed.header);

  GtkWidget *file = gtk_entry_new();
  gtk_entry_set_text(GTK_ENTRY(file), ed.timeline_file.c_str());
  gtk_editable_set_editable(GTK_EDITABLE(file), FALSE);
  labelled_row(table, 0, gtk_label_new(_("Timeline file")), file);
  d.name = gtk_entry_new();
  gtk_entry_set_text(GTK_ENTRY(d.name), qv_timeline_display_name(ed.header).c_str());
  labelled_row(table, 1, gtk_label_new(_("Timeline")), d.name);
  GtkWidget *frame_button = gtk_button_new_with_label(_("Frame"));
  g_signal_connect(frame_button, "clicked", G_CALLBACK(on_frame_button), &d);
  d.frame = gtk_entry_new();
  gtk_entry_set_width_chars(GTK_ENTRY(d.frame), 44);
  gtk_entry_set_text(GTK_ENTRY(d.frame), default_frame_file(ed, span.first).c_str());
  g_object_set_data(G_OBJECT(d.dialog), "qv-frame", d.frame);
  labelled_row(table, 2, frame_button, d.frame);
  d.flatten = gtk_check_button_new_with_label(_("flatten image"));
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(d.flatten), ed.header.flatten != 0);
  labelled_row(table, 3, gtk_label_new(""), d.flatten);
  d.fps = gtk_spin_button_new_with_range(1, QV_TIMELINE_FPS_MAX, 1);
  gtk_spin_button_set_digits(GTK_SPIN_BUTTON(d.fps), 2);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(d.fps), ed.header.fps);
  g_signal_connect(d.fps, "value-changed", G_CALLBACK(on_render_fps), &d);
  d.interlace = gtk_combo_box_new_text();
  for (const char *mode :
       {_("progressive"), _("interlaced PAL (even|odd)"), _("interlaced NTSC (odd|even)")})
    gtk_combo_box_append_text(GTK_COMBO_BOX(d.interlace), mode);
  gtk_combo_box_set_active(GTK_COMBO_BOX(d.interlace), std::clamp(ed.header.interlace, 0, 2));
  GtkWidget *rate_row = gtk_hbox_new(FALSE, 6);
  gtk_box_pack_start(GTK_BOX(rate_row), d.fps, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(rate_row), gtk_label_new(_("frames/sec.")), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(rate_row), d.interlace, FALSE, FALSE, 0);
  labelled_row(table, 4, gtk_label_new(""), rate_row);
  GtkWidget *script_button = gtk_button_new_with_label(_("Before Save"));
  g_signal_connect(script_button, "clicked", G_CALLBACK(on_before_save_button), &d);
  d.before_save = gtk_entry_new();
  gtk_entry_set_text(GTK_ENTRY(d.before_save), ed.header.script_name.value_or("").c_str());
  labelled_row(table, 5, script_button, d.before_save);
  d.preview = gtk_check_button_new_with_label(_("Preview"));
  d.preview_step = gtk_spin_button_new_with_range(1, std::max(1L, span.count), 1);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(d.preview_step),
                            ed.header.preview_step > 0 ? ed.header.preview_step : 61);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(d.preview), ed.header.preview_step > 0);
  gtk_widget_set_sensitive(d.preview_step, ed.header.preview_step > 0);
  g_signal_connect(d.preview, "toggled", G_CALLBACK(on_preview_toggled), &d);
  d.count_label = gtk_label_new("");
  GtkWidget *preview_row = gtk_hbox_new(FALSE, 6);
  gtk_box_pack_start(GTK_BOX(preview_row), d.preview_step, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(preview_row), d.count_label, FALSE, FALSE, 0);
  labelled_row(table, 6, d.preview, preview_row);
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(d.dialog))), table, TRUE, TRUE,
                     0);
  update_render_title(d);
  gtk_widget_show_all(d.dialog);

  for (;;) {
    if (gtk_dialog_run(GTK_DIALOG(d.dialog)) != GTK_RESPONSE_OK) break;
    QVRenderSaveChoice choice;
    choice.frame_file = gtk_entry_get_text(GTK_ENTRY(d.frame));
    choice.flatten = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(d.flatten));
    choice.fps = gtk_spin_button_get_value(GTK_SPIN_BUTTON(d.fps));
    choice.interlace = gtk_combo_box_get_active(GTK_COMBO_BOX(d.interlace));
    choice.before_save = gtk_entry_get_text(GTK_ENTRY(d.before_save));
    choice.preview_step = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(d.preview))
                              ? gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(d.preview_step))
                              : 0;
    if (qv_frame_name_split(choice.frame_file).extension.empty()) {
      qv_dialog_alert(GTK_WINDOW(d.dialog), _("Alert!"), _("No file extension!"));
      continue;
    }
    const auto native = qv_filename_from_utf8(choice.before_save.c_str());
    if (!choice.before_save.empty() &&
        !(native && g_file_test(native->c_str(), G_FILE_TEST_IS_REGULAR))) {
      qv_dialog_alert(GTK_WINDOW(d.dialog), _("Alert!"),
                      qv_text(_("File not exists: %s"), choice.before_save.c_str()).c_str());
      continue;
    }
    const std::string name = gtk_entry_get_text(GTK_ENTRY(d.name));
    if (!name.empty() && name != qv_timeline_display_name(ed.header)) {
      ed.header.name = name;
      qv_timeline_editor_mark_dirty(ed);
    }
    qv_global_string_set(kLastSavedFrame, choice.frame_file);
    gtk_widget_hide(d.dialog);
    qv_timeline_editor_render_save(ed, choice);
    break;
  }
  gtk_widget_destroy(d.dialog);
}
}  // namespace
