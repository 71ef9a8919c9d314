#include "gimp/editor/qv_style_editor_menus.h"

#include <glib/gi18n-lib.h>
#include <libgimp/gimpui.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "core/qv_glib_ptr.h"
#include "core/qv_names.h"
#include "core/qv_style.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_read_cache.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/style/qv_helper_paths.h"
#include "gimp/style/qv_style_getter.h"
#include "gimp/style/qv_style_gimp.h"

namespace {

constexpr const char *kSheetPrefix = "qv-style-sheet-";
constexpr const char *kStylePrefix = "qv-style-for-path-";
constexpr int kLabelWidth = 170;

// ---- Small menu helpers --------------------------------------------------------

using QVAction = std::function<void()>;

void run_action(GtkWidget *, gpointer data) { (*static_cast<QVAction *>(data))(); }
void free_action(gpointer data, GClosure *) { delete static_cast<QVAction *>(data); }

// Connects `signal` of the widget to a C++ action that lives as long as
// the connection.
void on(GtkWidget *widget, const char *signal, QVAction action) {
  g_signal_connect_data(widget, signal, G_CALLBACK(run_action), new QVAction(std::move(action)),
                        free_action, GConnectFlags(0));
}

GtkWidget *item(GtkWidget *menu, const std::string &label, QVAction action = nullptr) {
  GtkWidget *entry = gtk_menu_item_new_with_label(label.c_str());
  GtkWidget *text = gtk_bin_get_child(GTK_BIN(entry));
  gtk_label_set_ellipsize(GTK_LABEL(text), PANGO_ELLIPSIZE_END);
  gtk_widget_set_size_request(text, -1, -1);
  gtk_label_set_max_width_chars(GTK_LABEL(text), 40);
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), entry);
  if (action) on(entry, "activate", std::move(action));
  return entry;
}

GtkWidget *check_item(GtkWidget *menu, const std::string &label, bool active, QVAction action) {
  GtkWidget *entry = gtk_check_menu_item_new_with_label(label.c_str());
  gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(entry), active);
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), entry);
  on(entry, "activate", std::move(action));
  return entry;
}

GtkWidget *submenu(GtkWidget *menu, const std::string &label) {
  GtkWidget *entry = item(menu, label);
  GtkWidget *sub = gtk_menu_new();
  gtk_menu_item_set_submenu(GTK_MENU_ITEM(entry), sub);
  return sub;
}

void separator(GtkWidget *menu) {
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), gtk_separator_menu_item_new());
}

void clear(GtkWidget *menu) {
  GList *children = gtk_container_get_children(GTK_CONTAINER(menu));
  for (GList *l = children; l; l = l->next) gtk_widget_destroy(GTK_WIDGET(l->data));
  g_list_free(children);
}

bool extra_mode() { return qv_take_string(gimp_gimprc_query("qv-menu")) == "extra"; }

// ---- The edited path's style -------------------------------------------------

std::string stored(const QVStyleEditor &e) {
  return qv_path_get_style_text(e.image, e.path.c_str(), nullptr).value_or("");
}

std::optional<std::string> value_of(const QVStyleEditor &e, const std::string &key) {
  return qv_style_value(qv_style_split(stored(e)), key);
}

bool is_checked(GtkWidget *entry) {
  return gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(entry));
}

void reload(QVStyleEditor &e) {
  qv_read_cache_parasites_changed();
  qv_path_set_current(e.image, e.path.c_str());
  qv_style_editor_mark_dirty(e.image);
  qv_style_editor_load(e);
}

void remove_attribute(QVStyleEditor &e, const std::string &key) {
  qv_path_remove_style_attributes(e.image, e.path.c_str(), {key});
  if (key == "rotate-at: ") qv_helpers_remove_rotation(e.image, e.path.c_str());
}

// ---- Style sheets ------------------------------------------------------------

std::vector<std::string> sheet_names(const std::vector<std::string> &parasites) {
  std::vector<std::string> sheets;
  for (const std::string &name : parasites)
    if (name.rfind(kSheetPrefix, 0) == 0) sheets.push_back(name.substr(std::strlen(kSheetPrefix)));
  return sheets;
}

std::vector<std::string> global_sheets() {
  gint count = 0;
  return sheet_names(qv_take_string_array(gimp_get_parasite_list(&count), count));
}

std::vector<std::string> image_sheets(gint32 image) {
  gint count = 0;
  return sheet_names(qv_take_string_array(gimp_image_get_parasite_list(image, &count), count));
}

std::optional<std::string> sheet_text(gint32 image, const std::string &sheet, bool global) {
  const std::string name = kSheetPrefix + sheet;
  if (global) return qv_global_string_get(name.c_str());
  return qv_image_string_get(image, name.c_str());
}

void store_sheet(QVStyleEditor &e, const std::string &sheet, bool global, const std::string &text) {
  const std::string name = kSheetPrefix + sheet;
  if (global) {
    qv_global_parasite_attach(name.c_str(), GIMP_PARASITE_PERSISTENT, text.size() + 1,
                              text.c_str());
  } else {
    qv_parasite_attach(e.image, name.c_str(), GIMP_PARASITE_PERSISTENT, text.size() + 1,
                       text.c_str());
    qv_style_editor_mark_dirty(e.image);
  }
}

const char *kind_tag(bool global) { return global ? "[G] " : "[I] "; }

// "New [Global] Style Sheet!": the name, or none when cancelled.
std::optional<std::string> ask_sheet_name(QVStyleEditor &e, bool global) {
  QVWidgetHolder dialog(gtk_dialog_new_with_buttons(
      global ? _("New [Global] Style Sheet!") : _("New [Image] Style Sheet!"),
      GTK_WINDOW(e.dialog.get()), GTK_DIALOG_MODAL, _("Cancel"), GTK_RESPONSE_CANCEL, _("OK"),
      GTK_RESPONSE_OK, nullptr));
  g_object_ref(dialog.get());
  gtk_dialog_set_default_response(GTK_DIALOG(dialog.get()), GTK_RESPONSE_OK);
  GtkWidget *content = gtk_dialog_get_content_area(GTK_DIALOG(dialog.get()));
  gtk_container_set_border_width(GTK_CONTAINER(content), 8);
  GtkWidget *entry = gtk_entry_new();
  gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
  gtk_widget_set_size_request(entry, 260, -1);
  GtkWidget *line = gtk_hbox_new(FALSE, 4);
  gtk_box_pack_start(GTK_BOX(line), gtk_label_new(kind_tag(global)), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(line), entry, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(content), gtk_label_new(_("Please enter Style-Sheet-Name:")), FALSE,
                     FALSE, 4);
  gtk_box_pack_start(GTK_BOX(content), line, FALSE, FALSE, 4);
  gtk_widget_show_all(dialog.get());
  if (gtk_dialog_run(GTK_DIALOG(dialog.get())) != GTK_RESPONSE_OK) return std::nullopt;
  return std::string(gtk_entry_get_text(GTK_ENTRY(entry)));
}

// The GIMP-wide sheets, a separator and the image's, each half saying so
// when it is empty; `add` makes the item of one sheet.
void sheet_halves(QVStyleEditor &e, GtkWidget *menu,
                  const std::function<void(const std::string &, bool)> &add) {
  for (bool global : {true, false}) {
    if (!global) separator(menu);
    const auto sheets = global ? global_sheets() : image_sheets(e.image);
    if (sheets.empty())
      gtk_widget_set_sensitive(
          item(menu, global ? _("No [G] Style-Sheet") : _("No [I] Style-Sheet")), FALSE);
    for (const auto &sheet : sheets) add(sheet, global);
  }
}

std::string quoted_question(const char *question, const std::string &sheet) {
  return qv_format("%s \"%s\"?", question, sheet.c_str());
}

void fill_set_css(QVStyleEditor &e, GtkWidget *menu) {
  clear(menu);
  sheet_halves(e, menu, [&e, menu](const std::string &sheet, bool global) {
    item(menu, qv_style_sheet_label(sheet),
         [&e, sheet, global] { qv_style_editor_set_css(e, sheet, global); });
  });
  gtk_widget_show_all(menu);
  gtk_widget_set_sensitive(e.w.set_css, !global_sheets().empty() || !image_sheets(e.image).empty());
}

void fill_store_css(QVStyleEditor &e, GtkWidget *menu) {
  clear(menu);
  for (bool global : {true, false}) {
    if (!global) separator(menu);
    item(menu, global ? _("New [Global] ...") : _("New [Image] ..."), [&e, global] {
      const QVEditorBusy busy(e);
      if (const auto name = ask_sheet_name(e, global))
        qv_style_editor_store_new_sheet(e, *name, global);
    });
    for (const auto &sheet : global ? global_sheets() : image_sheets(e.image))
      item(menu, qv_style_sheet_label(sheet), [&e, sheet, global] {
        const QVEditorBusy busy(e);
        if (qv_dialog_confirm(
                GTK_WINDOW(e.dialog.get()),
                global ? _("Store [Global] Style-Sheet!") : _("Store [Image] Style-Sheet!"),
                quoted_question(_("Do you really want to overwrite"), sheet).c_str()))
          store_sheet(e, sheet, global, stored(e));
      });
  }
  gtk_widget_show_all(menu);
  gtk_widget_set_sensitive(
      e.w.store_css, e.tattoo > 0 && qv_path_get_style_text(e.image, e.path.c_str(), nullptr));
}

void fill_remove_css(QVStyleEditor &e, GtkWidget *menu) {
  clear(menu);
  sheet_halves(e, menu, [&e, menu](const std::string &sheet, bool global) {
    item(menu, qv_style_sheet_label(sheet), [&e, sheet, global] {
      const QVEditorBusy busy(e);
      if (!qv_dialog_confirm(
              GTK_WINDOW(e.dialog.get()),
              global ? _("Remove [Global] Style-Sheet!") : _("Remove [Image] Style-Sheet!"),
              quoted_question(_("Do you really want to remove"), sheet).c_str()))
        return;
      const std::string name = kSheetPrefix + sheet;
      if (global)
        gimp_detach_parasite(name.c_str());
      else
        qv_parasite_remove(e.image, name.c_str());
    });
  });
  gtk_widget_show_all(menu);
}

void on_edit_shown(GtkWidget *, gpointer data) {
  qv_style_editor_fill_sheet_menus(*static_cast<QVStyleEditor *>(data));
}

}  // namespace

void qv_style_editor_fill_sheet_menus(QVStyleEditor &e) {
  fill_set_css(e, gtk_menu_item_get_submenu(GTK_MENU_ITEM(e.w.set_css)));
  fill_store_css(e, gtk_menu_item_get_submenu(GTK_MENU_ITEM(e.w.store_css)));
  fill_remove_css(e, gtk_menu_item_get_submenu(GTK_MENU_ITEM(e.w.remove_css)));
}

bool qv_style_editor_set_css(QVStyleEditor &e, const std::string &sheet, bool global) {
  if (e.tattoo < 1) return false;
  const auto text = sheet_text(e.image, sheet, global);
  if (!text) return false;
  const std::string style = qv_style_sheet_apply_text(*text);
  const std::string name = kStylePrefix + std::to_string(e.tattoo);
  if (style.empty())
    qv_parasite_remove(e.image, name.c_str());
  else
    qv_parasite_attach(e.image, name.c_str(), GIMP_PARASITE_PERSISTENT, style.size() + 1,
                       style.c_str());
  reload(e);
  return true;
}

std::optional<std::string> qv_style_editor_store_new_sheet(QVStyleEditor &e,
                                                           const std::string &name, bool global) {
  if (name.empty() || e.tattoo < 1) return std::nullopt;
  const auto existing = global ? global_sheets() : image_sheets(e.image);
  const std::string free = qv_style_sheet_free_name(name, [&](const std::string &candidate) {
    return std::find(existing.begin(), existing.end(), candidate) != existing.end();
  });
  store_sheet(e, free, global, stored(e));
  return free;
}

// ---- Attributes ------------------------------------------------------------------

void qv_style_editor_set_attribute(QVStyleEditor &e, const std::string &key,
                                   const std::string &value) {
  if (e.tattoo < 1 || key.empty()) return;
  const QVEditorBusy busy(e);
  if (key == "rotate-at: ") qv_helpers_remove_rotation(e.image, e.path.c_str());
  qv_path_set_style_attribute(e.image, e.path.c_str(), {{key, value}});
  if (key == "rotate-at: ") qv_helpers_sync_rotation(e.image, e.path.c_str(), 0);
  if (key == "gradient-line: ") qv_helpers_sync_gradient(e.image, e.path.c_str(), 0);
  reload(e);
}

namespace {

// The value the Add dialog proposes: as written, else the default the
// drawing would use (today's date, the path's centre, ...).
std::string proposed_value(const QVStyleEditor &e, const std::string &key) {
  std::optional<std::string> text;
  qv_path_get_style_attribute(e.image, e.path.c_str(), nullptr, QV_GET_TEXT | QV_GET_GEOMETRY,
                              nullptr, {{key.c_str(), &text}});
  return text.value_or("");
}

GtkWidget *right_label(const char *text, GtkSizeGroup *group) {
  GtkWidget *label = gtk_label_new(text);
  gtk_misc_set_alignment(GTK_MISC(label), 1.0f, 0.5f);
  gtk_size_group_add_widget(group, label);
  return label;
}

// Beside the editor, 10 pixels right and down, above it when it is.
void place_beside(const QVStyleEditor &e, GtkWidget *dialog) {
  gint x = 0, y = 0;
  gtk_window_get_position(GTK_WINDOW(e.dialog.get()), &x, &y);
  gtk_window_move(GTK_WINDOW(dialog), x + 10, y + 10);
  gtk_window_set_keep_above(GTK_WINDOW(dialog), e.keep_above);
}

}  // namespace

QVAttributeDialog qv_add_attribute_dialog_build(QVStyleEditor &e, const std::string &key) {
  QVAttributeDialog d;
  d.dialog.reset(gtk_dialog_new_with_buttons(_("Add Attribute"), GTK_WINDOW(e.dialog.get()),
                                             GTK_DIALOG_MODAL, _("Cancel"), GTK_RESPONSE_CANCEL,
                                             _("OK"), GTK_RESPONSE_OK, nullptr));
  g_object_ref(d.dialog.get());
  gtk_dialog_set_default_response(GTK_DIALOG(d.dialog.get()), GTK_RESPONSE_OK);
  GtkSizeGroup *labels = gtk_size_group_new(GTK_SIZE_GROUP_HORIZONTAL);
  GtkWidget *table = gtk_table_new(2, 2, FALSE);
  gtk_container_set_border_width(GTK_CONTAINER(table), 6);
  d.name = gtk_entry_new();
  gtk_entry_set_text(GTK_ENTRY(d.name), key.substr(0, key.find(':')).c_str());
  d.value = gtk_entry_new();
  gtk_entry_set_text(GTK_ENTRY(d.value), proposed_value(e, key).c_str());
  gtk_entry_set_activates_default(GTK_ENTRY(d.value), TRUE);
  gtk_widget_set_size_request(d.value, 300, -1);
  gtk_table_attach(GTK_TABLE(table), right_label(_("attribute-name:"), labels), 0, 1, 0, 1,
                   GTK_FILL, GTK_FILL, 4, 3);
  gtk_table_attach_defaults(GTK_TABLE(table), d.name, 1, 2, 0, 1);
  gtk_table_attach(GTK_TABLE(table), right_label(_("value:"), labels), 0, 1, 1, 2, GTK_FILL,
                   GTK_FILL, 4, 3);
  gtk_table_attach_defaults(GTK_TABLE(table), d.value, 1, 2, 1, 2);
  g_object_unref(labels);
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(d.dialog.get()))), table, TRUE,
                     TRUE, 0);
  place_beside(e, d.dialog.get());
  gtk_widget_show_all(d.dialog.get());
  gtk_widget_grab_focus(d.value);
  return d;
}

void qv_style_editor_add_attribute(QVStyleEditor &e, const std::string &key) {
  if (e.tattoo < 1) return;
  std::string name, value;
  {
    const QVEditorBusy busy(e);
    QVAttributeDialog d = qv_add_attribute_dialog_build(e, key);
    if (gtk_dialog_run(GTK_DIALOG(d.dialog.get())) != GTK_RESPONSE_OK) return;
    name = qv_attribute_key_from_name(gtk_entry_get_text(GTK_ENTRY(d.name)));
    value = gtk_entry_get_text(GTK_ENTRY(d.value));
  }
  qv_style_editor_set_attribute(e, name, value);
}

void qv_style_editor_edit_script(QVStyleEditor &e) {
  if (e.tattoo < 1) return;
  std::optional<std::string> script;
  {
    const QVEditorBusy busy(e);
    QVWidgetHolder dialog(gtk_dialog_new_with_buttons(
        _("Edit script-eval:"), GTK_WINDOW(e.dialog.get()), GTK_DIALOG_MODAL, _("Cancel"),
        GTK_RESPONSE_CANCEL, _("OK"), GTK_RESPONSE_OK, nullptr));
    g_object_ref(dialog.get());
    gtk_dialog_set_default_response(GTK_DIALOG(dialog.get()), GTK_RESPONSE_OK);
    GtkWidget *content = gtk_dialog_get_content_area(GTK_DIALOG(dialog.get()));
    gtk_container_set_border_width(GTK_CONTAINER(content), 8);
    GtkWidget *name = gtk_entry_new();
    gtk_entry_set_text(GTK_ENTRY(name), e.path.c_str());
    gtk_widget_set_sensitive(name, FALSE);
    GtkWidget *name_row = gtk_hbox_new(FALSE, 6);
    gtk_box_pack_start(GTK_BOX(name_row), gtk_label_new(_("name:")), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(name_row), name, TRUE, TRUE, 0);
    GtkWidget *view = gtk_text_view_new();
    PangoFontDescription *font = pango_font_description_from_string("Lucida Console 9");
    gtk_widget_modify_font(view, font);
    pango_font_description_free(font);
    gtk_text_view_set_pixels_above_lines(GTK_TEXT_VIEW(view), 2);
    GtkTextBuffer *buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(view));
    const std::string now = value_of(e, "script-eval: ").value_or("");
    gtk_text_buffer_set_text(buffer, now.c_str(), -1);
    GtkWidget *scroll = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroll), GTK_POLICY_AUTOMATIC,
                                   GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroll), GTK_SHADOW_IN);
    gtk_container_add(GTK_CONTAINER(scroll), view);
    gtk_widget_set_size_request(scroll, 420, 240);
    gtk_box_pack_start(GTK_BOX(content), name_row, FALSE, FALSE, 4);
    gtk_box_pack_start(GTK_BOX(content),
                       gtk_label_new(_("Variables to use: image, draw, av(=t), name")), FALSE,
                       FALSE, 4);
    gtk_box_pack_start(GTK_BOX(content), scroll, TRUE, TRUE, 4);
    GtkWindow *window = GTK_WINDOW(dialog.get());
    int state = 0;
    qv_dialog_geometry_restore(window, "qv-env-texteditor", &state);
    gtk_widget_show_all(dialog.get());
    const gint response = gtk_dialog_run(GTK_DIALOG(dialog.get()));
    qv_dialog_geometry_save(window, "qv-env-texteditor", state,
                            QV_GEOMETRY_POSITION | QV_GEOMETRY_SIZE);
    if (response != GTK_RESPONSE_OK) return;
    GtkTextIter start, end;
    gtk_text_buffer_get_bounds(buffer, &start, &end);
    script = qv_take_string(gtk_text_buffer_get_text(buffer, &start, &end, FALSE));
    std::replace(script->begin(), script->end(), '\t', ' ');
  }
  if (script->empty()) {
    remove_attribute(e, "script-eval: ");
    reload(e);
  } else {
    qv_style_editor_set_attribute(e, "script-eval: ", *script);
  }
}

namespace {

void on_font_set(GimpFontSelectButton *, const gchar *font, gboolean closing, gpointer data) {
  QVStyleEditor &e = *static_cast<QVStyleEditor *>(data);
  if (font && *font) {
    e.font = font;
    qv_style_editor_set_attribute(e, "font-name: ", font);
  }
  if (closing && e.font_handler) {
    g_signal_handler_disconnect(e.w.font_select, e.font_handler);
    e.font_handler = 0;
  }
}

void click_inner_button(GtkWidget *widget, gpointer) {
  if (GTK_IS_BUTTON(widget))
    gtk_button_clicked(GTK_BUTTON(widget));
  else if (GTK_IS_CONTAINER(widget))
    gtk_container_foreach(GTK_CONTAINER(widget), click_inner_button, nullptr);
}

// The font chooser: the context's font is taken at once when none was
// chosen yet; then GIMP's font dialog is opened for another.
void choose_font(QVStyleEditor &e) {
  if (!e.font) {
    const std::string font = qv_take_string(gimp_context_get_font());
    qv_style_editor_set_attribute(e, "font-name: ", font);
    e.font = font;
  }
  gimp_font_select_button_set_font(GIMP_FONT_SELECT_BUTTON(e.w.font_select), e.font->c_str());
  if (!e.font_handler)
    e.font_handler = g_signal_connect(e.w.font_select, "font-set", G_CALLBACK(on_font_set), &e);
  gtk_container_foreach(GTK_CONTAINER(e.w.font_select), click_inner_button, nullptr);
}

// "Edit Attribute": OK (set), Remove (1), Cancel.
void edit_in_dialog(QVStyleEditor &e, const std::string &name, const std::string &value) {
  const std::string key = name + ": ";
  gint response = GTK_RESPONSE_CANCEL;
  std::string entered;
  {
    const QVEditorBusy busy(e);
    QVWidgetHolder dialog(gtk_dialog_new_with_buttons(
        _("Edit Attribute"), GTK_WINDOW(e.dialog.get()), GTK_DIALOG_MODAL, _("Cancel"),
        GTK_RESPONSE_CANCEL, _("Remove"), 1, _("OK"), GTK_RESPONSE_OK, nullptr));
    g_object_ref(dialog.get());
    gtk_dialog_set_default_response(GTK_DIALOG(dialog.get()), GTK_RESPONSE_OK);
    GtkWidget *entry = gtk_entry_new();
    gtk_entry_set_text(GTK_ENTRY(entry), value.c_str());
    gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
    gtk_widget_set_size_request(entry, 300, -1);
    GtkWidget *row = gtk_hbox_new(FALSE, 6);
    gtk_container_set_border_width(GTK_CONTAINER(row), 6);
    gtk_box_pack_start(GTK_BOX(row), gtk_label_new(qv_format("%s:", name.c_str()).c_str()), FALSE,
                       FALSE, 0);
    gtk_box_pack_start(GTK_BOX(row), entry, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog.get()))), row, TRUE,
                       TRUE, 0);
    place_beside(e, dialog.get());
    gtk_widget_show_all(dialog.get());
    response = gtk_dialog_run(GTK_DIALOG(dialog.get()));
    entered = gtk_entry_get_text(GTK_ENTRY(entry));
  }
  if (response == 1) {
    remove_attribute(e, key);
    reload(e);
  } else if (response == GTK_RESPONSE_OK) {
    const auto current = qv_path_current(e.image);
    const bool helper_current = key == "rotate-at: " && current &&
                                qv_name_query_number(*current, QV_NAME_ROTATION_TATTOO) == e.tattoo;
    if (key == "gradient-line: ") qv_helpers_remove_gradient(e.image, e.path.c_str());
    qv_style_editor_set_attribute(e, key, entered);
    if (helper_current)
      if (const auto helper = qv_helpers_rotation_of(e.image, e.path.c_str()))
        qv_path_set_current(e.image, helper->c_str());
  }
}

}  // namespace

void qv_style_editor_edit_attribute(QVStyleEditor &e, size_t index, bool remove) {
  if (e.tattoo < 1) return;
  const QVStyleItems items = qv_style_split(stored(e));
  if (index >= items.size()) return;
  const std::string &line = items[index];
  const auto colon = line.find(':');
  const std::string name = line.substr(0, colon);
  std::string value = colon == std::string::npos ? "" : line.substr(colon + 1);
  if (!value.empty() && value[0] == ' ') value.erase(0, 1);
  if (remove) {
    const auto before = qv_path_current(e.image);
    remove_attribute(e, name + ": ");
    reload(e);
    if (before && *before != e.path) qv_path_set_current(e.image, before->c_str());
    return;
  }
  if (name == "script-eval") return qv_style_editor_edit_script(e);
  if (name == "font-name") return choose_font(e);
  edit_in_dialog(e, name, value);
}

// ---- The attribute menus -------------------------------------------------------

namespace {

// Every path of the image as a check item; the one the attribute names is
// active; choosing one sets the attribute to its name.
void path_list(QVStyleEditor &e, GtkWidget *menu, const std::string &key) {
  const auto now = value_of(e, key);
  for (const auto &path : qv_path_list(e.image)) {
    GtkWidget *entry =
        check_item(menu, path.name, now && *now == path.name,
                   [&e, key, name = path.name] { qv_style_editor_set_attribute(e, key, name); });
    GtkWidget *text = gtk_bin_get_child(GTK_BIN(entry));
    gtk_label_set_ellipsize(GTK_LABEL(text), PANGO_ELLIPSIZE_END);
    gtk_widget_set_size_request(text, kLabelWidth, -1);
  }
}

void css_menu(QVStyleEditor &e, GtkWidget *menu) {
  const auto now = value_of(e, "css: ");
  sheet_halves(e, menu, [&e, menu, now](const std::string &sheet, bool) {
    check_item(menu, sheet, now && *now == sheet,
               [&e, sheet] { qv_style_editor_set_attribute(e, "css: ", sheet); });
  });
}

void add_attribute_menu(QVStyleEditor &e, GtkWidget *menu) {
  const bool extra = extra_mode();
  const bool keyspline = e.path.rfind("[@]", 0) == 0;
  const auto &entries = qv_add_attribute_entries();
  for (size_t i = 0; i < entries.size() && (extra || i < QV_ADD_ATTRIBUTE_EXTRA_FROM); ++i) {
    const QVAddEntry &entry = entries[i];
    if (entry.kind == QVAddKind::separator) {
      separator(menu);
      continue;
    }
    const std::string key = entry.key;
    switch (entry.kind) {
      case QVAddKind::name:
        item(menu, key, [&e, key] { qv_style_editor_add_attribute(e, key); });
        break;
      case QVAddKind::css:
        css_menu(e, submenu(menu, key));
        break;
      case QVAddKind::css_priority:
        item(menu, key, [&e] { qv_style_editor_set_attribute(e, "css-priority: ", "off"); });
        break;
      case QVAddKind::color_mode: {
        GtkWidget *modes = submenu(menu, key);
        for (const char *mode : {"RGB", "HSV short", "HSV long", "HSV cw", "HSV ccw"}) {
          const std::string label =
              std::string(mode) == "HSV short" ? qv_format(_("%s (default)"), mode) : mode;
          item(modes, label, [&e, m = std::string(mode)] {
            qv_style_editor_set_attribute(e, "@-color-mode: ", m);
          });
        }
        break;
      }
      case QVAddKind::path_list: {
        GtkWidget *paths = submenu(menu, key);
        path_list(e, paths, key);
        if (entry.keyspline_only && !keyspline && !extra)
          gtk_widget_set_sensitive(gtk_menu_get_attach_widget(GTK_MENU(paths)), FALSE);
        break;
      }
      case QVAddKind::motion_angle: {
        GtkWidget *angles = submenu(menu, key);
        if (!keyspline) {
          gtk_widget_set_sensitive(gtk_menu_get_attach_widget(GTK_MENU(angles)), FALSE);
          break;
        }
        item(angles, _("Enter value"),
             [&e] { qv_style_editor_add_attribute(e, "@-motion-angle: "); });
        separator(angles);
        for (const char *value : {"fixed 0", "auto 0", "roll 100"})
          item(angles, value, [&e, v = std::string(value)] {
            qv_style_editor_set_attribute(e, "@-motion-angle: ", v);
          });
        break;
      }
      case QVAddKind::date: {
        GtkWidget *dates = submenu(menu, key);
        GDateTime *now = g_date_time_new_now_local();
        const std::string today =
            qv_date_entry_label(g_date_time_get_day_of_month(now), g_date_time_get_month(now),
                                g_date_time_get_year(now));
        g_date_time_unref(now);
        item(dates, today, [&e] { qv_style_editor_add_attribute(e, "@-date: "); });
        item(dates, _("use pathname"),
             [&e] { qv_style_editor_set_attribute(e, "@-date: ", "use pathname"); });
        break;
      }
      case QVAddKind::script:
        item(menu, key, [&e] { qv_style_editor_edit_script(e); });
        break;
      case QVAddKind::separator:
        break;
    }
  }
}

void names_menu(QVStyleEditor &e, GtkWidget *menu, std::initializer_list<const char *> keys) {
  for (const char *key : keys) {
    if (!*key) {
      separator(menu);
      continue;
    }
    const std::string k = key;
    if (k == "font-name: ")
      item(menu, k, [&e] { choose_font(e); });
    else if (k == "text-path: ")
      path_list(e, submenu(menu, k), k);
    else
      item(menu, k, [&e, k] { qv_style_editor_add_attribute(e, k); });
  }
}

int integer_value(const QVStyleEditor &e, const char *key, int fallback) {
  const auto value = value_of(e, key);
  return value ? qv_parse_integer(*value) : fallback;
}

void text_attributes(QVStyleEditor &e, GtkWidget *menu, bool keyspline) {
  separator(menu);
  GtkWidget *text = submenu(menu, _("Add Text Attribute    "));
  if (keyspline)
    names_menu(e, text,
               {"font-name: ", "font-size: ", "text-antialising: ", "text-border: ", "",
                "xalign: ", "yalign: ", "text-offset: ", "baseshift: ", "letter-spacing: ", "",
                "palign: ", "text-path: "});
  else
    names_menu(e, text,
               {"font-name: ", "font-size: ", "text-border: ", "", "xalign: ", "yalign: ",
                "text-offset: ", "baseshift: ", "letter-spacing: ", "", "palign: ", "text-path: "});
  if (keyspline) return;
  GtkWidget *antialias = gtk_check_menu_item_new_with_label(_("antialiasing"));
  gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(antialias),
                                 integer_value(e, "text-antialising: ", 1) != 0);
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), antialias);
  on(antialias, "activate", [&e, antialias] {
    if (is_checked(antialias)) {
      remove_attribute(e, "text-antialising: ");
      reload(e);
    } else {
      qv_style_editor_set_attribute(e, "text-antialising: ", "0");
    }
  });
  const double xalign = qv_parse_number(value_of(e, "xalign: ").value_or("-1"));
  for (const char *align : {"0.5", "1.0"}) {
    GtkWidget *entry = gtk_check_menu_item_new_with_label(qv_format("xalign: %s", align).c_str());
    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(entry), xalign == qv_parse_number(align));
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), entry);
    on(entry, "activate", [&e, entry, value = std::string(align)] {
      if (is_checked(entry)) {
        qv_style_editor_set_attribute(e, "xalign: ", value);
      } else {
        remove_attribute(e, "xalign: ");
        reload(e);
      }
    });
  }
}

void image_attributes(QVStyleEditor &e, GtkWidget *menu) {
  const bool keyspline = e.kind & QV_PATH_KIND_KEYSPLINE;
  if (e.kind == QV_PATH_KIND_IMAGE || keyspline) {
    separator(menu);
    GtkWidget *image = submenu(menu, _("Add Image Attribute"));
    if (keyspline)
      names_menu(e, image,
                 {"image: ", "layer: ", "layer-position: ", "@-timeline: ", "@-timeline-t: "});
    else
      names_menu(e, image, {"layer: ", "layer-position: ", "@-timeline: ", "@-timeline-t: "});
  }
  if (e.kind == QV_PATH_KIND_IMAGE) {
    const int merge = integer_value(e, "image-merge-visible: ", 0);
    const char *labels[] = {_("flatten image"), _("merge clip to bottom"), _("merge clip to image"),
                            _("expand if necessary")};
    for (int n = 1; n <= 4; ++n) {
      GtkWidget *entry = gtk_check_menu_item_new_with_label(labels[n - 1]);
      gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(entry), merge == n);
      gtk_menu_shell_append(GTK_MENU_SHELL(menu), entry);
      on(entry, "activate", [&e, entry, n] {
        if (is_checked(entry)) {
          qv_style_editor_set_attribute(e, "image-merge-visible: ", std::to_string(n));
        } else {
          remove_attribute(e, "image-merge-visible: ");
          reload(e);
        }
      });
    }
  }
  if (e.kind == QV_PATH_KIND_IMAGE || ((e.kind & QV_PATH_KIND_BRACKET) && !keyspline)) {
    separator(menu);
    const int mode = integer_value(e, "aspect-ratio-mode: ", 0);
    const std::pair<const char *, int> bits[] = {{_("keep aspect-ratio"), 1},
                                                 {_("center to 1st point"), 2},
                                                 {_("draw outside"), 4},
                                                 {_("use as marker"), 8}};
    for (const auto &[label, bit] : bits)
      check_item(menu, label, mode & bit, [&e, bit = bit] {
        const int now = integer_value(e, "aspect-ratio-mode: ", 0);
        qv_style_editor_set_attribute(
            e, "aspect-ratio-mode: ", std::to_string(qv_aspect_ratio_toggle(now, bit)));
      });
  }
}

gboolean on_line_released(GtkWidget *, GdkEventButton *event, gpointer data) {
  static_cast<QVStyleEditor *>(data)->click_modifiers = GdkModifierType(event->state);
  return FALSE;
}

// The stored lines: "rotate-at: ", "font-name: " and the extras in the menu
// itself, the widgets' lines under "Standard Attributes".
void attribute_list(QVStyleEditor &e, GtkWidget *menu) {
  const std::string text = stored(e);
  if (!qv_path_get_style_text(e.image, e.path.c_str(), nullptr)) return;
  separator(menu);
  GtkWidget *standard = nullptr;
  GtkWidget *standard_item = nullptr;
  const QVStyleItems items = qv_style_split(text);
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].empty()) continue;
    const QVAttributeLine line = qv_attribute_line(items[i]);
    const std::string key = qv_style_item_key(items[i]);
    const bool own =
        key == "rotate-at: " || key == "font-name: " || !qv_editor_writes_attribute(key);
    if (!own && !standard) {
      standard = gtk_menu_new();
      standard_item = gtk_menu_item_new_with_label(_("Standard Attributes"));
      gtk_menu_item_set_submenu(GTK_MENU_ITEM(standard_item), standard);
    }
    GtkWidget *entry = item(own ? menu : standard, line.label, [&e, i] {
      const bool remove = e.click_modifiers & (GDK_SHIFT_MASK | GDK_CONTROL_MASK);
      e.click_modifiers = GdkModifierType(0);
      qv_style_editor_edit_attribute(e, i, remove);
    });
    GtkWidget *label = gtk_bin_get_child(GTK_BIN(entry));
    gtk_widget_set_size_request(label, kLabelWidth, -1);
    g_signal_connect(entry, "button-release-event", G_CALLBACK(on_line_released), &e);
  }
  if (!standard_item) {
    standard_item = gtk_menu_item_new_with_label(_("Standard Attributes"));
    gtk_widget_set_sensitive(standard_item, FALSE);
  }
  gtk_menu_shell_insert(GTK_MENU_SHELL(menu), standard_item, -1);
}

void on_attribute_menu_selected(GtkMenuItem *menu_item, gpointer data) {
  qv_style_editor_fill_attribute_menu(*static_cast<QVStyleEditor *>(data),
                                      gtk_menu_item_get_submenu(menu_item));
}

}  // namespace

void qv_style_editor_fill_attribute_menu(QVStyleEditor &e, GtkWidget *menu) {
  clear(menu);
  if (e.tattoo < 1) return;
  add_attribute_menu(e, submenu(menu, _("Add Attribute    ")));
  item(menu, _("Remove Style Parasite"), [&e] {
    qv_parasite_remove(e.image, (kStylePrefix + std::to_string(e.tattoo)).c_str());
    reload(e);
  });
  const bool keyspline = e.kind & QV_PATH_KIND_KEYSPLINE;
  if ((e.kind & (QV_PATH_KIND_BRACKET | QV_PATH_KIND_TEXT)) && !keyspline)
    text_attributes(e, menu, false);
  if (keyspline) text_attributes(e, menu, true);
  image_attributes(e, menu);
  attribute_list(e, menu);
  gtk_widget_show_all(menu);
}

void qv_style_editor_menus_connect(QVStyleEditor &e) {
  for (GtkWidget *menu_item : {e.w.font_item, e.w.image_item, e.w.extra_item})
    g_signal_connect(menu_item, "select", G_CALLBACK(on_attribute_menu_selected), &e);
  g_signal_connect(e.w.edit_menu, "show", G_CALLBACK(on_edit_shown), &e);
}
