// The Animation Renderer on the bundled example under Xvfb: a preview
// chosen from its menu fills the store and the frame spins, playback runs at
// about its rate within "In:" … "End:", Cancel keeps the frames done, and
// Escape closes the window and keeps its geometry.
#include <gtest/gtest.h>

#include <gdk/gdkkeysyms.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/qv_glib_ptr.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_render_session.h"
#include "gimp/render/qv_animation_window.h"
#include "gimp/timeline/qv_timeline_editor.h"
#include "gimp/timeline/qv_timeline_gimp.h"
#include "gimp/ui/qv_dialogs.h"
#include "live_support.h"
#include "theme_probe.h"

namespace {

void pump(int ms) { qv_test_run_for(ms); }

struct AnimationWindowLive : ::testing::Test {
  gint32 image = -1;
  QVAnimationWindow *w = nullptr;
  void SetUp() override {
    ASSERT_TRUE(qv_dialog_toolkit_init());
    const std::string file = std::string(QV_LIVE_DIR) + "/../../examples/animation.xcf";
    image = gimp_file_load(GIMP_RUN_NONINTERACTIVE, file.c_str(), file.c_str());
    ASSERT_GT(image, 0);
    w = qv_animation_window_build(image);
    qv_test_show_and_draw(w->window);
  }
  void TearDown() override {
    if (w) gtk_widget_destroy(w->window);
    qv_rendering_flag(false);
    if (image > 0) gimp_image_delete(image);
  }
  // The Preview [@] menu's item with that label.
  GtkWidget *preview_item(const char *label) {
    GList *bars = gtk_container_get_children(GTK_CONTAINER(w->menu_bar));
    GtkWidget *menu = gtk_menu_item_get_submenu(GTK_MENU_ITEM(g_list_nth_data(bars, 2)));
    g_list_free(bars);
    GList *items = gtk_container_get_children(GTK_CONTAINER(menu));
    GtkWidget *found = nullptr;
    for (GList *i = items; i; i = i->next) {
      GtkWidget *child = gtk_bin_get_child(GTK_BIN(i->data));
      if (child && GTK_IS_LABEL(child) &&
          std::strcmp(gtk_label_get_text(GTK_LABEL(child)), label) == 0)
        found = GTK_WIDGET(i->data);
    }
    g_list_free(items);
    return found;
  }
  bool wait_idle(int seconds) {
    for (int i = 0; i < seconds * 20 && qv_animation_busy(*w); ++i) pump(50);
    return !qv_animation_busy(*w);
  }
  int spin_upper(GtkWidget *spin) {
    double lower = 0, upper = 0;
    gtk_spin_button_get_range(GTK_SPIN_BUTTON(spin), &lower, &upper);
    return static_cast<int>(upper);
  }
};

TEST_F(AnimationWindowLive, PreviewFromTheMenuThenPlayBack) {
  ASSERT_FALSE(qv_animation_candidates(image).empty()) << "the example has no keyspline";
  w->set = QVPreviewSet::all;
  GtkWidget *item = preview_item("   12 frames");
  ASSERT_NE(item, nullptr);
  gtk_menu_item_activate(GTK_MENU_ITEM(item));
  EXPECT_TRUE(qv_animation_busy(*w));
  EXPECT_TRUE(gtk_widget_get_visible(w->progress_box));
  ASSERT_TRUE(wait_idle(120));
  EXPECT_EQ(w->job.env.frame_store.size(), 12u);
  EXPECT_EQ(spin_upper(w->frame_spin), 11);
  EXPECT_EQ(spin_upper(w->end_spin), 11);
  EXPECT_FALSE(gtk_widget_get_visible(w->progress_box));
  EXPECT_FALSE(qv_rendering_in_progress());
  EXPECT_NE(std::string(gtk_window_get_title(GTK_WINDOW(w->window))), "Animation Renderer");
  qv_animation_show_frame(*w, 6);
  pump(200);
  for (QVTestTheme theme : {QVTestTheme::light, QVTestTheme::dark}) {
    qv_test_apply_theme(w->window, theme);
    pump(200);
    qv_test_screenshot(w->window, std::string("animation-renderer-") + qv_test_theme_name(theme));
  }

  // 25 frames a second for 2 s, between frames 2 and 9.
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(w->in_spin), 2);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(w->end_spin), 9);
  qv_animation_set_rate(*w, 25);
  qv_animation_set_mode(*w, QVLoopMode::forward);
  long lowest = 99, highest = -1;
  for (int i = 0; i < 80; ++i) {
    pump(25);
    lowest = std::min(lowest, qv_animation_shown_frame(*w));
    highest = std::max(highest, qv_animation_shown_frame(*w));
  }
  EXPECT_GE(w->frames_played, 25);  // about 50 on a quiet machine
  EXPECT_LE(w->frames_played, 60);
  EXPECT_EQ(lowest, 2);
  EXPECT_EQ(highest, 9);
  EXPECT_NE(qv_animation_rate_text(*w).find("fps="), std::string::npos);
  // Backward wraps from In to End; ping-pong turns at both ends.
  struct Seen {
    long wraps = 0, turns = 0;
  };
  auto watch = [&](QVLoopMode mode) {
    qv_animation_set_mode(*w, mode);
    Seen seen;
    long before = qv_animation_shown_frame(*w);
    int last_step = 0;
    for (int i = 0; i < 80; ++i) {
      pump(25);
      const long now = qv_animation_shown_frame(*w);
      if (now == before) continue;
      // A busy machine may show two frames between looks: a wrap is a jump
      // across most of the range, a turn a change of direction by a step.
      const int step = now > before ? 1 : -1;
      if (std::labs(now - before) >= 5) {
        ++seen.wraps;
        last_step = 0;
      } else {
        if (last_step != 0 && step != last_step) ++seen.turns;
        last_step = step;
      }
      before = now;
    }
    return seen;
  };
  const Seen backward = watch(QVLoopMode::backward);
  EXPECT_GE(backward.wraps, 1);
  EXPECT_EQ(backward.turns, 0);
  const Seen pingpong = watch(QVLoopMode::pingpong);
  EXPECT_EQ(pingpong.wraps, 0);
  EXPECT_GE(pingpong.turns, 1);
  qv_animation_set_mode(*w, QVLoopMode::stopped);
  const long still = qv_animation_shown_frame(*w);
  pump(300);
  EXPECT_EQ(qv_animation_shown_frame(*w), still);
}

TEST_F(AnimationWindowLive, TheCurrentTimelinePreviewsFromItsMenuItem) {
  // Opening the menu names the timeline on its item.
  GList *bars = gtk_container_get_children(GTK_CONTAINER(w->menu_bar));
  gtk_menu_item_activate(GTK_MENU_ITEM(g_list_nth_data(bars, 2)));
  g_list_free(bars);
  const auto current = qv_animation_current_timeline(image);
  ASSERT_TRUE(current) << "the example has no current timeline";
  EXPECT_EQ(gtk_menu_item_get_label(GTK_MENU_ITEM(w->timeline_item)), *current);
  EXPECT_TRUE(gtk_widget_is_sensitive(w->timeline_item));
  // "Render preview only!" asks how many of its 50 frames: 5 keeps every
  // 10th and the last.
  QVTestAnswer count{"Render preview only!", GTK_RESPONSE_OK, [](GtkWidget *dialog) {
                       gtk_spin_button_set_value(
                           GTK_SPIN_BUTTON(qv_test_find_widget(dialog, GTK_TYPE_SPIN_BUTTON)), 5);
                     }};
  qv_test_answer(count);
  gtk_menu_item_activate(GTK_MENU_ITEM(w->timeline_item));
  ASSERT_TRUE(count.answered);
  ASSERT_TRUE(qv_animation_busy(*w));
  ASSERT_TRUE(wait_idle(120));
  EXPECT_EQ(w->job.failure, "");
  EXPECT_EQ(w->job.env.frame_store.size(), 6u);
  EXPECT_EQ(std::string(gtk_window_get_title(GTK_WINDOW(w->window))), *current);
  EXPECT_FALSE(qv_rendering_in_progress());
}

TEST_F(AnimationWindowLive, TheTimelineMenuListsTheTimelinesAndMakesOneCurrent) {
  const auto first = qv_animation_current_timeline(image);
  ASSERT_TRUE(first);
  ASSERT_TRUE(qv_timeline_push_current(image));
  qv_timeline_store_current(image, qv_timeline_new(std::string("Second")));
  // Opening "Timeline" lists "Administrate ...", then the timelines.
  GList *bars = gtk_container_get_children(GTK_CONTAINER(w->menu_bar));
  gtk_menu_item_activate(GTK_MENU_ITEM(g_list_nth_data(bars, 1)));
  g_list_free(bars);
  std::vector<std::string> labels;
  GList *items = gtk_container_get_children(GTK_CONTAINER(w->timeline_menu));
  GtkWidget *first_item = nullptr;
  for (GList *i = items; i; i = i->next) {
    GtkWidget *child = gtk_bin_get_child(GTK_BIN(i->data));
    if (!child || !GTK_IS_LABEL(child)) continue;
    labels.emplace_back(gtk_label_get_text(GTK_LABEL(child)));
    if (labels.back() == *first) first_item = GTK_WIDGET(i->data);
  }
  g_list_free(items);
  EXPECT_EQ(labels, (std::vector<std::string>{"New ...", "Duplicate", "More ...",
                                              "Administrate ...", "Second", *first}));
  ASSERT_NE(first_item, nullptr);
  // Choosing one makes it current and shows it in the timeline editor.
  gtk_menu_item_activate(GTK_MENU_ITEM(first_item));
  EXPECT_EQ(qv_animation_current_timeline(image), *first);
  ASSERT_NE(w->editor, nullptr);
  EXPECT_EQ(qv_timeline_display_name(w->editor->header), *first);
  gtk_widget_destroy(w->editor->window);
  EXPECT_EQ(w->editor, nullptr);
}

TEST_F(AnimationWindowLive, CancelKeepsTheFramesDone) {
  w->set = QVPreviewSet::all;
  ASSERT_TRUE(qv_animation_preview(*w, 120, 0));
  for (int i = 0; i < 200 && w->job.env.frame_store.size() < 3; ++i) pump(50);
  gtk_button_clicked(GTK_BUTTON(w->cancel));
  ASSERT_TRUE(wait_idle(30));
  const size_t kept = w->job.env.frame_store.size();
  EXPECT_GE(kept, 3u);
  EXPECT_LT(kept, 120u);
  EXPECT_EQ(spin_upper(w->frame_spin), static_cast<int>(kept) - 1);
  EXPECT_TRUE(gtk_widget_is_sensitive(w->menu_bar));
  EXPECT_FALSE(qv_rendering_in_progress());
}

// Answers the chooser titled `title` with `file` once it shows.
struct ChooserAnswer {
  std::string title, file;
  bool answered = false;
};

gboolean answer_chooser(gpointer data) {
  auto *a = static_cast<ChooserAnswer *>(data);
  GtkWidget *chooser = qv_test_visible_dialog(a->title);
  if (!chooser) return TRUE;  // not shown yet
  const std::string folder = qv_take_string(g_path_get_dirname(a->file.c_str()));
  const std::string name = qv_take_string(g_path_get_basename(a->file.c_str()));
  gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), folder.c_str());
  gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(chooser), name.c_str());
  pump(300);  // the chooser takes the folder in the background
  qv_test_screenshot(chooser, "animation-save-frame");
  gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
  a->answered = true;
  return FALSE;
}

TEST_F(AnimationWindowLive, FramesSavedFromTheFileMenuLoadBack) {
  const std::string dir = qv_take_string(g_dir_make_tmp("qv-animation-XXXXXX", nullptr));
  w->set = QVPreviewSet::all;
  ASSERT_TRUE(qv_animation_preview(*w, 3, 0));
  ASSERT_TRUE(wait_idle(60));
  qv_animation_show_frame(*w, 2);

  // "Save frame" asks for the file in "Save Frame 2" and writes that one frame.
  ChooserAnswer poster{"Save Frame 2", dir + "/poster.png"};
  g_timeout_add(100, answer_chooser, &poster);
  GList *bars = gtk_container_get_children(GTK_CONTAINER(w->menu_bar));
  GtkWidget *file_menu = gtk_menu_item_get_submenu(GTK_MENU_ITEM(g_list_nth_data(bars, 0)));
  g_list_free(bars);
  GList *items = gtk_container_get_children(GTK_CONTAINER(file_menu));
  gtk_menu_item_activate(GTK_MENU_ITEM(g_list_nth_data(items, 2)));  // after Load and a separator
  g_list_free(items);
  ASSERT_TRUE(poster.answered);
  ASSERT_TRUE(wait_idle(30));
  EXPECT_TRUE(g_file_test(poster.file.c_str(), G_FILE_TEST_IS_REGULAR));
  EXPECT_EQ(w->job.env.frame_store.size(), 3u);  // saving keeps the store
  EXPECT_EQ(qv_animation_shown_frame(*w), 2);

  ASSERT_TRUE(qv_animation_save_frames(*w, dir + "/f_010.png", 0, 2));
  ASSERT_TRUE(wait_idle(30));
  for (const char *name : {"f_010.png", "f_011.png", "f_012.png"})
    EXPECT_TRUE(g_file_test((dir + "/" + name).c_str(), G_FILE_TEST_IS_REGULAR)) << name;
  EXPECT_EQ(qv_frame_files_in_row(qv_frame_name_split(dir + "/f_010.png"), 100), 3);

  qv_animation_clear(*w);
  EXPECT_EQ(w->job.env.frame_store.size(), 0u);
  ASSERT_TRUE(qv_animation_load_frames(*w, dir + "/f_010.png", 3));
  ASSERT_TRUE(wait_idle(30));
  EXPECT_EQ(w->job.env.frame_store.size(), 3u);
  EXPECT_EQ(spin_upper(w->end_spin), 2);
  // Asking for more than there are loads what there is and says so.
  ASSERT_TRUE(qv_animation_load_frames(*w, dir + "/f_010.png", 5));
  ASSERT_TRUE(wait_idle(30));
  EXPECT_EQ(w->job.env.frame_store.size(), 3u);
  EXPECT_NE(w->job.failure, "");
  qv_test_remove_folder(dir);
}

TEST_F(AnimationWindowLive, EscapeClosesAndTheGeometryIsKept) {
  gimp_detach_parasite("qv-path-animation-dialog-enviroment");
  gtk_window_resize(GTK_WINDOW(w->window), 500, 420);
  pump(200);
  GdkEvent *event = gdk_event_new(GDK_KEY_PRESS);
  event->key.window = GDK_WINDOW(g_object_ref(w->window->window));
  event->key.keyval = GDK_KEY_Escape;
  gtk_main_do_event(event);
  gdk_event_free(event);
  pump(100);
  w = nullptr;  // destroyed by the key
  const auto kept = qv_global_string_get("qv-path-animation-dialog-enviroment");
  ASSERT_TRUE(kept);
  int x = 0, y = 0, width = 0, height = 0;
  ASSERT_EQ(std::sscanf(kept->c_str(), "%d %d %d %d", &x, &y, &width, &height), 4) << *kept;
  EXPECT_EQ(width, 500);
  EXPECT_EQ(height, 420);
}

}  // namespace

namespace {

std::string pixbuf_bytes(GdkPixbuf *p) {
  return std::string(reinterpret_cast<const char *>(gdk_pixbuf_get_pixels(p)),
                     size_t(gdk_pixbuf_get_rowstride(p)) * gdk_pixbuf_get_height(p));
}

TEST_F(AnimationWindowLive, ReRenderCurrentRendersTheShownFrameAgainInItsPlace) {
  w->set = QVPreviewSet::all;
  ASSERT_TRUE(qv_animation_preview(*w, 3, 0));
  ASSERT_TRUE(wait_idle(60));
  ASSERT_EQ(w->job.env.frame_store.size(), 3u);
  const std::string rendered = pixbuf_bytes(w->job.env.frame_store[1].get());
  gdk_pixbuf_fill(w->job.env.frame_store[1].get(), 0);  // a frame gone wrong

  // Offered in extra mode only.
  GList *bars = gtk_container_get_children(GTK_CONTAINER(w->menu_bar));
  GtkMenuItem *preview_menu = GTK_MENU_ITEM(g_list_nth_data(bars, 2));
  g_list_free(bars);
  gtk_menu_item_activate(preview_menu);
  EXPECT_FALSE(gtk_widget_get_visible(w->rerender_item));
  const auto mode =
      qv_global_parasite_listed("qv-menu") ? qv_global_string_get("qv-menu") : std::nullopt;
  qv_global_string_set("qv-menu", "extra");
  gtk_menu_item_activate(preview_menu);
  EXPECT_TRUE(gtk_widget_get_visible(w->rerender_item));

  qv_animation_show_frame(*w, 1);
  gtk_menu_item_activate(GTK_MENU_ITEM(w->rerender_item));
  ASSERT_EQ(w->job.env.frame_store.size(), 3u);
  EXPECT_TRUE(pixbuf_bytes(w->job.env.frame_store[1].get()) == rendered);
  EXPECT_FALSE(qv_rendering_in_progress());
  if (mode)
    qv_global_string_set("qv-menu", *mode);
  else
    gimp_detach_parasite("qv-menu");
}

}  // namespace
