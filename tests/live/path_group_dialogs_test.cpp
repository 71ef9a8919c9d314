// The path-group dialogs: under Xvfb they are built and answered as a user
// would; without a display they count as cancelled and change nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "live_support.h"
#include "qv_path_group_dialogs.h"
#include "qv_path_group_store.h"

namespace {

using namespace std::string_literals;
using Names = std::vector<std::string>;

std::vector<std::string> button_labels(GtkWidget *dialog) {
  std::vector<std::string> labels;
  GList *children = gtk_container_get_children(GTK_CONTAINER(gtk_dialog_get_action_area(GTK_DIALOG(dialog))));
  for (GList *l = children; l; l = l->next) {
    if (GTK_IS_BUTTON(l->data)) labels.emplace_back(gtk_button_get_label(GTK_BUTTON(l->data)));
  }
  g_list_free(children);
  // The order on screen follows the desktop's button-order setting.
  std::sort(labels.begin(), labels.end());
  return labels;
}

std::string title_of(GtkWidget *dialog) { return gtk_window_get_title(GTK_WINDOW(dialog)); }

struct Answer {
  std::string title;
  const char *text;
  bool answered = false;
  int attempts = 0;
};

GtkWidget *visible_dialog(const std::string &title) {
  GList *windows = gtk_window_list_toplevels();
  GtkWidget *found = nullptr;
  for (GList *l = windows; l && !found; l = l->next) {
    GtkWidget *w = GTK_WIDGET(l->data);
    const char *t = gtk_window_get_title(GTK_WINDOW(w));
    if (GTK_IS_DIALOG(w) && gtk_widget_get_visible(w) && t && title == t) found = w;
  }
  g_list_free(windows);
  return found;
}

GtkWidget *find_entry(GtkWidget *widget) {
  if (GTK_IS_ENTRY(widget)) return widget;
  if (!GTK_IS_CONTAINER(widget)) return nullptr;
  GList *children = gtk_container_get_children(GTK_CONTAINER(widget));
  GtkWidget *found = nullptr;
  for (GList *l = children; l && !found; l = l->next) found = find_entry(GTK_WIDGET(l->data));
  g_list_free(children);
  return found;
}

// Types the text into the dialog's entry and presses OK, once it shows.
gboolean answer(gpointer data) {
  auto *a = static_cast<Answer *>(data);
  GtkWidget *dialog = visible_dialog(a->title);
  if (!dialog) return ++a->attempts < 200;
  gtk_entry_set_text(GTK_ENTRY(find_entry(dialog)), a->text);
  a->answered = true;
  gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  return FALSE;
}

struct PathGroupDialog : ::testing::Test {
  void SetUp() override { ASSERT_TRUE(qv_dialog_toolkit_init()) << "no display"; }
  QVTestImage image;
};

}  // namespace

TEST_F(PathGroupDialog, NewAndDuplicateDialogsProposeNames) {
  const QVPathGroupCurrent current{3, 5, "Scene", std::nullopt};
  const auto fresh = qv_pathgroup_new_dialog_build(current, 5, false);
  EXPECT_EQ(title_of(fresh.dialog.get()), "New Path-Group");
  EXPECT_EQ(button_labels(fresh.dialog.get()), (Names{"Cancel", "OK"}));
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(fresh.current)), "Scene");
  EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(fresh.entry)), "Path-Group#5");

  const auto copy = qv_pathgroup_new_dialog_build(current, 5, true);
  EXPECT_EQ(title_of(copy.dialog.get()), "Duplicate Path-Group");
  EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(copy.entry)), "Copy-Scene");
}

TEST_F(PathGroupDialog, ManagerListsGroupsAndPreselects) {
  std::vector<QVPathGroupBlock> groups(3);
  groups[0].number = 1, groups[0].name = "one";
  groups[1].number = 2, groups[1].name = "two";
  groups[2].number = 1, groups[2].name = "file one", groups[2].file_name = "a.qvg"s;

  const auto select = qv_pathgroup_manager_build(QV_PATHGROUP_MANAGER_SELECT, groups, QVPathGroupKey{2, std::nullopt});
  EXPECT_EQ(title_of(select.dialog.get()), "Select Path-Group!");
  EXPECT_EQ(button_labels(select.dialog.get()), (Names{"Cancel", "Select"}));
  auto chosen = qv_pathgroup_manager_chosen(select);
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_EQ(chosen[0].number, 2);

  const auto save = qv_pathgroup_manager_build(QV_PATHGROUP_MANAGER_SAVE, groups, std::nullopt);
  EXPECT_EQ(title_of(save.dialog.get()), "Save Path-Groups!");
  EXPECT_EQ(button_labels(save.dialog.get()), (Names{"Cancel", "OK", "Save & Set"}));
  chosen = qv_pathgroup_manager_chosen(save);
  ASSERT_EQ(chosen.size(), 2u) << "the image's own groups";
  EXPECT_FALSE(chosen[1].file_name);

  const auto load = qv_pathgroup_manager_build(QV_PATHGROUP_MANAGER_LOAD, groups, std::nullopt);
  EXPECT_EQ(title_of(load.dialog.get()), "Insert Paths & Splines!");
  EXPECT_EQ(qv_pathgroup_manager_chosen(load).size(), 3u);
}

TEST_F(PathGroupDialog, NewGroupFromTheDialog) {
  qv_test_add_path(image.id, "A", {0, 0, 10, 10});
  Answer a{"New Path-Group", "Typed"};
  const guint id = g_timeout_add(50, answer, &a);
  EXPECT_TRUE(qv_pathgroup_new_interactive(image.id, false));
  if (!a.answered && a.attempts < 200) g_source_remove(id);
  EXPECT_TRUE(a.answered);
  EXPECT_EQ(qv_pathgroup_read_current(image.id).name, "Typed");
  EXPECT_TRUE(qv_test_path_names(image.id).empty());
}

TEST(PathGroupHeadless, DialogsCountAsCancelledWithoutADisplay) {
  QVTestImage image;
  qv_test_add_path(image.id, "A", {0, 0, 10, 10});
  EXPECT_FALSE(qv_pathgroup_new_interactive(image.id, false));
  EXPECT_FALSE(qv_pathgroup_manager_run(image.id, QV_PATHGROUP_MANAGER_SELECT));
  EXPECT_FALSE(qv_pathgroup_manager_run(image.id, QV_PATHGROUP_MANAGER_LOAD));
  EXPECT_FALSE(qv_pathgroup_manager_run(image.id, QV_PATHGROUP_MANAGER_SAVE));
  EXPECT_EQ(qv_test_path_names(image.id), (Names{"A"}));
  EXPECT_EQ(qv_test_parasite(image.id, QV_PATHGROUPS_PARASITE), "<none>");
}
