#include "gimp/groups/qv_path_group_dialogs.h"

#include <glib/gi18n-lib.h>

#include <algorithm>

#include "core/qv_glib_ptr.h"
#include "gimp/base/qv_messages.h"

const char *const QV_PATHGROUP_DIALOG_KEY = "qv-pathgroup-dialog-environment";
const char *const QV_PATHGROUP_COPY_ACCEL_PATH = "<QV Path-Group>/Copy/... selected Paths";

namespace {

// COL_HAS_FILE tells a group of a file from one of the image, whose file
// column is empty.
enum Column { COL_NUMBER, COL_NAME, COL_PATHS, COL_FILE, COL_HAS_FILE, COL_COUNT };

GtkWidget *new_dialog(const std::string &title) {
  GtkWidget *dialog = gtk_dialog_new_with_buttons(title.c_str(), nullptr,
                                                  static_cast<GtkDialogFlags>(0), nullptr, nullptr);
  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  g_object_ref(dialog);
  return dialog;
}

GtkWidget *content_area(GtkWidget *dialog) {
  return gtk_dialog_get_content_area(GTK_DIALOG(dialog));
}

void attach_label(GtkWidget *table, const char *text, int row) {
  GtkWidget *label = gtk_label_new(text);
  gtk_misc_set_alignment(GTK_MISC(label), 0.0f, 0.5f);
  gtk_table_attach(GTK_TABLE(table), label, 0, 1, row, row + 1, GTK_FILL, GTK_FILL, 6, 4);
}

bool same_key(const QVPathGroupKey &a, const QVPathGroupKey &b) {
  return a.number == b.number && a.file_name == b.file_name;
}

void add_text_column(GtkWidget *tree, const char *title, int column) {
  GtkCellRenderer *renderer = gtk_cell_renderer_text_new();
  gtk_tree_view_append_column(GTK_TREE_VIEW(tree), gtk_tree_view_column_new_with_attributes(
                                                       title, renderer, "text", column, nullptr));
}

const char *manager_title(int mode) {
  if (mode == QV_PATHGROUP_MANAGER_SAVE) return _("Save Path-Groups!");
  if (mode == QV_PATHGROUP_MANAGER_LOAD) return _("Insert Paths & Splines!");
  return _("Select Path-Group!");
}

void add_manager_buttons(GtkWidget *dialog, int mode) {
  GtkDialog *d = GTK_DIALOG(dialog);
  if (mode == QV_PATHGROUP_MANAGER_SELECT) {
    gtk_dialog_add_button(d, _("Select"), GTK_RESPONSE_OK);
  } else {
    gtk_dialog_add_button(d, _("OK"), GTK_RESPONSE_OK);
    if (mode == QV_PATHGROUP_MANAGER_SAVE)
      gtk_dialog_add_button(d, _("Save & Set"), QV_PATHGROUP_RESPONSE_SAVE_AND_SET);
  }
  gtk_dialog_add_button(d, _("Cancel"), GTK_RESPONSE_CANCEL);
  gtk_dialog_set_default_response(d, GTK_RESPONSE_OK);
}

void add_filters(GtkWidget *chooser) {
  GtkFileFilter *groups = gtk_file_filter_new();
  gtk_file_filter_set_name(groups, "*.qvg");
  gtk_file_filter_add_pattern(groups, "*.qvg");
  gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(chooser), groups);
  GtkFileFilter *all = gtk_file_filter_new();
  gtk_file_filter_set_name(all, "*.*");
  gtk_file_filter_add_pattern(all, "*");
  gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(chooser), all);
}

// The chosen file's name in UTF-8, or none when cancelled.
std::optional<std::string> choose_file(bool save) {
  QVWidgetHolder chooser(gtk_file_chooser_dialog_new(
      save ? _("Save Path-Groups") : _("Open Path-Group-File"), nullptr,
      save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN, _("Cancel"),
      GTK_RESPONSE_CANCEL, save ? _("Save") : _("Open"), GTK_RESPONSE_ACCEPT, nullptr));
  g_object_ref(chooser.get());
  gtk_file_chooser_set_do_overwrite_confirmation(GTK_FILE_CHOOSER(chooser.get()), TRUE);
  add_filters(chooser.get());
  if (gtk_dialog_run(GTK_DIALOG(chooser.get())) != GTK_RESPONSE_ACCEPT) return std::nullopt;
  const std::string file =
      qv_take_string(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser.get())));
  if (file.empty()) return std::nullopt;
  // The chooser hands the name in the file-name encoding; the store speaks UTF-8.
  const std::string utf8 =
      qv_take_string(g_filename_to_utf8(file.c_str(), -1, nullptr, nullptr, nullptr));
  return utf8.empty() ? file : utf8;
}

gint run_manager(const QVPathGroupManagerDialog &manager) {
  gtk_widget_show_all(manager.dialog.get());
  return gtk_dialog_run(GTK_DIALOG(manager.dialog.get()));
}

std::optional<QVPathGroupKey> current_key(gint32 image) {
  const QVPathGroupCurrent current = qv_pathgroup_read_current(image);
  return QVPathGroupKey{current.number, current.file_name};
}

void fill_rows(GtkWidget *tree, int mode, const std::vector<QVPathGroupBlock> &groups,
               const std::optional<QVPathGroupKey> &current) {
  GtkListStore *store = GTK_LIST_STORE(gtk_tree_view_get_model(GTK_TREE_VIEW(tree)));
  GtkTreeSelection *selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(tree));
  gtk_list_store_clear(store);
  const bool single = mode == QV_PATHGROUP_MANAGER_SELECT;
  for (const QVPathGroupBlock &group : groups) {
    GtkTreeIter iter;
    gtk_list_store_append(store, &iter);
    gtk_list_store_set(store, &iter, COL_NUMBER, group.number, COL_NAME, group.name.c_str(),
                       COL_PATHS, static_cast<gint>(group.path_count), COL_FILE,
                       group.file_name ? group.file_name->c_str() : "", COL_HAS_FILE,
                       group.file_name.has_value(), -1);
    const bool is_current = current && same_key({group.number, group.file_name}, *current);
    // Select: the current group; save: every group of the image; load: all.
    const bool preselect =
        single ? is_current : (mode == QV_PATHGROUP_MANAGER_LOAD || !group.file_name);
    if (preselect) gtk_tree_selection_select_iter(selection, &iter);
  }
}

struct ChosenRow {
  QVPathGroupKey key;
  gint paths = 0;
};

std::vector<ChosenRow> chosen_rows(GtkWidget *tree) {
  std::vector<ChosenRow> chosen;
  GtkTreeSelection *selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(tree));
  GtkTreeModel *model = gtk_tree_view_get_model(GTK_TREE_VIEW(tree));
  GtkTreeIter iter;
  for (gboolean more = gtk_tree_model_get_iter_first(model, &iter); more;
       more = gtk_tree_model_iter_next(model, &iter)) {
    if (!gtk_tree_selection_iter_is_selected(selection, &iter)) continue;
    ChosenRow row;
    gchar *file = nullptr;
    gboolean has_file = FALSE;
    gtk_tree_model_get(model, &iter, COL_NUMBER, &row.key.number, COL_PATHS, &row.paths, COL_FILE,
                       &file, COL_HAS_FILE, &has_file, -1);
    const std::string file_name = qv_take_string(file);
    if (has_file) row.key.file_name = file_name;
    chosen.push_back(std::move(row));
  }
  return chosen;
}

std::vector<QVPathGroupKey> keys_of(const std::vector<ChosenRow> &rows) {
  std::vector<QVPathGroupKey> keys;
  for (const ChosenRow &row : rows) keys.push_back(row.key);
  return keys;
}

// What the Edit menu works on; owned by the manager dialog.
struct EditState {
  gint32 image = -1;
  int mode = 0;
  GtkWidget *dialog = nullptr;
  GtkWidget *tree = nullptr;
  QVPathGroupEditMenu menu;
  std::optional<QVPathGroupKey> current;
};

std::vector<QVPathGroupKey> chosen_except_current(const EditState &state, bool with_paths_only) {
  std::vector<QVPathGroupKey> keys;
  for (const ChosenRow &row : chosen_rows(state.tree)) {
    if (state.current && same_key(row.key, *state.current)) continue;
    if (with_paths_only && row.paths == 0) continue;
    keys.push_back(row.key);
  }
  return keys;
}

void update_sensitivity(EditState *state) {
  const auto chosen = chosen_rows(state->tree);
  const bool any_file =
      std::any_of(chosen.begin(), chosen.end(), [](const ChosenRow &r) { return r.key.file_name; });
  gtk_widget_set_sensitive(state->menu.copy_paths, !chosen_except_current(*state, true).empty());
  gtk_widget_set_sensitive(state->menu.duplicate, !chosen.empty());
  gtk_widget_set_sensitive(state->menu.remove, !chosen_except_current(*state, false).empty());
  gtk_widget_set_sensitive(state->menu.remove_filenames, any_file);
}

void on_selection_changed(GtkTreeSelection *, gpointer data) {
  update_sensitivity(static_cast<EditState *>(data));
}

// The groups as the image holds them after an edit.
void refresh(EditState *state) {
  const auto groups = qv_pathgroups_list(state->image);
  state->current = current_key(state->image);
  fill_rows(state->tree, state->mode, groups, state->current);
  update_sensitivity(state);
}

void on_copy_paths(GtkMenuItem *, gpointer data) {
  auto *state = static_cast<EditState *>(data);
  const auto keys = chosen_except_current(*state, true);
  if (!keys.empty()) qv_pathgroups_copy_paths(state->image, keys);
  refresh(state);
}

void on_duplicate(GtkMenuItem *, gpointer data) {
  auto *state = static_cast<EditState *>(data);
  const auto keys = keys_of(chosen_rows(state->tree));
  if (!keys.empty()) qv_pathgroups_duplicate(state->image, keys);
  refresh(state);
}

void on_remove(GtkMenuItem *, gpointer data) {
  auto *state = static_cast<EditState *>(data);
  const auto keys = chosen_except_current(*state, false);
  if (keys.empty()) return;
  const std::string question = qv_take_string(g_strdup_printf(
      _("Do you really want to remove %d path groups?"), static_cast<int>(keys.size())));
  if (!qv_dialog_confirm(GTK_WINDOW(state->dialog), _("Remove Path-Groups"), question.c_str()))
    return;
  qv_pathgroups_remove(state->image, keys);
  refresh(state);
}

void on_remove_filenames(GtkMenuItem *, gpointer data) {
  auto *state = static_cast<EditState *>(data);
  std::vector<QVPathGroupKey> keys;
  for (const ChosenRow &row : chosen_rows(state->tree))
    if (row.key.file_name) keys.push_back(row.key);
  if (!keys.empty()) qv_pathgroups_remove_filenames(state->image, keys);
  refresh(state);
}

// The handler must go before the tree dies: clearing its model on the way
// would otherwise touch menu items already destroyed.
void on_dialog_destroy(GtkWidget *, gpointer data) {
  auto *state = static_cast<EditState *>(data);
  g_signal_handlers_disconnect_by_func(gtk_tree_view_get_selection(GTK_TREE_VIEW(state->tree)),
                                       reinterpret_cast<gpointer>(on_selection_changed), state);
}

GtkWidget *add_item(GtkWidget *menu, const char *label, GCallback activate, EditState *state) {
  GtkWidget *item = gtk_menu_item_new_with_label(label);
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
  g_signal_connect(item, "activate", activate, state);
  return item;
}

void add_edit_menu(QVPathGroupManagerDialog &m, gint32 image, int mode) {
  auto *state = new EditState;
  state->image = image;
  state->mode = mode;
  state->dialog = m.dialog.get();
  state->tree = m.tree;
  state->current = current_key(image);
  g_object_set_data_full(G_OBJECT(m.dialog.get()), "qv-pathgroup-edit", state,
                         [](gpointer p) { delete static_cast<EditState *>(p); });

  GtkAccelGroup *accel = gtk_accel_group_new();
  gtk_window_add_accel_group(GTK_WINDOW(m.dialog.get()), accel);
  GtkWidget *menu = gtk_menu_new();
  gtk_menu_set_accel_group(GTK_MENU(menu), accel);
  g_object_unref(accel);  // the window holds it

  QVPathGroupEditMenu &items = state->menu;
  items.copy_paths = add_item(menu, _("Copy Paths"), G_CALLBACK(on_copy_paths), state);
  gtk_accel_map_add_entry(QV_PATHGROUP_COPY_ACCEL_PATH, 0, static_cast<GdkModifierType>(0));
  gtk_menu_item_set_accel_path(GTK_MENU_ITEM(items.copy_paths), QV_PATHGROUP_COPY_ACCEL_PATH);
  items.duplicate = add_item(menu, _("Duplicate Groups"), G_CALLBACK(on_duplicate), state);
  items.remove = add_item(menu, _("Remove Groups"), G_CALLBACK(on_remove), state);
  items.remove_filenames =
      add_item(menu, _("Remove Filenames"), G_CALLBACK(on_remove_filenames), state);

  items.bar = gtk_menu_bar_new();
  GtkWidget *edit = gtk_menu_item_new_with_label(_("Edit"));
  gtk_menu_item_set_submenu(GTK_MENU_ITEM(edit), menu);
  gtk_menu_shell_append(GTK_MENU_SHELL(items.bar), edit);
  GtkWidget *box = content_area(m.dialog.get());
  gtk_box_pack_start(GTK_BOX(box), items.bar, FALSE, FALSE, 0);
  gtk_box_reorder_child(GTK_BOX(box), items.bar, 0);
  m.edit = items;

  g_signal_connect(gtk_tree_view_get_selection(GTK_TREE_VIEW(m.tree)), "changed",
                   G_CALLBACK(on_selection_changed), state);
  g_signal_connect(m.dialog.get(), "destroy", G_CALLBACK(on_dialog_destroy), state);
  update_sensitivity(state);
}

bool run_select(gint32 image) {
  const auto manager = qv_pathgroup_manager_build_for_image(image, QV_PATHGROUP_MANAGER_SELECT);
  if (run_manager(manager) != GTK_RESPONSE_OK) return false;
  const auto chosen = qv_pathgroup_manager_chosen(manager);
  return !chosen.empty() && qv_pathgroup_select(image, chosen.front());
}

bool run_load(gint32 image) {
  const auto file_name = choose_file(false);
  if (!file_name) return false;
  const auto file = qv_pathgroup_read_file(*file_name);
  if (!file) return false;
  std::vector<QVPathGroupBlock> groups = file->index.blocks;
  for (auto &group : groups) group.file_name = *file_name;
  const auto manager = qv_pathgroup_manager_build(QV_PATHGROUP_MANAGER_LOAD, groups, std::nullopt);
  if (run_manager(manager) != GTK_RESPONSE_OK) return false;
  std::vector<gint32> numbers;
  for (const auto &key : qv_pathgroup_manager_chosen(manager)) numbers.push_back(key.number);
  if (numbers.empty()) return false;
  return qv_pathgroup_load_file(image, *file_name, numbers) >= 0;
}

bool run_save(gint32 image) {
  const auto manager = qv_pathgroup_manager_build_for_image(image, QV_PATHGROUP_MANAGER_SAVE);
  const gint response = run_manager(manager);
  if (response != GTK_RESPONSE_OK && response != QV_PATHGROUP_RESPONSE_SAVE_AND_SET) return false;
  const auto chosen = qv_pathgroup_manager_chosen(manager);
  if (chosen.empty()) return false;
  gtk_widget_hide(manager.dialog.get());
  const auto file_name = choose_file(true);
  if (!file_name) return false;
  const bool make_external =
      response == QV_PATHGROUP_RESPONSE_SAVE_AND_SET &&
      qv_dialog_confirm(nullptr, nullptr, _("Do you realy want to convert to external groups?"));
  return qv_pathgroup_save_file(image, *file_name, chosen, make_external);
}

}  // namespace

QVPathGroupNewDialog qv_pathgroup_new_dialog_build(const QVPathGroupCurrent &current,
                                                   gint32 next_number, bool duplicate) {
  QVPathGroupNewDialog d;
  d.dialog.reset(new_dialog(duplicate ? _("Duplicate Path-Group") : _("New Path-Group")));
  gtk_dialog_add_button(GTK_DIALOG(d.dialog.get()), _("Cancel"), GTK_RESPONSE_CANCEL);
  gtk_dialog_add_button(GTK_DIALOG(d.dialog.get()), _("OK"), GTK_RESPONSE_OK);
  gtk_dialog_set_default_response(GTK_DIALOG(d.dialog.get()), GTK_RESPONSE_OK);

  GtkWidget *table = gtk_table_new(2, 2, FALSE);
  gtk_container_set_border_width(GTK_CONTAINER(table), 8);
  gtk_box_pack_start(GTK_BOX(content_area(d.dialog.get())), table, TRUE, TRUE, 0);
  attach_label(table, _("Current:"), 0);
  d.current = gtk_label_new(current.name.c_str());
  gtk_misc_set_alignment(GTK_MISC(d.current), 0.0f, 0.5f);
  gtk_table_attach(GTK_TABLE(table), d.current, 1, 2, 0, 1, GTK_FILL, GTK_FILL, 6, 4);
  attach_label(table, _("New:"), 1);
  d.entry = gtk_entry_new();
  gtk_entry_set_activates_default(GTK_ENTRY(d.entry), TRUE);
  gtk_widget_set_size_request(d.entry, QV_DIALOG_ENTRY_MIN_WIDTH, -1);
  const std::string proposal =
      duplicate ? "Copy-" + current.name : qv_pathgroup_name_prefix() + std::to_string(next_number);
  gtk_entry_set_text(GTK_ENTRY(d.entry), proposal.c_str());
  gtk_table_attach(GTK_TABLE(table), d.entry, 1, 2, 1, 2,
                   static_cast<GtkAttachOptions>(GTK_FILL | GTK_EXPAND), GTK_FILL, 6, 4);
  return d;
}

QVPathGroupManagerDialog qv_pathgroup_manager_build(int mode,
                                                    const std::vector<QVPathGroupBlock> &groups,
                                                    const std::optional<QVPathGroupKey> &current) {
  QVPathGroupManagerDialog m;
  m.dialog.reset(new_dialog(manager_title(mode)));
  add_manager_buttons(m.dialog.get(), mode);
  gtk_window_set_default_size(GTK_WINDOW(m.dialog.get()), 480, 320);

  GtkListStore *store = gtk_list_store_new(COL_COUNT, G_TYPE_INT, G_TYPE_STRING, G_TYPE_INT,
                                           G_TYPE_STRING, G_TYPE_BOOLEAN);
  m.tree = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store));
  g_object_unref(store);  // the view holds it now
  add_text_column(m.tree, _("No."), COL_NUMBER);
  add_text_column(m.tree, _("Name"), COL_NAME);
  add_text_column(m.tree, _("Paths"), COL_PATHS);
  add_text_column(m.tree, _("Filename"), COL_FILE);
  const bool single = mode == QV_PATHGROUP_MANAGER_SELECT;
  gtk_tree_selection_set_mode(gtk_tree_view_get_selection(GTK_TREE_VIEW(m.tree)),
                              single ? GTK_SELECTION_BROWSE : GTK_SELECTION_MULTIPLE);
  fill_rows(m.tree, mode, groups, current);

  GtkWidget *scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                 GTK_POLICY_AUTOMATIC);
  gtk_container_add(GTK_CONTAINER(scrolled), m.tree);
  gtk_box_pack_start(GTK_BOX(content_area(m.dialog.get())), scrolled, TRUE, TRUE, 0);
  return m;
}

QVPathGroupManagerDialog qv_pathgroup_manager_build_for_image(gint32 image, int mode) {
  const auto groups = qv_pathgroups_list(image);
  QVPathGroupManagerDialog m = qv_pathgroup_manager_build(mode, groups, current_key(image));
  add_edit_menu(m, image, mode);
  return m;
}

std::vector<QVPathGroupKey> qv_pathgroup_manager_chosen(const QVPathGroupManagerDialog &manager) {
  return keys_of(chosen_rows(manager.tree));
}

bool qv_pathgroup_new_interactive(gint32 image, bool duplicate) {
  if (!qv_dialog_toolkit_init()) {
    qv_user_message(_("No display to show the path-group dialog: it counts as cancelled."));
    return false;
  }
  const QVPathGroupCurrent current = qv_pathgroup_read_current(image);
  std::string name;
  {
    const QVPathGroupNewDialog d =
        qv_pathgroup_new_dialog_build(current, current.next_number, duplicate);
    GtkWindow *window = GTK_WINDOW(d.dialog.get());
    int state = 0;
    qv_dialog_geometry_restore(window, QV_PATHGROUP_DIALOG_KEY, &state);
    gtk_widget_show_all(d.dialog.get());
    const gint response = gtk_dialog_run(GTK_DIALOG(d.dialog.get()));
    qv_dialog_geometry_save(window, QV_PATHGROUP_DIALOG_KEY, state, QV_GEOMETRY_POSITION);
    if (response != GTK_RESPONSE_OK) return false;
    name = gtk_entry_get_text(GTK_ENTRY(d.entry));
  }
  return qv_pathgroup_new(image, name, duplicate);
}

bool qv_pathgroup_manager_run(gint32 image, int mode) {
  if (!qv_dialog_toolkit_init()) {
    qv_user_message(_("No display to show the path-group manager: it counts as cancelled."));
    return false;
  }
  if (mode == QV_PATHGROUP_MANAGER_LOAD) return run_load(image);
  if (mode == QV_PATHGROUP_MANAGER_SAVE) return run_save(image);
  return run_select(image);
}
