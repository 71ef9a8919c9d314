// The path-group dialogs: under Xvfb they are built and answered as a user
// would; without a display they count as cancelled and change nothing.
#include <gtest/gtest.h>

#include <glib/gstdio.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "gimp/groups/qv_path_group_dialogs.h"
#include "gimp/groups/qv_path_groups_gimp.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/style/qv_style_gimp.h"
#include "live_support.h"
#include "theme_probe.h"

namespace {

using namespace std::string_literals;
using Names = std::vector<std::string>;

std::vector<std::string> button_labels(GtkWidget *dialog) {
  std::vector<std::string> labels;
  GList *children =
      gtk_container_get_children(GTK_CONTAINER(gtk_dialog_get_action_area(GTK_DIALOG(dialog))));
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

// Types the text into the dialog's entry and presses OK, once it shows.
gboolean answer(gpointer data) {
  auto *a = static_cast<Answer *>(data);
  GtkWidget *dialog = qv_test_visible_dialog(a->title);
  if (!dialog) return ++a->attempts < 200;
  gtk_entry_set_text(GTK_ENTRY(qv_test_find_widget(dialog, GTK_TYPE_ENTRY)), a->text);
  a->answered = true;
  gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  return FALSE;
}

struct PathGroupDialog : ::testing::Test {
  void SetUp() override { ASSERT_TRUE(qv_dialog_toolkit_init()) << "no display"; }
  QVTestImage image;
};

// Presses a button of the dialog with this title once it shows.
struct Response {
  std::string title;
  gint response = GTK_RESPONSE_OK;
  bool answered = false;
  int attempts = 0;
};

gboolean respond(gpointer data) {
  auto *r = static_cast<Response *>(data);
  GtkWidget *dialog = qv_test_visible_dialog(r->title);
  if (!dialog) return ++r->attempts < 200;
  r->answered = true;
  gtk_dialog_response(GTK_DIALOG(dialog), r->response);
  return FALSE;
}

// Activates the item while a timeout answers the question it may ask.
bool activate_answering(GtkWidget *item, Response *r) {
  const guint id = g_timeout_add(50, respond, r);
  gtk_menu_item_activate(GTK_MENU_ITEM(item));
  if (!r->answered && r->attempts < 200) g_source_remove(id);
  return r->answered;
}

std::vector<QVPathGroupBlock> blocks_of(gint32 image) {
  const auto data = qv_pathgroups_data(image);
  return data ? qv_pathgroups_index(*data).blocks : std::vector<QVPathGroupBlock>{};
}

std::string describe(const std::vector<QVPathGroupBlock> &blocks) {
  std::string out;
  for (const auto &b : blocks) {
    out += std::to_string(b.number) + " " + b.name + (b.file_name ? " [file]" : "") + " " +
           std::to_string(b.path_count) + "; ";
  }
  return out;
}

int row_count(GtkWidget *tree) {
  return gtk_tree_model_iter_n_children(gtk_tree_view_get_model(GTK_TREE_VIEW(tree)), nullptr);
}

// Rows in the order of the image's group data.
void choose_rows(GtkWidget *tree, std::initializer_list<int> rows) {
  GtkTreeSelection *selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(tree));
  gtk_tree_selection_unselect_all(selection);
  for (int row : rows) {
    GtkTreePath *path = gtk_tree_path_new_from_indices(row, -1);
    gtk_tree_selection_select_path(selection, path);
    gtk_tree_path_free(path);
  }
}

bool sensitive(GtkWidget *item) { return gtk_widget_get_sensitive(item); }

std::string style_of(gint32 image, const char *path) {
  return qv_path_get_style_text(image, path, nullptr).value_or("<none>");
}

// Group 1 "one" (A styled, B) of the image, the current group 2 "two" (C),
// and group 1 of a file holding a copy of "one": rows 0, 1 and 2.
struct PathGroupDialogEdit : PathGroupDialog {
  std::string file;
  void SetUp() override {
    PathGroupDialog::SetUp();
    const char *tmp = std::getenv("QV_TEST_TMP");
    file = std::string(tmp ? tmp : g_get_tmp_dir()) + "/dialog-edit-groups.qvg";
    qv_test_add_path(image.id, "B", {0, 0, 10, 0, 10, 10});
    qv_test_add_path(image.id, "A", {5, 5, 20, 5, 20, 20});
    qv_path_store_style(image.id, "A", "stroke: 255 0 0"s);
    ASSERT_TRUE(qv_pathgroup_store_current(image.id, "one"s));
    ASSERT_TRUE(qv_pathgroup_save_file(image.id, file, {{1, std::nullopt}}, false));
    ASSERT_TRUE(qv_pathgroup_new(image.id, "two", false));
    qv_test_add_path(image.id, "C", {1, 1, 30, 30});
    ASSERT_EQ(qv_pathgroup_load_file(image.id, file, {}), 1);
    ASSERT_EQ(describe(blocks_of(image.id)), "1 one 2; 2 two 0; 1 one [file] 2; ");
  }
  void TearDown() override { g_remove(file.c_str()); }
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

  const auto select = qv_pathgroup_manager_build(QV_PATHGROUP_MANAGER_SELECT, groups,
                                                 QVPathGroupKey{2, std::nullopt});
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

// The manager's rows carry no colours of their own: under either theme the
// theme's must show, the selected group (the current one) included.
TEST_F(PathGroupDialog, ManagerRowsStayReadableUnderLightAndDarkThemes) {
  std::vector<QVPathGroupBlock> groups(3);
  groups[0].number = 1, groups[0].name = "one", groups[0].path_count = 2;
  groups[1].number = 2, groups[1].name = "two";
  groups[2].number = 1, groups[2].name = "file one", groups[2].file_name = "a.qvg"s;
  for (QVTestTheme theme : {QVTestTheme::light, QVTestTheme::dark}) {
    const auto manager = qv_pathgroup_manager_build(QV_PATHGROUP_MANAGER_SELECT, groups,
                                                    QVPathGroupKey{2, std::nullopt});
    GtkWidget *dialog = manager.dialog.get();
    qv_test_apply_theme(dialog, theme);
    qv_test_show_and_draw(dialog);
    const std::string what = "path-group manager, "s + qv_test_theme_name(theme);
    qv_test_expect_rows_readable(GTK_TREE_VIEW(manager.tree), what + ", unfocused");
    qv_test_focus(dialog, manager.tree);
    EXPECT_TRUE(gtk_widget_has_focus(manager.tree));
    qv_test_expect_rows_readable(GTK_TREE_VIEW(manager.tree), what + ", focused");
    qv_test_screenshot(dialog, "path-group-manager-"s + qv_test_theme_name(theme));
  }
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

TEST_F(PathGroupDialogEdit, MenuItemsFollowTheChosenRows) {
  const auto manager = qv_pathgroup_manager_build_for_image(image.id, QV_PATHGROUP_MANAGER_SAVE);
  const QVPathGroupEditMenu &edit = manager.edit;
  ASSERT_TRUE(edit.bar && edit.copy_paths && edit.duplicate && edit.remove &&
              edit.remove_filenames);
  EXPECT_STREQ(gtk_menu_item_get_accel_path(GTK_MENU_ITEM(edit.copy_paths)),
               "<QV Path-Group>/Copy/... selected Paths");
  GList *top = gtk_container_get_children(GTK_CONTAINER(edit.bar));
  ASSERT_EQ(g_list_length(top), 1u);
  EXPECT_STREQ(gtk_menu_item_get_label(GTK_MENU_ITEM(top->data)), "Edit");
  g_list_free(top);
  EXPECT_STREQ(gtk_menu_item_get_label(GTK_MENU_ITEM(edit.remove_filenames)), "Remove Filenames");

  choose_rows(manager.tree, {});
  EXPECT_FALSE(sensitive(edit.copy_paths) || sensitive(edit.duplicate) || sensitive(edit.remove) ||
               sensitive(edit.remove_filenames));
  choose_rows(manager.tree, {1});  // the current group
  EXPECT_FALSE(sensitive(edit.copy_paths));
  EXPECT_TRUE(sensitive(edit.duplicate));
  EXPECT_FALSE(sensitive(edit.remove));
  EXPECT_FALSE(sensitive(edit.remove_filenames));
  choose_rows(manager.tree, {0});
  EXPECT_TRUE(sensitive(edit.copy_paths));
  EXPECT_TRUE(sensitive(edit.remove));
  EXPECT_FALSE(sensitive(edit.remove_filenames));
  choose_rows(manager.tree, {2});
  EXPECT_TRUE(sensitive(edit.remove_filenames));

  const auto select = qv_pathgroup_manager_build_for_image(image.id, QV_PATHGROUP_MANAGER_SELECT);
  EXPECT_EQ(qv_pathgroup_manager_chosen(select).size(), 1u) << "the current group";
  EXPECT_TRUE(sensitive(select.edit.duplicate));
  EXPECT_FALSE(sensitive(select.edit.remove));
}

TEST_F(PathGroupDialogEdit, CopyPathsAddsTheGroupsPathsWithTheirStyles) {
  const auto manager = qv_pathgroup_manager_build_for_image(image.id, QV_PATHGROUP_MANAGER_SAVE);
  const gint32 tattoo_c = qv_path_tattoo_by_name(image.id, "C", nullptr);
  choose_rows(manager.tree, {0, 1});  // the current group's own paths are not copied again
  gtk_menu_item_activate(GTK_MENU_ITEM(manager.edit.copy_paths));

  EXPECT_EQ(qv_test_path_names(image.id), (Names{"A", "B", "C"}));
  const gint32 copied_a = qv_path_tattoo_by_name(image.id, "A", nullptr);
  EXPECT_GT(copied_a, tattoo_c) << "a fresh tattoo, not the one group 1 keeps";
  EXPECT_EQ(style_of(image.id, "A"), "stroke: 255 0 0");
  EXPECT_EQ(describe(blocks_of(image.id)), "1 one 2; 2 two 3; 1 one [file] 2; ")
      << "the current group holds the copies";
  EXPECT_EQ(row_count(manager.tree), 3);

  // Group 1 still has its own paths and styles.
  ASSERT_TRUE(qv_pathgroup_select(image.id, {1, std::nullopt}));
  EXPECT_EQ(qv_test_path_names(image.id), (Names{"A", "B"}));
  EXPECT_EQ(style_of(image.id, "A"), "stroke: 255 0 0");
  EXPECT_NE(qv_path_tattoo_by_name(image.id, "A", nullptr), copied_a);
}

TEST_F(PathGroupDialogEdit, DuplicateGroupsAddImageGroupsUnderFreshNumbers) {
  const auto manager = qv_pathgroup_manager_build_for_image(image.id, QV_PATHGROUP_MANAGER_SAVE);
  choose_rows(manager.tree, {1, 2});
  gtk_menu_item_activate(GTK_MENU_ITEM(manager.edit.duplicate));
  EXPECT_EQ(describe(blocks_of(image.id)),
            "1 one 2; 2 two 1; 1 one [file] 2; 3 Copy-two 1; 4 Copy-one 2; ");
  EXPECT_EQ(row_count(manager.tree), 5);
  EXPECT_EQ(qv_pathgroup_read_current(image.id).number, 2);
  EXPECT_EQ(qv_pathgroup_read_current(image.id).next_number, 5);

  ASSERT_TRUE(qv_pathgroup_select(image.id, {4, std::nullopt}));
  EXPECT_EQ(qv_test_path_names(image.id), (Names{"A", "B"}));
  EXPECT_EQ(style_of(image.id, "A"), "stroke: 255 0 0");
}

TEST_F(PathGroupDialogEdit, RemoveGroupsAsksAndKeepsTheCurrentGroup) {
  const auto manager = qv_pathgroup_manager_build_for_image(image.id, QV_PATHGROUP_MANAGER_SAVE);
  choose_rows(manager.tree, {0, 1, 2});
  Response cancel{"Remove Path-Groups", GTK_RESPONSE_CANCEL};
  EXPECT_TRUE(activate_answering(manager.edit.remove, &cancel));
  EXPECT_EQ(blocks_of(image.id).size(), 3u) << "cancelled";

  Response ok{"Remove Path-Groups", GTK_RESPONSE_OK};
  EXPECT_TRUE(activate_answering(manager.edit.remove, &ok));
  EXPECT_EQ(describe(blocks_of(image.id)), "2 two 1; ");
  EXPECT_EQ(qv_test_path_names(image.id), (Names{"C"}));
  EXPECT_EQ(row_count(manager.tree), 1);
  EXPECT_FALSE(sensitive(manager.edit.remove)) << "only the current group is left";
}

TEST_F(PathGroupDialogEdit, RemoveFilenamesTurnsFileGroupsIntoImageGroups) {
  const auto manager = qv_pathgroup_manager_build_for_image(image.id, QV_PATHGROUP_MANAGER_SAVE);
  choose_rows(manager.tree, {0, 2});
  gtk_menu_item_activate(GTK_MENU_ITEM(manager.edit.remove_filenames));
  EXPECT_EQ(describe(blocks_of(image.id)), "1 one 2; 2 two 1; 3 one 2; ")
      << "number 1 is taken in the image";
  EXPECT_EQ(qv_pathgroup_read_current(image.id).next_number, 4);
  EXPECT_EQ(row_count(manager.tree), 3);
  EXPECT_FALSE(sensitive(manager.edit.remove_filenames));
}

TEST_F(PathGroupDialogEdit, RemoveFilenamesOfTheCurrentGroupKeepsItsPaths) {
  ASSERT_TRUE(qv_pathgroup_select(image.id, {1, file}));
  qv_test_add_path(image.id, "D", {2, 2, 8, 8});  // not stored yet
  const auto manager = qv_pathgroup_manager_build_for_image(image.id, QV_PATHGROUP_MANAGER_SELECT);
  choose_rows(manager.tree, {2});
  gtk_menu_item_activate(GTK_MENU_ITEM(manager.edit.remove_filenames));

  const QVPathGroupCurrent current = qv_pathgroup_read_current(image.id);
  EXPECT_FALSE(current.file_name);
  EXPECT_EQ(current.number, 3);
  EXPECT_EQ(describe(blocks_of(image.id)), "1 one 2; 2 two 1; 3 one 3; ");
  EXPECT_EQ(qv_test_path_names(image.id), (Names{"D", "A", "B"}));
  EXPECT_EQ(qv_pathgroup_manager_chosen(manager).front().number, 3)
      << "the moved current group stays chosen";
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
