// A GTK module for the translation test: loaded into GIMP through
// GTK_MODULES, it writes the label of every menu item GIMP has built into
// the file $QV_MENU_LABELS, once a second, so that a test can read the menus
// as the user sees them, translated by GIMP through the suite's text domain.
// Only GIMP itself writes; plug-ins that load GTK pass it by.
#include <gtk/gtk.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

void collect(GtkWidget *widget, std::set<std::string> &labels);

void collect_child(GtkWidget *child, gpointer data) {
  collect(child, *static_cast<std::set<std::string> *>(data));
}

void collect(GtkWidget *widget, std::set<std::string> &labels) {
  if (GTK_IS_MENU_ITEM(widget)) {
    GtkWidget *child = gtk_bin_get_child(GTK_BIN(widget));
    if (child && GTK_IS_LABEL(child)) labels.insert(gtk_label_get_text(GTK_LABEL(child)));
    if (GtkWidget *submenu = gtk_menu_item_get_submenu(GTK_MENU_ITEM(widget))) collect(submenu, labels);
  }
  if (GTK_IS_CONTAINER(widget)) gtk_container_foreach(GTK_CONTAINER(widget), collect_child, &labels);
}

gboolean write_labels(gpointer file) {
  std::set<std::string> labels;
  GList *windows = gtk_window_list_toplevels();
  for (GList *w = windows; w; w = w->next) collect(GTK_WIDGET(w->data), labels);
  g_list_free(windows);
  const std::string part = std::string(static_cast<const char *>(file)) + ".part";
  if (FILE *out = std::fopen(part.c_str(), "w")) {
    for (const std::string &label : labels) std::fprintf(out, "%s\n", label.c_str());
    std::fclose(out);
    std::rename(part.c_str(), static_cast<const char *>(file));
  }
  return G_SOURCE_CONTINUE;
}

}  // namespace

extern "C" G_MODULE_EXPORT void gtk_module_init(gint *, gchar ***) {
  const char *file = g_getenv("QV_MENU_LABELS");
  const char *program = g_get_prgname();
  if (!file || !program || !g_str_has_prefix(program, "gimp")) return;
  g_timeout_add_seconds(1, write_labels, g_strdup(file));
}
