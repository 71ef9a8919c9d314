#include "gimp/timeline/qv_timeline_chooser.h"

#include <glib/gi18n-lib.h>

#include "core/qv_dialog_geometry.h"
#include "core/qv_row_colours.h"
#include "gimp/timeline/qv_timeline_gimp.h"

const char *const QV_TIMELINE_CHOOSER_GEOMETRY_KEY = "qv-timeline-administrate-window";

namespace {

// Rows without a colour hold none: the renderer reads a missing colour as
// "not set" and paints the theme's. COLUMN_HAS_BACKGROUND only tells the
// groups apart for callers; binding it to "cell-background-set" as well would
// not do, since the view applies a cell's attributes in reverse order and
// the colour, applied last, would set it again.
enum {
  COLUMN_NAME,
  COLUMN_INDEX,
  COLUMN_BACKGROUND,
  COLUMN_HAS_BACKGROUND,
  COLUMN_FOREGROUND,
  COLUMN_COUNT
};

QVTimelineGroup group_of(const QVTimelineDirectory &directory, int index) {
  if (directory.has_current && index == 0) return QVTimelineGroup::current;
  if (index < directory.has_current + directory.recent_count) return QVTimelineGroup::recent;
  return QVTimelineGroup::rest;
}

GdkColor gdk_colour(const QVRgb16 &colour) { return {0, colour.red, colour.green, colour.blue}; }

GtkListStore *timeline_rows(const QVTimelineDirectory &directory) {
  GtkListStore *store = gtk_list_store_new(COLUMN_COUNT, G_TYPE_STRING, G_TYPE_INT, GDK_TYPE_COLOR,
                                           G_TYPE_BOOLEAN, GDK_TYPE_COLOR);
  for (int i = 0; i < directory.total; ++i) {
    GtkTreeIter row;
    gtk_list_store_append(store, &row);
    gtk_list_store_set(store, &row, COLUMN_NAME, directory.names[static_cast<size_t>(i)].c_str(),
                       COLUMN_INDEX, i, -1);
    if (const auto colours = qv_timeline_row_colours(group_of(directory, i))) {
      const GdkColor background = gdk_colour(colours->background);
      const GdkColor foreground = gdk_colour(colours->foreground);
      gtk_list_store_set(store, &row, COLUMN_BACKGROUND, &background, COLUMN_HAS_BACKGROUND, TRUE,
                         COLUMN_FOREGROUND, &foreground, -1);
    }
  }
  return store;
}

void update_remove_item(GtkTreeSelection *selection, gpointer item) {
  gtk_widget_set_sensitive(GTK_WIDGET(item), gtk_tree_selection_count_selected_rows(selection) > 0);
}

void on_row_activated(GtkTreeView *, GtkTreePath *, GtkTreeViewColumn *, gpointer dialog) {
  gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
}

void on_remove_activated(GtkMenuItem *, gpointer chooser) {
  qv_timeline_chooser_remove_selected(*static_cast<QVTimelineChooser *>(chooser));
}

GtkWidget *build_view(GtkListStore *store, GtkWidget *dialog) {
  GtkWidget *view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store));
  g_object_unref(store);  // the view holds it now
  gtk_tree_view_set_headers_visible(GTK_TREE_VIEW(view), FALSE);
  gtk_tree_view_set_enable_search(GTK_TREE_VIEW(view), FALSE);
  gtk_tree_view_set_rubber_banding(GTK_TREE_VIEW(view), TRUE);
  gtk_tree_selection_set_mode(gtk_tree_view_get_selection(GTK_TREE_VIEW(view)),
                              GTK_SELECTION_MULTIPLE);
  GtkCellRenderer *cell = gtk_cell_renderer_text_new();
  g_object_set(cell, "ellipsize", PANGO_ELLIPSIZE_END, nullptr);
  GtkTreeViewColumn *column = gtk_tree_view_column_new_with_attributes(
      "", cell, "text", COLUMN_NAME, "cell-background-gdk", COLUMN_BACKGROUND, "foreground-gdk",
      COLUMN_FOREGROUND, nullptr);
  gtk_tree_view_column_set_expand(column, TRUE);
  gtk_tree_view_append_column(GTK_TREE_VIEW(view), column);
  g_signal_connect(view, "row-activated", G_CALLBACK(on_row_activated), dialog);
  return view;
}

GtkWidget *build_menu_bar(GtkWidget **remove_item) {
  GtkWidget *bar = gtk_menu_bar_new();
  GtkWidget *top = gtk_menu_item_new_with_label(_("Remove"));
  GtkWidget *menu = gtk_menu_new();
  const std::string label = std::string("   ") + _("... selected!") + "   ";
  *remove_item = gtk_menu_item_new_with_label(label.c_str());
  gtk_widget_set_sensitive(*remove_item, FALSE);
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), *remove_item);
  gtk_menu_item_set_submenu(GTK_MENU_ITEM(top), menu);
  gtk_menu_shell_append(GTK_MENU_SHELL(bar), top);
  return bar;
}

}  // namespace

std::optional<QVTimelineChooser> qv_timeline_chooser_build(GtkWindow *parent, gint32 image) {
  const auto directory = qv_timeline_directory_new(image);
  if (!directory) return std::nullopt;
  QVTimelineChooser chooser;
  GtkWidget *dialog = gtk_dialog_new_with_buttons(
      _("Timeline Administration!"), parent,
      static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT), _("Cancel"),
      GTK_RESPONSE_CANCEL, _("Select"), GTK_RESPONSE_OK, nullptr);
  chooser.dialog.reset(GTK_WIDGET(g_object_ref(dialog)));
  chooser.store = timeline_rows(*directory);
  chooser.view = build_view(chooser.store, dialog);

  GtkWidget *content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
  gtk_box_pack_start(GTK_BOX(content), build_menu_bar(&chooser.remove_item), FALSE, FALSE, 0);
  GtkWidget *scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                 GTK_POLICY_AUTOMATIC);
  gtk_container_add(GTK_CONTAINER(scrolled), chooser.view);
  gtk_box_pack_start(GTK_BOX(content), scrolled, TRUE, TRUE, 0);
  gtk_window_set_default_size(GTK_WINDOW(dialog), 300, 320);
  g_signal_connect(gtk_tree_view_get_selection(GTK_TREE_VIEW(chooser.view)), "changed",
                   G_CALLBACK(update_remove_item), chooser.remove_item);
  gtk_widget_show_all(content);
  return chooser;
}

void qv_timeline_chooser_remove_selected(QVTimelineChooser &chooser) {
  GtkTreeSelection *selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(chooser.view));
  GList *paths = gtk_tree_selection_get_selected_rows(selection, nullptr);
  // Row references stay valid while earlier rows are removed.
  std::vector<GtkTreeRowReference *> rows;
  for (GList *p = paths; p; p = p->next) {
    rows.push_back(gtk_tree_row_reference_new(GTK_TREE_MODEL(chooser.store),
                                              static_cast<GtkTreePath *>(p->data)));
  }
  g_list_free_full(paths, reinterpret_cast<GDestroyNotify>(gtk_tree_path_free));
  for (GtkTreeRowReference *reference : rows) {
    GtkTreePath *path = gtk_tree_row_reference_get_path(reference);
    GtkTreeIter iter;
    if (path && gtk_tree_model_get_iter(GTK_TREE_MODEL(chooser.store), &iter, path)) {
      int index = 0;
      gtk_tree_model_get(GTK_TREE_MODEL(chooser.store), &iter, COLUMN_INDEX, &index, -1);
      chooser.removed.push_back(index);
      gtk_list_store_remove(chooser.store, &iter);
    }
    if (path) gtk_tree_path_free(path);
    gtk_tree_row_reference_free(reference);
  }
}

std::optional<int> qv_timeline_chooser_selected(const QVTimelineChooser &chooser) {
  GtkTreeSelection *selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(chooser.view));
  GList *paths = gtk_tree_selection_get_selected_rows(selection, nullptr);
  std::optional<int> position;
  for (GList *p = paths; p; p = p->next) {
    position = gtk_tree_path_get_indices(static_cast<GtkTreePath *>(p->data))[0];
  }
  g_list_free_full(paths, reinterpret_cast<GDestroyNotify>(gtk_tree_path_free));
  return position;
}

std::optional<std::string> qv_timeline_choose(GtkWindow *parent, gint32 image, int list_mode) {
  if (!parent && !qv_dialog_toolkit_init()) return std::nullopt;
  auto chooser = qv_timeline_chooser_build(parent, image);
  if (!chooser) return std::nullopt;
  g_signal_connect(chooser->remove_item, "activate", G_CALLBACK(on_remove_activated), &*chooser);
  GtkWindow *window = GTK_WINDOW(chooser->dialog.get());
  int window_state = 0;
  qv_dialog_geometry_restore(window, QV_TIMELINE_CHOOSER_GEOMETRY_KEY, &window_state);

  std::optional<int> selected;
  for (;;) {
    const gint response = gtk_dialog_run(GTK_DIALOG(chooser->dialog.get()));
    if (response != GTK_RESPONSE_OK) break;
    selected = qv_timeline_chooser_selected(*chooser);
    if (selected) break;
  }
  qv_dialog_geometry_save(window, QV_TIMELINE_CHOOSER_GEOMETRY_KEY, window_state,
                          QV_GEOMETRY_POSITION | QV_GEOMETRY_SIZE);
  // Marked removals and the choice take effect together, in one write.
  const auto before = qv_timeline_parasites_read(image);
  if (!before) return std::nullopt;
  QVTimelineParasites after = *before;
  auto name = qv_timeline_choose_apply(after, chooser->removed, selected, list_mode);
  qv_timeline_parasites_write(image, *before, after);
  return name;
}
