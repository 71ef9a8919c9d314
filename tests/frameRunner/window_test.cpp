// frameRunner's window, built for real on a display (run under Xvfb): the
// key file going into the widgets and back, the timeline chooser over the
// XCF fixtures, the checks before OK, and renders started from the window
// against the fake GIMP, with their progress window and Cancel. Every GTK or
// GLib warning or critical a test causes fails that test.
//
// RUNNER_SCREENSHOT_DIR=/some/folder saves a picture of the progress window
// there while a render runs.
#include "core/qv_glib_ptr.h"
#include "runner_checks.h"
#include "runner_dialog.h"
#include "theme_probe.h"

#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Warnings and criticals from any log domain (Gtk, GLib, GLib-GObject, …),
// kept until the running test checks them; the rest goes on as usual.
std::vector<std::string> &logged_problems() {
  static std::vector<std::string> problems;
  return problems;
}

bool echo_log = true;  // off while the log check tests itself

void record_log(const gchar *domain, GLogLevelFlags level, const gchar *message, gpointer) {
  const bool problem = level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING);
  if (problem) logged_problems().push_back(std::string(domain ? domain : "") + ": " + message);
  if (echo_log || !problem) g_log_default_handler(domain, level, message, nullptr);
}

std::string joined(const std::vector<std::string> &lines) {
  std::string out;
  for (const std::string &line : lines) out += line + "\n";
  return out;
}

void settle();

class RunnerWindow : public ::testing::Test {
 protected:
  void SetUp() override { logged_problems().clear(); }
  void TearDown() override {
    settle();  // idle handlers of the test's windows may still have to run
    EXPECT_TRUE(logged_problems().empty()) << "GTK/GLib complained:\n" << joined(logged_problems());
    logged_problems().clear();
  }
};

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

std::vector<Row> rows_of(const QVRunnerTimelineChooser &chooser) {
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

TEST_F(RunnerWindow, LoadsTheKeyFileIntoTheWidgets) {
  Window win(settings_text(fixture("timelines-v0.xcf"), "Titles") +
             "frame_filename=/tmp/out_0007.png\nparameter=-i --verbose\n"
             "frames_to_render=0\nblock_size=0\nvideo=/tmp/out.mp4\n");
  const QVRunnerWindow &w = win.w;
  EXPECT_EQ(text_of(w.video), "/tmp/out.mp4");
  qv_test_screenshot(w.dialog, "frameRunner-window");
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

TEST_F(RunnerWindow, StoresSettingsAndGeometryBackIntoTheKeyFile) {
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

TEST_F(RunnerWindow, SavedPlacementIsKeptOnScreen) {
  Window win("[main_dialog]\nx=-40\ny=30\nwidth=5000\nheight=5000\n");
  qv_runner_window_store(win.w);
  EXPECT_EQ(win.get("main_dialog", "x"), "0");
  EXPECT_EQ(win.get("main_dialog", "y"), "30");
  EXPECT_LE(std::stoi(win.get("main_dialog", "width")), 1280);
  EXPECT_LE(std::stoi(win.get("main_dialog", "height")), 1024);
}

TEST_F(RunnerWindow, TimelineChooserListsCurrentRecentRest) {
  Window win(settings_text(fixture("timelines-v8.xcf"), "Credits"));
  QVRunnerTimelineChooser chooser =
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

  QVRunnerTimelineChooser empty = qv_runner_timeline_chooser_new(win.w, timelines_of("plain.xcf"));
  EXPECT_TRUE(rows_of(empty).empty());
  gtk_widget_destroy(empty.dialog);
}

// The chooser as drawn under Xvfb, with its recent "Credits" row selected,
// before and after the view has focus (the selection has other colours then).
TEST_F(RunnerWindow, ChooserRowsStayReadableUnderLightAndDarkThemes) {
  Window win(settings_text(fixture("timelines-v8.xcf"), "Credits"));
  for (QVTestTheme theme : {QVTestTheme::light, QVTestTheme::dark}) {
    QVRunnerTimelineChooser chooser =
        qv_runner_timeline_chooser_new(win.w, timelines_of("timelines-v8.xcf"));
    qv_test_apply_theme(chooser.dialog, theme);
    qv_test_show_and_draw(chooser.dialog);
    const std::string what = std::string("frameRunner chooser, ") + qv_test_theme_name(theme);
    ASSERT_EQ(rows_of(chooser)[2].selected, true);
    qv_test_expect_rows_readable(GTK_TREE_VIEW(chooser.view), what + ", unfocused");
    qv_test_focus(chooser.dialog, chooser.view);
    EXPECT_TRUE(gtk_widget_has_focus(chooser.view));
    qv_test_expect_rows_readable(GTK_TREE_VIEW(chooser.view), what + ", focused");
    qv_test_screenshot(chooser.dialog,
                       std::string("frameRunner-chooser-") + qv_test_theme_name(theme));
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
  QVRunnerTimelineChooser chooser =
      qv_runner_timeline_chooser_new(win.w, timelines_of("timelines-v8.xcf"));
  qv_test_show_and_draw(chooser.dialog);
  const std::string theme =
      qv_take_string(g_path_get_basename(qv_take_string(g_path_get_dirname(gtkrc)).c_str()));
  qv_test_expect_rows_readable(GTK_TREE_VIEW(chooser.view), "GIMP theme " + theme + ", unfocused");
  qv_test_focus(chooser.dialog, chooser.view);
  qv_test_expect_rows_readable(GTK_TREE_VIEW(chooser.view), "GIMP theme " + theme + ", focused");
  qv_test_screenshot(chooser.dialog, "frameRunner-chooser-gimp-" + theme);
  gtk_widget_destroy(chooser.dialog);
}

TEST_F(RunnerWindow, TakingATimelineShowsItsFrameCount) {
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

TEST_F(RunnerWindow, PickingAnXcfRunsTheTimelineChooser) {
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

// Events waiting now, without the pauses of settle(): enough for idle
// handlers, fast enough to run after every key typed.
void drain() {
  while (gtk_events_pending()) gtk_main_iteration();
}

// The widget below `root`, internal children included, that `wanted` picks.
GtkWidget *find_widget(GtkWidget *root, const std::function<bool(GtkWidget *)> &wanted) {
  if (wanted(root)) return root;
  if (!GTK_IS_CONTAINER(root)) return nullptr;
  struct Search {
    const std::function<bool(GtkWidget *)> &wanted;
    GtkWidget *found;
  } search{wanted, nullptr};
  gtk_container_forall(
      GTK_CONTAINER(root),
      [](GtkWidget *child, gpointer data) {
        auto &s = *static_cast<Search *>(data);
        if (!s.found) s.found = find_widget(child, s.wanted);
      },
      &search);
  return search.found;
}

bool has_type(GtkWidget *widget, const char *type) {
  return std::string(G_OBJECT_TYPE_NAME(widget)) == type;
}

GtkWindow *visible_window(const char *title) {
  GtkWindow *found = nullptr;
  GList *windows = gtk_window_list_toplevels();
  for (GList *item = windows; item; item = item->next) {
    GtkWindow *window = GTK_WINDOW(item->data);
    const char *t = gtk_window_get_title(window);
    if (t && std::string(t) == title && gtk_widget_get_visible(GTK_WIDGET(window))) found = window;
  }
  g_list_free(windows);
  return found;
}

// Answers the XCF file chooser the way a user does who types the name: the
// location field opened (as "/" or "~" in the file list do), the name typed
// key by key, then Open.
struct FileAnswer {
  std::string typed;
  bool seen = false;
  std::string folder;  // where the chooser opened; "" for none ("Recently Used")
};

gboolean answer_file_chooser(gpointer data) {
  auto &answer = *static_cast<FileAnswer *>(data);
  GtkWindow *window = visible_window("Select XCF-Image");
  if (!window) return G_SOURCE_CONTINUE;
  answer.seen = true;
  settle();
  answer.folder = qv_take_string(gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(window)));
  GtkWidget *chooser = find_widget(
      GTK_WIDGET(window), [](GtkWidget *w) { return has_type(w, "GtkFileChooserDefault"); });
  g_signal_emit_by_name(chooser, "location-popup", "");
  settle();
  GtkWidget *entry = find_widget(GTK_WIDGET(window), [](GtkWidget *w) {
    return has_type(w, "GtkFileChooserEntry") && gtk_widget_get_visible(w);
  });
  if (entry) {
    gtk_editable_delete_text(GTK_EDITABLE(entry), 0, -1);
    for (const char key : answer.typed) {
      // A key replaces what the inline completion offered, as typing does.
      gtk_editable_delete_selection(GTK_EDITABLE(entry));
      gint position = gtk_editable_get_position(GTK_EDITABLE(entry));
      gtk_editable_insert_text(GTK_EDITABLE(entry), &key, 1, &position);
      gtk_editable_set_position(GTK_EDITABLE(entry), position);
      drain();
    }
    gtk_editable_delete_selection(GTK_EDITABLE(entry));
    settle();
  } else {
    ADD_FAILURE() << "no location field in the file chooser";
  }
  gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_ACCEPT);
  return G_SOURCE_REMOVE;
}

GtkWidget *button_labelled(GtkWidget *root, const char *label) {
  return find_widget(root, [label](GtkWidget *w) {
    return GTK_IS_BUTTON(w) && gtk_button_get_label(GTK_BUTTON(w)) &&
           std::string(gtk_button_get_label(GTK_BUTTON(w))) == label;
  });
}

// The whole "Timeline" button: the file chooser, typing into it, and the
// timeline chooser. GTK 2's file chooser given no folder opens on "Recently
// Used", where every key typed into its location field printed a critical
// (gtk_tree_model_get_iter_first), so it must always open in a folder.
TEST_F(RunnerWindow, TimelineButtonTakesATypedFileNameWithoutComplaints) {
  const std::string xcf = fixture("timelines-indexed.xcf");
  const std::string here = qv_take_string(g_get_current_dir());
  struct Case {
    const char *what;
    std::string keyfile;
    std::string opens_in;
  };
  for (const Case &c :
       {Case{"nothing remembered", "", here},
        Case{"a remembered image that is gone", settings_text("/nowhere/at/all/film.xcf", "Intro"),
             here},
        Case{"a remembered image", settings_text(fixture("timelines-v0.xcf"), "Intro"),
             std::string(QV_TEST_DATA_DIR) + "/xcf"}}) {
    SCOPED_TRACE(c.what);
    Window win(c.keyfile);
    FileAnswer file;
    file.typed = xcf;
    ChooserAnswer timeline{"Credits", GTK_RESPONSE_OK};
    const guint file_source = g_timeout_add(50, answer_file_chooser, &file);
    const guint timeline_source = g_timeout_add(50, answer_chooser, &timeline);
    gtk_button_clicked(GTK_BUTTON(button_labelled(win.w.dialog, "Timeline")));
    if (!file.seen) g_source_remove(file_source);
    if (!timeline.seen) g_source_remove(timeline_source);
    ASSERT_TRUE(file.seen);
    EXPECT_EQ(file.folder, c.opens_in);
    ASSERT_TRUE(timeline.seen);
    EXPECT_EQ(text_of(win.w.xcf), xcf);
    EXPECT_EQ(text_of(win.w.timeline), "Credits");
    EXPECT_EQ(label_of(win.w.count), "105 frames in");
  }
}

TEST_F(RunnerWindow, OkIsRefusedUntilEveryEntryIsUsable) {
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
  gtk_entry_set_text(GTK_ENTRY(w.video), (dir / "film.avi").c_str());
  EXPECT_NE(problem().find("unknown kind of file"), std::string::npos) << problem();
  gtk_entry_set_text(GTK_ENTRY(w.video), (dir / "gone/film.mp4").c_str());
  EXPECT_NE(problem().find("does not exist"), std::string::npos) << problem();
  gtk_entry_set_text(GTK_ENTRY(w.video), (dir / "film.gif").c_str());
  EXPECT_EQ(problem(), "none");
  qv_runner_window_store(w);
  EXPECT_EQ(win.get(QV_RUNNER_GROUP, "video"), dir / "film.gif");
}

// After a complete render the window's video is made of the frames; a
// cancelled or failed render makes none.
TEST_F(RunnerWindow, TheVideoIsMadeAfterACompleteRender) {
  TempDir dir;
  const std::string make =
      "ffmpeg -v error -f lavfi -i testsrc=size=32x24:rate=25 -frames:v 12 -start_number 0 '" +
      dir / "f_%04d.png" + "'";
  ASSERT_EQ(std::system(make.c_str()), 0);
  QVRunnerSettings settings;
  settings.xcf = fixture("timelines-v0.xcf");
  settings.timeline = "Intro";
  settings.frame_filename = dir / "f_0000.png";
  settings.frames_to_render = 12;
  settings.video = dir / "film.gif";
  QVWindowRenderResult result;
  result.outcomes.push_back({QVFrameBlock{0, 12}, true, true, false, ""});
  result.cancelled = true;
  qv_runner_window_make_video(settings, result);
  EXPECT_EQ(result.video, "");
  result.cancelled = false;
  qv_runner_window_make_video(settings, result);
  EXPECT_EQ(result.video, "Video written: " + dir / "film.gif");
  EXPECT_TRUE(g_file_test((dir / "film.gif").c_str(), G_FILE_TEST_IS_REGULAR));
  settings.frames_to_render = 13;  // one more than there are
  settings.video = dir / "more.mp4";
  qv_runner_window_make_video(settings, result);
  EXPECT_NE(result.video.find("is missing"), std::string::npos) << result.video;
}

std::vector<std::string> lines_of(const std::string &path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Sets an environment variable for one scope and puts the old state back.
struct ScopedEnv {
  std::string name;
  std::optional<std::string> saved;
  ScopedEnv(const char *n, const std::string &value) : name(n) {
    if (const char *old = g_getenv(n)) saved = old;
    g_setenv(n, value.c_str(), TRUE);
  }
  ~ScopedEnv() {
    if (saved) {
      g_setenv(name.c_str(), saved->c_str(), TRUE);
    } else {
      g_unsetenv(name.c_str());
    }
  }
};

std::set<std::string> files_in(const std::string &folder) {
  std::set<std::string> names;
  GDir *dir = g_dir_open(folder.c_str(), 0, nullptr);
  for (const char *name; dir && (name = g_dir_read_name(dir));) names.insert(name);
  if (dir) g_dir_close(dir);
  return names;
}

std::string contents_of(const std::string &path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A scratch folder with what the fake GIMP needs: its call log, the folder
// its running instances announce themselves in, an environment log and the
// output folder.
struct FakeGimpRun {
  TempDir dir;
  ScopedEnv log{"FAKE_LOG", dir / "calls"};
  ScopedEnv running{"FAKE_RUNNING", dir / "running"};
  ScopedEnv env_log{"FAKE_ENV_LOG", dir / "env"};
  FakeGimpRun() {
    g_mkdir((dir / "running").c_str(), 0755);
    g_mkdir((dir / "out").c_str(), 0755);
  }
  std::string settings(const std::string &frames, const std::string &block) const {
    return settings_text(fixture("timelines-v0.xcf"), "Titles") + "gimp_exe=" + QV_FAKE_GIMP +
           "\nparameter=-i 'two words'\nframe_filename=" + dir / "out/out_0007.png" +
           "\nframes_to_render=" + frames + "\nblock_size=" + block + "\n";
  }
};

// What the progress window showed at one refresh.
struct Shown {
  long done;
  long total;
  double fraction;
  std::string bar;
  std::string times;
  bool cancel_sensitive;
};

Shown shown_by(const QVRunnerProgress &p) {
  return {p.done,
          p.total,
          gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(p.bar)),
          gtk_progress_bar_get_text(GTK_PROGRESS_BAR(p.bar)),
          label_of(p.times),
          gtk_widget_is_sensitive(p.cancel) != FALSE};
}

// Saves the progress window as drawn on the screen, when asked to.
void screenshot(const QVRunnerProgress &p, const char *name) {
  const char *folder = g_getenv("RUNNER_SCREENSHOT_DIR");
  if (!folder) return;
  settle();
  GdkWindow *window = gtk_widget_get_window(p.window);
  int width = 0, height = 0;
  gdk_drawable_get_size(window, &width, &height);
  GdkPixbuf *picture =
      gdk_pixbuf_get_from_drawable(nullptr, window, nullptr, 0, 0, 0, 0, width, height);
  ASSERT_NE(picture, nullptr);
  const std::string path = std::string(folder) + "/" + name;
  EXPECT_TRUE(gdk_pixbuf_save(picture, path.c_str(), "png", nullptr, nullptr)) << path;
  g_object_unref(picture);
}

TEST_F(RunnerWindow, RenderFromTheWindowRunsTheBlocks) {
  FakeGimpRun fake;
  // The display is the test's Xvfb; a Wayland one is made up: GIMP gets neither.
  ScopedEnv wayland("WAYLAND_DISPLAY", "wayland-9");
  ASSERT_NE(g_getenv("DISPLAY"), nullptr);
  Window win(fake.settings("250", "100"));
  ASSERT_EQ(qv_runner_window_problem(win.w), std::nullopt);
  std::vector<Shown> refreshes;
  QVWindowRenderOptions options;
  options.on_refresh = [&refreshes](QVRunnerProgress &p) { refreshes.push_back(shown_by(p)); };
  const QVWindowRenderResult result =
      qv_runner_window_render(qv_runner_window_settings(win.w), options);

  const std::vector<QVBlockOutcome> &outcomes = result.outcomes;
  ASSERT_EQ(outcomes.size(), 3u);
  for (const QVBlockOutcome &outcome : outcomes) EXPECT_TRUE(outcome.ok) << outcome.reason;
  EXPECT_FALSE(result.cancelled);
  EXPECT_EQ(result.frames_done, 250);
  EXPECT_EQ(result.frames_total, 250);
  std::vector<std::string> calls = lines_of(fake.dir / "calls");
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
  const std::set<std::string> written = files_in(fake.dir / "out");
  EXPECT_EQ(written.size(), 250u);
  EXPECT_EQ(*written.begin(), "out_0007.png");
  EXPECT_EQ(*written.rbegin(), "out_0256.png");
  EXPECT_EQ(lines_of(fake.dir / "env"),
            std::vector<std::string>(3, "DISPLAY=unset WAYLAND_DISPLAY=unset own-group=yes"));

  ASSERT_FALSE(refreshes.empty());
  EXPECT_EQ(refreshes.front().bar, "0/250 frames");
  EXPECT_EQ(refreshes.back().bar, "250/250 frames");
  EXPECT_DOUBLE_EQ(refreshes.back().fraction, 1.0);
  EXPECT_TRUE(std::regex_match(refreshes.back().times, std::regex("0:0\\d elapsed, 0:00 left")))
      << refreshes.back().times;
}

TEST_F(RunnerWindow, ProgressFollowsTheFramesAsTheyAppear) {
  FakeGimpRun fake;
  ScopedEnv slow("FAKE_FRAME_SECONDS", "0.1");
  // Frames already there from an earlier render count only once written again.
  g_file_set_contents((fake.dir / "out/out_0009.png").c_str(), "old", -1, nullptr);
  Window win(fake.settings("12", "4"));
  std::vector<Shown> refreshes;
  bool pictured = false;
  QVWindowRenderOptions options;
  options.parallel = 2;
  options.on_refresh = [&](QVRunnerProgress &p) {
    refreshes.push_back(shown_by(p));
    if (!pictured && p.done >= 5) {
      pictured = true;
      screenshot(p, "runner-progress.png");
    }
  };
  const QVWindowRenderResult result =
      qv_runner_window_render(qv_runner_window_settings(win.w), options);

  EXPECT_FALSE(result.cancelled);
  EXPECT_EQ(result.frames_done, 12);
  ASSERT_GE(refreshes.size(), 4u);
  EXPECT_EQ(refreshes.front().bar, "0/12 frames");
  EXPECT_EQ(refreshes.front().times, "0:00 elapsed, time left unknown");
  EXPECT_EQ(refreshes.back().bar, "12/12 frames");
  EXPECT_DOUBLE_EQ(refreshes.back().fraction, 1.0);
  EXPECT_TRUE(refreshes.back().cancel_sensitive);
  long before = 0;
  bool between = false;
  for (const Shown &s : refreshes) {
    SCOPED_TRACE(s.bar + " | " + s.times);
    EXPECT_GE(s.done, before) << "the count never goes back";
    before = s.done;
    EXPECT_EQ(s.total, 12);
    EXPECT_DOUBLE_EQ(s.fraction, s.done / 12.0);
    EXPECT_EQ(s.bar, std::to_string(s.done) + "/12 frames");
    if (s.done > 0) {
      EXPECT_TRUE(std::regex_match(s.times, std::regex("\\d+:\\d\\d elapsed, \\d+:\\d\\d left")));
    }
    between = between || (s.done > 0 && s.done < 12);
  }
  EXPECT_TRUE(between) << "the bar moved while GIMP rendered";
  EXPECT_EQ(contents_of(fake.dir / "out/out_0009.png"), "frame 9\n");
}

// How a render is stopped: the Cancel button, the window's close button,
// or a signal to frameRunner.
enum class Stop { button, close, signal };

struct CancelCase {
  const char *name;
  Stop stop;
  int parallel;
  bool ignore_term;  // the fake GIMP survives SIGTERM: SIGKILL must follow
  const char *frame_seconds;
};

class RunnerCancel : public RunnerWindow, public ::testing::WithParamInterface<CancelCase> {};

void stop_render(Stop how, QVRunnerProgress &p) {
  switch (how) {
    case Stop::button:
      gtk_button_clicked(GTK_BUTTON(p.cancel));
      break;
    case Stop::close: {
      GdkEvent *event = gdk_event_new(GDK_DELETE);
      event->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(p.window)));
      gtk_main_do_event(event);
      gdk_event_free(event);
      break;
    }
    case Stop::signal:
      kill(getpid(), SIGINT);
      break;
  }
}

// Whether a process of the group still runs (zombies do not count).
bool group_runs(long group) {
  if (kill(-group, 0) != 0) return errno == EPERM;
  for (const std::string &name : files_in("/proc")) {
    if (name.empty() || !g_ascii_isdigit(name[0])) continue;
    const std::string stat = contents_of("/proc/" + name + "/stat");
    const size_t close = stat.rfind(')');
    char state = 0;
    long parent = 0, pgrp = 0;
    if (close != std::string::npos &&
        std::sscanf(stat.c_str() + close + 1, " %c %ld %ld", &state, &parent, &pgrp) == 3 &&
        pgrp == group && state != 'Z') {
      return true;
    }
  }
  return false;
}

TEST_P(RunnerCancel, EndsTheGimpsAndKeepsOnlyWholeFrames) {
  const CancelCase &c = GetParam();
  FakeGimpRun fake;
  ScopedEnv slow("FAKE_FRAME_SECONDS", c.frame_seconds);
  std::optional<ScopedEnv> ignore;
  if (c.ignore_term) ignore.emplace("FAKE_IGNORE_TERM", "1");
  // Three blocks of five frames; the last never starts.
  Window win(fake.settings("15", "5"));
  std::vector<Shown> refreshes;
  bool stopped = false;
  gint64 stopped_at = 0;
  size_t unfinished_when_stopped = 0;
  QVWindowRenderOptions options;
  options.parallel = c.parallel;
  options.on_refresh = [&](QVRunnerProgress &p) {
    refreshes.push_back(shown_by(p));
    if (!stopped && p.done >= 2) {
      stopped = true;
      stopped_at = g_get_monotonic_time();
      stop_render(c.stop, p);
      for (const std::string &name : files_in(fake.dir / "out")) {
        if (name.find(".part.") != std::string::npos) ++unfinished_when_stopped;
      }
      if (c.stop == Stop::button) screenshot(p, "runner-cancelling.png");
    }
  };
  const QVWindowRenderResult result =
      qv_runner_window_render(qv_runner_window_settings(win.w), options);
  const double stopping = (g_get_monotonic_time() - stopped_at) / 1e6;

  ASSERT_TRUE(stopped);
  EXPECT_TRUE(result.cancelled);
  ASSERT_EQ(result.outcomes.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    const QVBlockOutcome &outcome = result.outcomes[i];
    SCOPED_TRACE(i);
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(outcome.cancelled) << outcome.reason;
    EXPECT_EQ(outcome.started, static_cast<int>(i) < c.parallel);
  }
  // Only the blocks running when Cancel came were ever started.
  EXPECT_EQ(lines_of(fake.dir / "calls").size(), static_cast<size_t>(c.parallel));

  // Every GIMP that was started is gone with all it started (a fake that was
  // ended leaves its file behind, holding its process group).
  const std::set<std::string> ended = files_in(fake.dir / "running");
  EXPECT_EQ(ended.size(), static_cast<size_t>(c.parallel)) << "ended while rendering";
  for (const std::string &pid : ended) {
    SCOPED_TRACE(pid);
    const long group = std::stol(contents_of(fake.dir / ("running/" + pid)));
    EXPECT_EQ(group, std::stol(pid)) << "GIMP leads its own process group";
    EXPECT_FALSE(group_runs(group));
  }
  if (c.ignore_term) {
    EXPECT_GE(stopping, 1.9) << "SIGKILL only after the grace";
  } else {
    EXPECT_LT(stopping, 1.9) << "SIGTERM was enough";
  }

  // Whole frames only: no temporary file, and each frame holds all it should.
  EXPECT_GE(unfinished_when_stopped, 1u) << "GIMP was stopped in the middle of a frame";
  const std::set<std::string> written = files_in(fake.dir / "out");
  for (const std::string &name : written) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(std::regex_match(name, std::regex("out_00\\d\\d\\.png")));
    EXPECT_EQ(contents_of(fake.dir / ("out/" + name)),
              "frame " + std::to_string(std::stoi(name.substr(4, 4))) + "\n");
  }
  EXPECT_EQ(static_cast<long>(written.size()), result.frames_done);
  EXPECT_GE(result.frames_done, 2);
  EXPECT_LT(result.frames_done, 5 * c.parallel);

  ASSERT_FALSE(refreshes.empty());
  const Shown &last = refreshes.back();
  EXPECT_EQ(last.bar, std::to_string(result.frames_done) + "/15 frames");
  EXPECT_TRUE(std::regex_match(last.times, std::regex("\\d+:\\d\\d elapsed, cancelled")))
      << last.times;
  EXPECT_FALSE(last.cancel_sensitive);
}

INSTANTIATE_TEST_SUITE_P(
    Stops, RunnerCancel,
    // A GIMP ignoring SIGTERM renders slowly enough to outlast the grace.
    ::testing::Values(CancelCase{"CancelButton", Stop::button, 1, false, "0.2"},
                      CancelCase{"CloseButtonTwoGimps", Stop::close, 2, false, "0.2"},
                      CancelCase{"InterruptSignal", Stop::signal, 1, false, "0.2"},
                      CancelCase{"GimpIgnoringTerm", Stop::button, 2, true, "1"}),
    [](const ::testing::TestParamInfo<CancelCase> &info) { return info.param.name; });

// The log check itself: a test that makes GTK complain must fail.
TEST(RunnerWindowLogCheck, GtkCriticalsAreRecorded) {
  logged_problems().clear();
  echo_log = false;
  gtk_tree_model_get_iter_first(nullptr, nullptr);
  g_warning("a warning of the test's own");
  echo_log = true;
  ASSERT_EQ(logged_problems().size(), 2u);
  EXPECT_NE(logged_problems()[0].find("Gtk: "), std::string::npos) << logged_problems()[0];
  EXPECT_NE(logged_problems()[0].find("GTK_IS_TREE_MODEL"), std::string::npos);
  logged_problems().clear();
}

}  // namespace

int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "window_test: no display (run it under xvfb-run)\n");
    return 1;
  }
  g_log_set_default_handler(record_log, nullptr);
  return RUN_ALL_TESTS();
}
