// frameRunner's window, built for real on a display (run under Xvfb): the
// key file going into the widgets and back, the timeline chooser over the
// XCF fixtures, the checks before OK, and a render started from the window
// against the fake GIMP.
#include "qv_glib_ptr.h"
#include "runner_checks.h"
#include "runner_dialog.h"
#include "theme_probe.h"

#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string fixture(const char *name) { return std::string(QV_TEST_DATA_DIR) + "/xcf/" + name; }

void settle() {
  for (int i = 0; i < 20; ++i) {
    while (gtk_events_pending()) gtk_main_iteration();
    g_usleep(5000);
  }
}

std::string label_of(GtkWidget *label) { return gtk_label_get_text(GTK_LABEL(label)); }
std::string text_of(GtkWidget *entry) { return gtk_entry_get_text(GTK_ENTRY(entry)); }

// A scratch folder, removed with everything in it.
struct TempDir {
  std::string path = qv_take_string(g_dir_make_tmp("runner-window-XXXXXX", nullptr));
  ~TempDir() {
    const std::string command = "rm -rf '" + path + "'";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "cannot remove %s\n", path.c_str());
  }
  std::string operator/(const std::string &name) const { return path + "/" + name; }
};

// A key file from text, and the window built over it; both freed at the end.
struct Window {
  GKeyFile *keyfile = g_key_file_new();
  QVRunnerWindow w;
  explicit Window(const std::string &text) {
    g_key_file_load_from_data(
        keyfile, text.c_str(), text.size(),
        GKeyFileFlags(G_KEY_FILE_KEEP_COMMENTS | G_KEY_FILE_KEEP_TRANSLATIONS), nullptr);
    qv_runner_window_build(w, keyfile);
    settle();
  }
  ~Window() {
    qv_runner_window_destroy(w);
    g_key_file_free(keyfile);
    settle();
  }
  std::string get(const char *group, const char *key) const {
    return qv_take_string(g_key_file_get_value(keyfile, group, key, nullptr));
  }
};

std::string settings_text(const std::string &xcf, const std::string &timeline) {
  return "[frameRunner]\nxcf=" + xcf + "\ntimeline=" + timeline + "\n";
}

struct Row {
  std::string name;
  std::string background;  // "" when the row has none
  std::string foreground;  // likewise
  bool selected;
};

std::string colour_text(GdkColor *color) {
  if (!color) return "";
  char text[32];
  std::snprintf(text, sizeof text, "%04X %04X %04X", color->red, color->green, color->blue);
  gdk_color_free(color);
  return text;
}

std::vector<Row> rows_of(const QVTimelineChooser &chooser) {
  std::vector<Row> rows;
  GtkTreeModel *model = gtk_tree_view_get_model(GTK_TREE_VIEW(chooser.view));
  GtkTreeSelection *selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(chooser.view));
  GtkTreeIter iter;
  for (bool ok = gtk_tree_model_get_iter_first(model, &iter); ok;
       ok = gtk_tree_model_iter_next(model, &iter)) {
    gchar *name = nullptr;
    GdkColor *background = nullptr;
    GdkColor *foreground = nullptr;
    gtk_tree_model_get(model, &iter, QV_CHOOSER_NAME, &name, QV_CHOOSER_BACKGROUND, &background,
                       QV_CHOOSER_FOREGROUND, &foreground, -1);
    rows.push_back({qv_take_string(name), colour_text(background), colour_text(foreground),
                    gtk_tree_selection_iter_is_selected(selection, &iter) != FALSE});
  }
  return rows;
}

QVTimelineList timelines_of(const char *file) {
  const QVRunnerTimelines read = qv_runner_read_timelines(fixture(file));
  EXPECT_EQ(read.error, "");
  return read.list;
}

TEST(RunnerWindow, LoadsTheKeyFileIntoTheWidgets) {
  Window win(settings_text(fixture("timelines-v0.xcf"), "Titles") +
             "frame_filename=/tmp/out_0007.png\nparameter=-i --verbose\n"
             "frames_to_render=0\nblock_size=0\n");
  const QVRunnerWindow &w = win.w;
  EXPECT_EQ(text_of(w.xcf), fixture("timelines-v0.xcf"));
  EXPECT_EQ(text_of(w.timeline), "Titles");
  EXPECT_EQ(label_of(w.count), "50 frames in");
  EXPECT_EQ(text_of(w.frame), "/tmp/out_0007.png");
  EXPECT_EQ(text_of(w.parameter), "-i --verbose");
  EXPECT_EQ(text_of(w.gimp), "gimp-console-2.10");
  // Below-range numbers load as the floors, not as the spin buttons' minimum.
  EXPECT_EQ(gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(w.frames)), 1);
  EXPECT_EQ(gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(w.block)), 100);

  QVRunnerSettings other;
  other.xcf = fixture("timelines-v0.xcf");
  other.timeline = "Nope";
  qv_runner_window_load(win.w, other);
  EXPECT_EQ(label_of(w.count), "not found?!");
  other.xcf = QV_FAKE_GIMP;
  other.timeline = "Intro";
  qv_runner_window_load(win.w, other);
  EXPECT_EQ(label_of(w.count), "not found?!") << "not an XCF file";
}

TEST(RunnerWindow, StoresSettingsAndGeometryBackIntoTheKeyFile) {
  Window win("# kept across runs\n[main_dialog]\nx=100\ny=80\nwidth=900\nheight=400\n" +
             settings_text(fixture("timelines-v0.xcf"), "Intro") +
             "parameter=-i\ngimp_exe=/usr/bin/env\nframes_to_render=250\nblock_size=100\n");
  QVRunnerWindow &w = win.w;
  // Typed but never confirmed with Enter or by leaving the field.
  gtk_entry_set_text(GTK_ENTRY(w.frames), "120");
  gtk_entry_set_text(GTK_ENTRY(w.parameter), "");
  gtk_entry_set_text(GTK_ENTRY(w.frame), "/tmp/a b_01.png");
  qv_runner_window_store(w);

  EXPECT_EQ(win.get("frameRunner", "xcf"), fixture("timelines-v0.xcf"));
  EXPECT_EQ(win.get("frameRunner", "timeline"), "Intro");
  EXPECT_EQ(win.get("frameRunner", "frame_filename"), "/tmp/a b_01.png");
  EXPECT_EQ(win.get("frameRunner", "gimp_exe"), "/usr/bin/env");
  EXPECT_FALSE(g_key_file_has_key(win.keyfile, "frameRunner", "parameter", nullptr))
      << "a cleared entry is forgotten";
  EXPECT_EQ(win.get("frameRunner", "frames_to_render"), "120");
  EXPECT_EQ(win.get("frameRunner", "block_size"), "100");
  EXPECT_EQ(win.get("main_dialog", "x"), "100");
  EXPECT_EQ(win.get("main_dialog", "y"), "80");
  EXPECT_EQ(win.get("main_dialog", "width"), "900");
  EXPECT_EQ(win.get("main_dialog", "height"), "400");

  // Written out and read back as the next run does, the comment included.
  TempDir dir;
  ASSERT_TRUE(qv_runner_keyfile_save(win.keyfile, dir / "sub/frameRunner.ini"));
  GKeyFile *again = qv_runner_keyfile_load(dir / "sub/frameRunner.ini");
  const std::string data = qv_take_string(g_key_file_to_data(again, nullptr, nullptr));
  g_key_file_free(again);
  EXPECT_NE(data.find("# kept across runs"), std::string::npos) << data;
  EXPECT_NE(data.find("frames_to_render=120"), std::string::npos) << data;
  EXPECT_NE(data.find("[main_dialog]"), std::string::npos) << data;

  // An iconified or maximized window says nothing about its normal placement.
  gtk_window_move(GTK_WINDOW(w.dialog), 300, 300);
  settle();
  w.state = GDK_WINDOW_STATE_MAXIMIZED;
  qv_runner_window_store(w);
  EXPECT_EQ(win.get("main_dialog", "x"), "100");
}

TEST(RunnerWindow, SavedPlacementIsKeptOnScreen) {
  Window win("[main_dialog]\nx=-40\ny=30\nwidth=5000\nheight=5000\n");
  qv_runner_window_store(win.w);
  EXPECT_EQ(win.get("main_dialog", "x"), "0");
  EXPECT_EQ(win.get("main_dialog", "y"), "30");
  EXPECT_LE(std::stoi(win.get("main_dialog", "width")), 1280);
  EXPECT_LE(std::stoi(win.get("main_dialog", "height")), 1024);
}

TEST(RunnerWindow, TimelineChooserListsCurrentRecentRest) {
  Window win(settings_text(fixture("timelines-v8.xcf"), "Credits"));
  QVTimelineChooser chooser =
      qv_runner_timeline_chooser_new(win.w, timelines_of("timelines-v8.xcf"));
  const std::vector<Row> rows = rows_of(chooser);
  gtk_widget_destroy(chooser.dialog);
  ASSERT_EQ(rows.size(), 4u);
  const std::vector<std::string> names = {rows[0].name, rows[1].name, rows[2].name, rows[3].name};
  EXPECT_EQ(names, (std::vector<std::string>{"Intro", "Titles", "Credits", "Long"}));
  EXPECT_EQ(rows[0].background, "EF00 CF00 8300");
  EXPECT_EQ(rows[1].background, "F000 DB00 A900");
  EXPECT_EQ(rows[2].background, "F000 DB00 A900");
  EXPECT_EQ(rows[3].background, "");
  // Black on both pale backgrounds, whatever the theme's text colour; the
  // rest keep the theme's.
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(rows[i].foreground, "0000 0000 0000") << i;
  EXPECT_EQ(rows[3].foreground, "");
  EXPECT_FALSE(rows[0].selected);
  EXPECT_TRUE(rows[2].selected) << "the entry's timeline is preselected";

  QVTimelineChooser empty = qv_runner_timeline_chooser_new(win.w, timelines_of("plain.xcf"));
  EXPECT_TRUE(rows_of(empty).empty());
  gtk_widget_destroy(empty.dialog);
}

// The chooser as drawn under Xvfb, with its recent "Credits" row selected,
// before and after the view has focus (the selection has other colours then).
TEST(RunnerWindow, ChooserRowsStayReadableUnderLightAndDarkThemes) {
  Window win(settings_text(fixture("timelines-v8.xcf"), "Credits"));
  for (QVTestTheme theme : {QVTestTheme::light, QVTestTheme::dark}) {
    QVTimelineChooser chooser =
        qv_runner_timeline_chooser_new(win.w, timelines_of("timelines-v8.xcf"));
    qv_test_apply_theme(chooser.dialog, theme);
    qv_test_show_and_draw(chooser.dialog);
    const std::string what = std::string("frameRunner chooser, ") + qv_test_theme_name(theme);
    ASSERT_EQ(rows_of(chooser)[2].selected, true);
    qv_test_expect_rows_readable(GTK_TREE_VIEW(chooser.view), what + ", unfocused");
    qv_test_focus(chooser.dialog, chooser.view);
    EXPECT_TRUE(gtk_widget_has_focus(chooser.view));
    qv_test_expect_rows_readable(GTK_TREE_VIEW(chooser.view), what + ", focused");
    qv_test_screenshot(chooser.dialog, std::string("frameRunner-chooser-") + qv_test_theme_name(theme));
    gtk_widget_destroy(chooser.dialog);
  }
}

// GIMP's own theme, as a plug-in started from GIMP gets it: the gtkrc file
// that QV_TEST_GIMP_THEME names, parsed for the whole process (so this case
// runs in a process of its own, see tests/CMakeLists.txt).
TEST(RunnerWindowGimpTheme, ChooserRowsStayReadable) {
  const char *gtkrc = std::getenv("QV_TEST_GIMP_THEME");
  if (!gtkrc) GTEST_SKIP() << "QV_TEST_GIMP_THEME names no gtkrc";
  ASSERT_TRUE(g_file_test(gtkrc, G_FILE_TEST_EXISTS)) << gtkrc;
  gtk_rc_parse(gtkrc);
  gtk_rc_reset_styles(gtk_settings_get_default());
  Window win(settings_text(fixture("timelines-v8.xcf"), "Credits"));
  QVTimelineChooser chooser =
      qv_runner_timeline_chooser_new(win.w, timelines_of("timelines-v8.xcf"));
  qv_test_show_and_draw(chooser.dialog);
  const std::string theme = qv_take_string(g_path_get_basename(
      qv_take_string(g_path_get_dirname(gtkrc)).c_str()));
  qv_test_expect_rows_readable(GTK_TREE_VIEW(chooser.view), "GIMP theme " + theme + ", unfocused");
  qv_test_focus(chooser.dialog, chooser.view);
  qv_test_expect_rows_readable(GTK_TREE_VIEW(chooser.view), "GIMP theme " + theme + ", focused");
  qv_test_screenshot(chooser.dialog, "frameRunner-chooser-gimp-" + theme);
  gtk_widget_destroy(chooser.dialog);
}

TEST(RunnerWindow, TakingATimelineShowsItsFrameCount) {
  Window win("");
  QVRunnerWindow &w = win.w;
  const std::string xcf = fixture("timelines-v12.xcf");
  const QVTimelineList list = timelines_of("timelines-v12.xcf");
  struct Case {
    int index;
    const char *name;
    const char *count;
  };
  gtk_entry_set_text(GTK_ENTRY(w.frame), "/tmp/mine_0000.png");
  for (const Case &c : {Case{1, "Titles", "50 frames in"}, Case{2, "Credits", "105 frames in"},
                        Case{3, "Long", "250 frames in"}}) {
    qv_runner_window_take_timeline(w, xcf, list, c.index);
    EXPECT_EQ(text_of(w.xcf), xcf);
    EXPECT_EQ(text_of(w.timeline), c.name);
    EXPECT_EQ(label_of(w.count), c.count);
  }
  EXPECT_EQ(text_of(w.frame), "/tmp/mine_0000.png") << "timelines without a frame name keep it";
  qv_runner_window_take_timeline(w, xcf, list, 0);
  EXPECT_EQ(label_of(w.count), "250 frames in");
  EXPECT_EQ(text_of(w.frame), "/tmp/frames/intro_0000.png");

  qv_runner_window_take_timeline(w, fixture("plain.xcf"), {}, -1);
  EXPECT_EQ(text_of(w.xcf), fixture("plain.xcf"));
  EXPECT_EQ(text_of(w.timeline), "");
  EXPECT_EQ(label_of(w.count), "0 frames in");
}

// Answers the modal timeline chooser the way a user would: select the named
// row (none: no row) and press the given button.
struct ChooserAnswer {
  const char *row;
  gint response;
  bool seen = false;
};

gboolean answer_chooser(gpointer data) {
  auto &answer = *static_cast<ChooserAnswer *>(data);
  GList *windows = gtk_window_list_toplevels();
  for (GList *item = windows; item; item = item->next) {
    GtkWindow *window = GTK_WINDOW(item->data);
    const char *title = gtk_window_get_title(window);
    if (!title || std::string(title) != "Select Timeline!" ||
        !gtk_widget_get_visible(GTK_WIDGET(window))) {
      continue;
    }
    answer.seen = true;
    gtk_window_move(window, 40, 50);
    settle();
    GtkWidget *scroll = nullptr;
    GList *children =
        gtk_container_get_children(GTK_CONTAINER(gtk_dialog_get_content_area(GTK_DIALOG(window))));
    for (GList *c = children; c; c = c->next) {
      if (GTK_IS_SCROLLED_WINDOW(c->data)) scroll = GTK_WIDGET(c->data);
    }
    g_list_free(children);
    GtkTreeView *view = GTK_TREE_VIEW(gtk_bin_get_child(GTK_BIN(scroll)));
    GtkTreeSelection *selection = gtk_tree_view_get_selection(view);
    gtk_tree_selection_unselect_all(selection);
    GtkTreeModel *model = gtk_tree_view_get_model(view);
    GtkTreeIter iter;
    for (bool ok = gtk_tree_model_get_iter_first(model, &iter); ok && answer.row;
         ok = gtk_tree_model_iter_next(model, &iter)) {
      gchar *name = nullptr;
      gtk_tree_model_get(model, &iter, QV_CHOOSER_NAME, &name, -1);
      if (qv_take_string(name) == answer.row) gtk_tree_selection_select_iter(selection, &iter);
    }
    gtk_dialog_response(GTK_DIALOG(window), answer.response);
  }
  g_list_free(windows);
  return answer.seen ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
}

bool pick_with_answer(QVRunnerWindow &w, const std::string &xcf, ChooserAnswer &answer) {
  const guint source = g_timeout_add(50, answer_chooser, &answer);
  const bool picked = qv_runner_window_pick_xcf(w, xcf);
  if (!answer.seen) g_source_remove(source);
  return picked;
}

TEST(RunnerWindow, PickingAnXcfRunsTheTimelineChooser) {
  Window win(settings_text(fixture("timelines-v0.xcf"), "Intro"));
  QVRunnerWindow &w = win.w;

  ChooserAnswer cancel{"Long", GTK_RESPONSE_CANCEL};
  EXPECT_FALSE(pick_with_answer(w, fixture("timelines-indexed.xcf"), cancel));
  EXPECT_TRUE(cancel.seen);
  EXPECT_EQ(text_of(w.xcf), fixture("timelines-v0.xcf")) << "cancel changes nothing";
  EXPECT_EQ(text_of(w.timeline), "Intro");
  EXPECT_EQ(win.get("timeline_dialog", "x"), "40") << "placement kept on cancel too";
  EXPECT_EQ(win.get("timeline_dialog", "y"), "50");

  ChooserAnswer credits{"Credits", GTK_RESPONSE_OK};
  EXPECT_TRUE(pick_with_answer(w, fixture("timelines-indexed.xcf"), credits));
  EXPECT_EQ(text_of(w.xcf), fixture("timelines-indexed.xcf"));
  EXPECT_EQ(text_of(w.timeline), "Credits");
  EXPECT_EQ(label_of(w.count), "105 frames in");

  ChooserAnswer nothing{nullptr, GTK_RESPONSE_OK};
  EXPECT_TRUE(pick_with_answer(w, fixture("plain.xcf"), nothing));
  EXPECT_EQ(text_of(w.timeline), "");
  EXPECT_EQ(label_of(w.count), "0 frames in");
  EXPECT_EQ(qv_runner_window_problem(w), "Timeline not selected!");
}

TEST(RunnerWindow, OkIsRefusedUntilEveryEntryIsUsable) {
  TempDir dir;
  Window win("");
  QVRunnerWindow &w = win.w;
  const auto problem = [&w] { return qv_runner_window_problem(w).value_or("none"); };
  EXPECT_EQ(problem(), "XCF-Image file not selected!");
  gtk_entry_set_text(GTK_ENTRY(w.xcf), QV_FAKE_GIMP);
  EXPECT_EQ(problem().rfind(std::string("File »") + QV_FAKE_GIMP + "« not a valid GIMP_XCF!", 0),
            0u)
      << problem();
  gtk_entry_set_text(GTK_ENTRY(w.xcf), fixture("timelines-v0.xcf").c_str());
  EXPECT_EQ(problem(), "Timeline not selected!");
  gtk_entry_set_text(GTK_ENTRY(w.timeline), "intro");
  EXPECT_EQ(problem(), "Timeline »intro« not found!");
  gtk_entry_set_text(GTK_ENTRY(w.timeline), "Long");
  EXPECT_EQ(problem(), "First-Frame file not selected!");
  gtk_entry_set_text(GTK_ENTRY(w.frame), (dir / "nowhere/f_0000.png").c_str());
  EXPECT_EQ(problem(), "Directory »" + dir / "nowhere" + "« does not exist!");
  gtk_entry_set_text(GTK_ENTRY(w.frame), (dir / "f_0000.png").c_str());
  gtk_entry_set_text(GTK_ENTRY(w.gimp), (dir / "no-gimp").c_str());
  EXPECT_EQ(problem(), "Gimp-EXE »" + dir / "no-gimp" + "« does not exist!");
  gtk_entry_set_text(GTK_ENTRY(w.gimp), "");
  EXPECT_EQ(problem(), "Gimp-EXE file not selected!");
  gtk_entry_set_text(GTK_ENTRY(w.gimp), QV_FAKE_GIMP);
  gtk_entry_set_text(GTK_ENTRY(w.parameter), "-i 'open");
  EXPECT_NE(problem().find("cannot be read"), std::string::npos) << problem();
  gtk_entry_set_text(GTK_ENTRY(w.parameter), "-i");
  EXPECT_EQ(problem(), "none");
}

std::vector<std::string> lines_of(const std::string &path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(RunnerWindow, RenderFromTheWindowRunsTheBlocks) {
  TempDir dir;
  g_mkdir((dir / "running").c_str(), 0755);
  g_setenv("FAKE_LOG", (dir / "calls").c_str(), TRUE);
  g_setenv("FAKE_RUNNING", (dir / "running").c_str(), TRUE);
  g_mkdir((dir / "out").c_str(), 0755);

  Window win(settings_text(fixture("timelines-v0.xcf"), "Titles") + "gimp_exe=" + QV_FAKE_GIMP +
             "\nparameter=-i 'two words'\nframe_filename=" + dir / "out/out_0007.png" +
             "\nframes_to_render=250\nblock_size=100\n");
  ASSERT_EQ(qv_runner_window_problem(win.w), std::nullopt);
  const auto outcomes = qv_runner_window_render(qv_runner_window_settings(win.w));

  ASSERT_EQ(outcomes.size(), 3u);
  for (const QVBlockOutcome &outcome : outcomes) EXPECT_TRUE(outcome.ok) << outcome.reason;
  std::vector<std::string> calls = lines_of(dir / "calls");
  std::sort(calls.begin(), calls.end(),
            [](const std::string &a, const std::string &b) { return std::stol(a) < std::stol(b); });
  ASSERT_EQ(calls.size(), 3u);
  const std::vector<std::pair<std::string, std::string>> blocks = {
      {"7 100 ", "out_0007.png"}, {"107 100 ", "out_0107.png"}, {"207 50 ", "out_0207.png"}};
  for (size_t i = 0; i < blocks.size(); ++i) {
    SCOPED_TRACE(calls[i]);
    EXPECT_EQ(calls[i].rfind(blocks[i].first + "[-i][two words][-b][(begin", 0), 0u);
    EXPECT_NE(calls[i].find(blocks[i].second), std::string::npos);
    EXPECT_NE(calls[i].find(" 0 \"Titles\" "), std::string::npos);
    EXPECT_NE(calls[i].find(fixture("timelines-v0.xcf")), std::string::npos);
  }
  std::set<std::string> written;
  GDir *out = g_dir_open((dir / "out").c_str(), 0, nullptr);
  for (const char *name; (name = g_dir_read_name(out));) written.insert(name);
  g_dir_close(out);
  EXPECT_EQ(written.size(), 250u);
  EXPECT_EQ(*written.begin(), "out_0007.png");
  EXPECT_EQ(*written.rbegin(), "out_0256.png");
}

}  // namespace

int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "window_test: no display (run it under xvfb-run)\n");
    return 1;
  }
  return RUN_ALL_TESTS();
}
