// The "Timeline Administration!" dialog, under Xvfb; without a display it
// must decline quietly.
#include <gtest/gtest.h>

#include <functional>

#include <string>
#include <vector>

#include "gimp/timeline/qv_timeline_chooser.h"
#include "gimp/timeline/qv_timeline_gimp.h"
#include "live_support.h"
#include "theme_probe.h"

namespace {

const char *const kTitle = "Timeline Administration!";

// Current "C", recent "R0" "R1", rest "S0".
void give_timelines(gint32 image) {
  QVTimelineParasites p;
  p.current = qv_timeline_encode(qv_timeline_new("C"));
  p.recent = {qv_timeline_encode(qv_timeline_new("R0")), qv_timeline_encode(qv_timeline_new("R1"))};
  p.rest = {qv_timeline_encode(qv_timeline_new("S0"))};
  qv_timeline_parasites_write(image, QVTimelineParasites{}, p);
}

std::vector<std::string> names(gint32 image) { return qv_timeline_directory_new(image)->names; }

GtkWidget *find_view(GtkWidget *widget) {
  if (GTK_IS_TREE_VIEW(widget)) return widget;
  if (!GTK_IS_CONTAINER(widget)) return nullptr;
  GList *children = gtk_container_get_children(GTK_CONTAINER(widget));
  GtkWidget *found = nullptr;
  for (GList *l = children; l && !found; l = l->next) found = find_view(GTK_WIDGET(l->data));
  g_list_free(children);
  return found;
}

// Whether the view paints each row with a background of its own, as the
// cell renderer is told when the row is drawn.
std::vector<bool> painted_backgrounds(GtkWidget *view) {
  GtkTreeModel *model = gtk_tree_view_get_model(GTK_TREE_VIEW(view));
  GtkTreeViewColumn *column = gtk_tree_view_get_column(GTK_TREE_VIEW(view), 0);
  GList *cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(column));
  std::vector<bool> painted;
  GtkTreeIter iter;
  for (gboolean ok = gtk_tree_model_get_iter_first(model, &iter); ok;
       ok = gtk_tree_model_iter_next(model, &iter)) {
    gtk_tree_view_column_cell_set_cell_data(column, model, &iter, FALSE, FALSE);
    gboolean set = FALSE;
    g_object_get(cells->data, "cell-background-set", &set, nullptr);
    painted.push_back(set);
  }
  g_list_free(cells);
  return painted;
}

void select_rows(GtkWidget *view, std::initializer_list<int> rows) {
  GtkTreeSelection *selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(view));
  gtk_tree_selection_unselect_all(selection);
  for (int row : rows) {
    GtkTreePath *path = gtk_tree_path_new_from_indices(row, -1);
    gtk_tree_selection_select_path(selection, path);
    gtk_tree_path_free(path);
  }
}

// Steps the user takes in the running dialog, one per timeout tick.
struct Script {
  std::vector<std::function<void(GtkWidget *dialog, GtkWidget *view)>> steps;
  size_t done = 0;
  int waits = 0;
};

gboolean play(gpointer data) {
  auto *script = static_cast<Script *>(data);
  GtkWidget *dialog = qv_test_visible_dialog(kTitle);
  if (!dialog) return ++script->waits < 200;
  script->steps[script->done++](dialog, find_view(dialog));
  return script->done < script->steps.size();
}

}  // namespace

TEST(TimelineChooserLive, RowsMarkCurrentAndRecentAndRemovalDropsRows) {
  ASSERT_TRUE(qv_dialog_toolkit_init());
  QVTestImage image;
  give_timelines(image.id);
  auto chooser = qv_timeline_chooser_build(nullptr, image.id);
  ASSERT_TRUE(chooser);
  GtkTreeModel *model = GTK_TREE_MODEL(chooser->store);
  ASSERT_EQ(gtk_tree_model_iter_n_children(model, nullptr), 4);
  std::vector<bool> coloured;
  GtkTreeIter iter;
  for (gboolean ok = gtk_tree_model_get_iter_first(model, &iter); ok;
       ok = gtk_tree_model_iter_next(model, &iter)) {
    gboolean set = FALSE;
    gtk_tree_model_get(model, &iter, 3, &set, -1);
    coloured.push_back(set);
  }
  EXPECT_EQ(coloured, (std::vector<bool>{true, true, true, false}));
  EXPECT_EQ(painted_backgrounds(chooser->view), coloured) << "the rest rows keep the theme's base";

  EXPECT_FALSE(gtk_widget_get_sensitive(chooser->remove_item));
  select_rows(chooser->view, {1, 3});
  EXPECT_TRUE(gtk_widget_get_sensitive(chooser->remove_item));
  EXPECT_EQ(qv_timeline_chooser_selected(*chooser), 3);
  qv_timeline_chooser_remove_selected(*chooser);
  EXPECT_EQ(gtk_tree_model_iter_n_children(model, nullptr), 2);
  EXPECT_EQ(chooser->removed, (std::vector<int>{1, 3}));
  EXPECT_FALSE(gtk_widget_get_sensitive(chooser->remove_item));
  // Nothing is removed from the image until a choice is made.
  EXPECT_EQ(names(image.id).size(), 4u);
}

// Current "C" and recent "R0" are coloured, R0 selected, the rest "S0" not:
// drawn under Xvfb before and after the list has focus.
TEST(TimelineChooserLive, RowsStayReadableUnderLightAndDarkThemes) {
  ASSERT_TRUE(qv_dialog_toolkit_init());
  QVTestImage image;
  give_timelines(image.id);
  for (QVTestTheme theme : {QVTestTheme::light, QVTestTheme::dark}) {
    auto chooser = qv_timeline_chooser_build(nullptr, image.id);
    ASSERT_TRUE(chooser);
    GtkWidget *dialog = chooser->dialog.get();
    qv_test_apply_theme(dialog, theme);
    select_rows(chooser->view, {1});
    qv_test_show_and_draw(dialog);
    const std::string what = std::string("timeline chooser, ") + qv_test_theme_name(theme);
    qv_test_expect_rows_readable(GTK_TREE_VIEW(chooser->view), what + ", unfocused");
    qv_test_focus(dialog, chooser->view);
    EXPECT_TRUE(gtk_widget_has_focus(chooser->view));
    qv_test_expect_rows_readable(GTK_TREE_VIEW(chooser->view), what + ", focused");
    qv_test_screenshot(dialog, std::string("timeline-chooser-") + qv_test_theme_name(theme));
  }
}

TEST(TimelineChooserLive, SelectNeedsARowAndAppliesRemovals) {
  ASSERT_TRUE(qv_dialog_toolkit_init());
  QVTestImage image;
  give_timelines(image.id);
  Script script;
  script.steps = {
      [](GtkWidget *, GtkWidget *view) {
        select_rows(view, {1, 3});
      },
      [](GtkWidget *dialog, GtkWidget *) {
        GtkWidget *bar = nullptr;  // the only menu bar of the dialog
        GList *children = gtk_container_get_children(
            GTK_CONTAINER(gtk_dialog_get_content_area(GTK_DIALOG(dialog))));
        for (GList *l = children; l; l = l->next)
          if (GTK_IS_MENU_BAR(l->data)) bar = GTK_WIDGET(l->data);
        g_list_free(children);
        GList *tops = gtk_container_get_children(GTK_CONTAINER(bar));
        GtkWidget *menu = gtk_menu_item_get_submenu(GTK_MENU_ITEM(tops->data));
        g_list_free(tops);
        GList *items = gtk_container_get_children(GTK_CONTAINER(menu));
        gtk_menu_item_activate(GTK_MENU_ITEM(items->data));
        g_list_free(items);
      },
      // OK without a selected row keeps the dialog open.
      [](GtkWidget *dialog, GtkWidget *) {
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
      },
      [](GtkWidget *dialog, GtkWidget *view) {
        select_rows(view, {1});
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
      },
  };
  g_timeout_add(50, play, &script);
  EXPECT_EQ(qv_timeline_choose(nullptr, image.id, 1), std::string("R1"));
  EXPECT_EQ(script.done, script.steps.size());
  EXPECT_EQ(names(image.id), (std::vector<std::string>{"C", "R1"}));

  // List mode 0 makes the choice current; Cancel changes nothing.
  give_timelines(image.id);
  script.steps = {[](GtkWidget *dialog, GtkWidget *view) {
    select_rows(view, {3});
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  }};
  script.done = 0;
  g_timeout_add(50, play, &script);
  EXPECT_FALSE(qv_timeline_choose(nullptr, image.id, 0));
  EXPECT_EQ(names(image.id), (std::vector<std::string>{"S0", "C", "R0", "R1"}));

  script.steps = {[](GtkWidget *dialog, GtkWidget *view) {
    select_rows(view, {2});
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
  }};
  script.done = 0;
  g_timeout_add(50, play, &script);
  EXPECT_FALSE(qv_timeline_choose(nullptr, image.id, 1));
  EXPECT_EQ(names(image.id), (std::vector<std::string>{"S0", "C", "R0", "R1"}));
}

TEST(TimelineChooserHeadless, DeclinesWithoutADisplay) {
  if (qv_display_available()) GTEST_SKIP() << "a display is available";
  QVTestImage image;
  give_timelines(image.id);
  EXPECT_FALSE(qv_timeline_choose(nullptr, image.id, 0));
  EXPECT_EQ(names(image.id), (std::vector<std::string>{"C", "R0", "R1", "S0"}));
}
