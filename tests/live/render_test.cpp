// Timeline rendering in the real GIMP: frames saved under numbered names,
// entries appearing, fading, repeating and freezing at the frames their
// times give, interlaced fields, renders on a copy and on the image, and a
// timeline that would render itself.
#include <gtest/gtest.h>

#include <glib/gstdio.h>
#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "core/qv_glib_ptr.h"
#include "gimp/animate/qv_draw_current.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_render_session.h"
#include "gimp/render/qv_frame_job_gimp.h"
#include "gimp/render/qv_render.h"
#include "gimp/render/qv_render_save.h"
#include "gimp/style/qv_style_gimp.h"
#include "gimp/timeline/qv_timeline_gimp.h"
#include "gimp/ui/qv_dialogs.h"
#include "gimp/ui/qv_main_loop.h"
#include "live_support.h"

namespace {

const QVTestPixel kWhite = {255, 255, 255, 255};

::testing::AssertionResult near(const QVTestPixel &actual, const QVTestPixel &expected,
                                int tolerance = 3) {
  for (int i = 0; i < 3; ++i)
    if (std::abs(actual[i] - expected[i]) > tolerance)
      return ::testing::AssertionFailure() << "pixel " << qv_test_pixel_text(actual) << " expected "
                                           << qv_test_pixel_text(expected);
  return ::testing::AssertionSuccess();
}

struct RenderLive : ::testing::Test {
  QVTestImage image{40, 40};
  std::string dir = qv_take_string(g_dir_make_tmp("qv-render-XXXXXX", nullptr));
  QVTimeline timeline = qv_timeline_new(std::string("Main"));

  void SetUp() override {
    qv_test_add_colour_keyspline(image.id);
    timeline.header.fps = 10;
    timeline.header.outpoint_mode = QV_OUT_EXPLICIT;
    timeline.header.outpoint = 5;
  }
  void TearDown() override {
    qv_rendering_flag(false);
    qv_test_remove_folder(dir);
  }

  QVanimChunk &add_entry(double begin, double duration) {
    QVanimChunk entry;
    entry.group_id = 1;
    entry.path_name = std::string("[@] colour");
    entry.drawable_tattoo = static_cast<int32_t>(gimp_item_get_tattoo(image.layer));
    entry.begin = begin;
    entry.duration = duration;
    entry.script_name.reset();
    entry.script_text.reset();
    return qv_timeline_add_entry(timeline, entry);
  }

  // Rendering stores the image's paths as its current path group (number 1
  // in a new image), which the entries name.
  void store() { qv_timeline_store_current(image.id, timeline); }

  std::string frame(int number) {
    return dir + "/frame_" + (number < 10 ? "00" : "0") + std::to_string(number) + ".png";
  }

  // The middle pixel of a saved frame.
  QVTestPixel saved_pixel(int number, int y = 20) {
    const gint32 loaded =
        gimp_file_load(GIMP_RUN_NONINTERACTIVE, frame(number).c_str(), frame(number).c_str());
    if (loaded < 1) return {-1, -1, -1, -1};
    const QVTestPixel p = qv_test_pixel(gimp_image_get_active_drawable(loaded), 20, y);
    gimp_image_delete(loaded);
    return p;
  }

  QVTestPixel pixel_at_frame(int number) {
    EXPECT_EQ(qv_render_and_save(image.id, "Main", frame(number), 1), 1) << "frame " << number;
    return saved_pixel(number);
  }
};

// The animation window's timeline job: saving 25 frames with preview step
// 10 writes all 25 and keeps frames 0, 10, 20 and 24 in memory, the same
// pixels as the files; previewing only renders just those four.
TEST_F(RenderLive, TimelineFrameJobKeepsEveryPreviewStepthFrame) {
  add_entry(0, 2.5);
  timeline.header.preview_step = 10;
  store();
  QVFrameJobRun run;
  run.image = image.id;
  ASSERT_TRUE(qv_frame_job_setup_timeline(run, "Main", frame(0), 25, true));
  while (qv_frame_job_step(run)) {
  }
  EXPECT_EQ(run.failure, "");
  for (int n = 0; n < 25; ++n) EXPECT_TRUE(g_file_test(frame(n).c_str(), G_FILE_TEST_EXISTS)) << n;
  EXPECT_FALSE(g_file_test(frame(25).c_str(), G_FILE_TEST_EXISTS));
  ASSERT_EQ(run.env.frame_store.size(), 4u);
  const GdkPixbuf *tenth = run.env.frame_store[1].get();
  const guint8 *p = gdk_pixbuf_get_pixels(tenth) + 20 * gdk_pixbuf_get_rowstride(tenth) + 20 * 3;
  EXPECT_TRUE(near({p[0], p[1], p[2], 255}, saved_pixel(10)));

  ASSERT_TRUE(qv_frame_job_setup_timeline(run, "Main", dir + "/look_000.png", 25, false));
  int calls = 0;
  while (qv_frame_job_step(run)) ++calls;
  EXPECT_EQ(calls, 4);  // the first call begins; then frames 0, 10, 20 and 24
  EXPECT_EQ(run.env.frame_store.size(), 4u);
  EXPECT_FALSE(g_file_test((dir + "/look_000.png").c_str(), G_FILE_TEST_EXISTS));
  EXPECT_FALSE(qv_rendering_in_progress());
}

TEST_F(RenderLive, ThreeFramesFromFrameSevenGetTheirNumbers) {
  add_entry(0, 1);
  store();
  ASSERT_EQ(qv_render_and_save(image.id, "Main", frame(7), 3), 1);
  for (int n : {7, 8, 9}) EXPECT_TRUE(g_file_test(frame(n).c_str(), G_FILE_TEST_EXISTS)) << n;
  EXPECT_FALSE(g_file_test(frame(6).c_str(), G_FILE_TEST_EXISTS));
  EXPECT_FALSE(g_file_test(frame(10).c_str(), G_FILE_TEST_EXISTS));
  // 0.7 s into a 1 s pass from red to blue.
  EXPECT_TRUE(near(saved_pixel(7), {77, 0, 179, 255}));
  EXPECT_EQ(qv_global_string_get("qv-last-saved-frame").value_or(""), frame(9));
  // The image itself is as it was: only copies were drawn on.
  EXPECT_TRUE(near(qv_test_pixel(image.layer, 20, 20), kWhite));
  EXPECT_EQ(qv_test_path_names(image.id).size(), 2u);
}

// Rendering writes bookkeeping into the image (the path-group snapshot); an
// image that was clean stays clean unless the render drew on it.
TEST_F(RenderLive, RendersOnCopiesLeaveACleanImageClean) {
  add_entry(0, 1);
  store();
  gimp_image_clean_all(image.id);
  ASSERT_EQ(qv_render_and_save(image.id, "Main", frame(0), 1), 1);
  EXPECT_FALSE(gimp_image_is_dirty(image.id)) << "render and save";
  const gint32 copy = qv_timeline_render_at(image.id, "Main", 0.5, 0);
  ASSERT_GT(copy, 0);
  gimp_image_delete(copy);
  EXPECT_FALSE(gimp_image_is_dirty(image.id)) << "render on a copy";

  ASSERT_EQ(qv_timeline_render_at(image.id, "Main", 0.5, QV_RENDER_ON_SOURCE), image.id);
  EXPECT_TRUE(gimp_image_is_dirty(image.id)) << "a render on the image changes it";
  ASSERT_EQ(qv_render_and_save(image.id, "Main", frame(1), 1), 1);
  EXPECT_TRUE(gimp_image_is_dirty(image.id)) << "a changed image stays changed";
}

TEST_F(RenderLive, EntriesAppearFadeFreezeAndGoAtTheirTimes) {
  QVanimChunk &e = add_entry(1, 1);
  e.fade_in = 0.5;
  e.freeze_after = 0.5;
  e.fade_out = 0.5;
  store();
  EXPECT_TRUE(near(pixel_at_frame(3), kWhite));                 // not yet faded in
  EXPECT_TRUE(near(pixel_at_frame(7), {255, 153, 153, 255}));   // red at 40 %
  EXPECT_TRUE(near(pixel_at_frame(15), {128, 0, 128, 255}));    // halfway
  EXPECT_TRUE(near(pixel_at_frame(22), {0, 0, 255, 255}));      // frozen at its end
  EXPECT_TRUE(near(pixel_at_frame(27), {102, 102, 255, 255}));  // fading out
  EXPECT_TRUE(near(pixel_at_frame(31), kWhite));                // gone
}

TEST_F(RenderLive, RepeatsRunThePassAgain) {
  QVanimChunk &e = add_entry(0, 1);
  e.repeat = -1;
  store();
  EXPECT_TRUE(near(pixel_at_frame(25), {128, 0, 128, 255}));  // third pass, halfway
}

TEST_F(RenderLive, InterlacedFieldsInterleaveRows) {
  // One frame per second: the second field is half a pass later.
  add_entry(1, 1);
  timeline.header.fps = 1;
  timeline.header.interlace = QV_INTERLACED_PAL;
  store();
  ASSERT_EQ(qv_render_and_save(image.id, "Main", frame(1), 1), 1);
  EXPECT_TRUE(near(saved_pixel(1, 21), {255, 0, 0, 255}));    // odd rows: first field
  EXPECT_TRUE(near(saved_pixel(1, 20), {128, 0, 128, 255}));  // even rows: second field

  timeline.header.interlace = QV_INTERLACED_NTSC;
  qv_timeline_store_current(image.id, timeline);
  ASSERT_EQ(qv_render_and_save(image.id, "Main", frame(1), 1), 1);
  EXPECT_TRUE(near(saved_pixel(1, 21), {128, 0, 128, 255}));
  EXPECT_TRUE(near(saved_pixel(1, 20), {255, 0, 0, 255}));
}

TEST_F(RenderLive, RenderAtGivesACopyOrDrawsOnTheImage) {
  add_entry(1, 2);
  store();
  // x 0.4 of 0..5 s is 2 s, halfway through the pass.
  const gint32 copy = qv_timeline_render_at(image.id, "Main", 0.4, 0);
  ASSERT_GT(copy, 0);
  EXPECT_NE(copy, image.id);
  EXPECT_TRUE(
      near(qv_test_pixel(gimp_image_get_active_drawable(copy), 20, 20), {128, 0, 128, 255}));
  EXPECT_EQ(qv_test_parasite(copy, QV_RENDER_DUPLICATE_MARK), "<none>");
  gimp_image_delete(copy);
  EXPECT_TRUE(near(qv_test_pixel(image.layer, 20, 20), kWhite));
  EXPECT_FALSE(qv_rendering_in_progress());

  EXPECT_EQ(qv_timeline_render_at(image.id, "Main", 0.2, QV_RENDER_ON_SOURCE), image.id);
  EXPECT_TRUE(near(qv_test_pixel(image.layer, 20, 20), {255, 0, 0, 255}));
}

TEST_F(RenderLive, ATimelineThatRendersItselfStops) {
  // The keyspline asks for the timeline it is drawn by.
  qv_path_set_style_attribute(image.id, "[@] colour", {{"@-timeline: ", "Main"}});
  add_entry(0, 1);
  store();
  const gint32 copy = qv_timeline_render_at(image.id, "Main", 0.1, 0);
  ASSERT_GT(copy, 0);
  gimp_image_delete(copy);
  EXPECT_FALSE(qv_global_string_get("qv-timelines-in-progress"));
}

// An entry whose group or path is gone is reported and left out; the
// entries that can be drawn still are, and the render succeeds.
TEST_F(RenderLive, EntriesNamingMissingGroupsOrPathsAreLeftOut) {
  add_entry(0, 1);
  add_entry(0, 1).group_id = 7;
  QVanimChunk &gone = add_entry(0, 1);
  gone.path_name = std::string("[@] gone");
  gone.path_tattoo = 9999;
  QVanimChunk &in_file = add_entry(0, 1);
  in_file.group_file = dir + "/no-such-groups.qvg";
  store();
  ASSERT_EQ(qv_render_and_save(image.id, "Main", frame(5), 3), 1);
  for (int n : {5, 6, 7}) EXPECT_TRUE(g_file_test(frame(n).c_str(), G_FILE_TEST_EXISTS)) << n;
  EXPECT_TRUE(near(saved_pixel(5), {128, 0, 128, 255}));
}

// Five seconds at 10 fps end at frame 50: a request for as many frames as
// an int holds renders the two that are left, one from past the end none.
TEST_F(RenderLive, RequestsPastTheOutpointStopThere) {
  add_entry(0, 1);
  store();
  ASSERT_EQ(qv_render_and_save(image.id, "Main", dir + "/frame_048.png", G_MAXINT32), 1);
  EXPECT_TRUE(g_file_test(frame(49).c_str(), G_FILE_TEST_EXISTS));
  EXPECT_FALSE(g_file_test((dir + "/frame_050.png").c_str(), G_FILE_TEST_EXISTS));
  EXPECT_EQ(qv_render_and_save(image.id, "Main", dir + "/frame_060.png", 3), 0);
  EXPECT_FALSE(g_file_test((dir + "/frame_060.png").c_str(), G_FILE_TEST_EXISTS));
}

// A damaged recent or rest parasite does not hide the current timeline:
// it renders, and the damaged parasite stays byte for byte as it was.
TEST_F(RenderLive, DamagedTimelineParasitesDoNotHideTheCurrentOne) {
  add_entry(0, 1);
  store();
  const std::string junk = "AHDRnot a timeline";
  for (const char *name : {QV_TIMELINE_RECENT_PARASITE, QV_TIMELINE_REST_PARASITE}) {
    qv_parasite_attach(image.id, name, GIMP_PARASITE_PERSISTENT, junk.size(), junk.data());
    EXPECT_EQ(qv_render_and_save(image.id, "Main", frame(3), 1), 1) << name;
    EXPECT_TRUE(g_file_test(frame(3).c_str(), G_FILE_TEST_EXISTS)) << name;
    g_remove(frame(3).c_str());
    EXPECT_EQ(qv_test_parasite(image.id, name), junk) << name;
  }
}

TEST_F(RenderLive, BadRequestsRenderNothing) {
  add_entry(0, 1);
  store();
  EXPECT_EQ(qv_render_and_save(image.id, "No such timeline", frame(1), 2), 0);
  EXPECT_EQ(qv_render_and_save(image.id, "Main", frame(1), 0), 0);
  EXPECT_EQ(qv_render_and_save(4242, "Main", frame(1), 1), 0);
  // A folder that does not exist: the first frame fails, nothing is left.
  EXPECT_EQ(qv_render_and_save(image.id, "Main", dir + "/missing/frame_001.png", 2), -1);
  EXPECT_FALSE(g_file_test((dir + "/missing").c_str(), G_FILE_TEST_EXISTS));
  EXPECT_EQ(qv_timeline_render_at(image.id, "No such timeline", 0.5, 0), -1);
  EXPECT_FALSE(qv_rendering_in_progress());
  // No duplicate is left open.
  gint count = 0;
  g_free(gimp_image_list(&count));
  EXPECT_EQ(count, 1);
}

}  // namespace

// --- Keyspline lists ----------------------------------------------------------------

namespace {

struct RenderLiveList : RenderLive {
  void SetUp() override {
    RenderLive::SetUp();
    qv_rendering_flag(true);
  }
  std::string file(const std::string &name) { return dir + "/" + name; }
  QVTestPixel file_pixel(const std::string &name, int y = 20) {
    const std::string path = file(name);
    const gint32 loaded = gimp_file_load(GIMP_RUN_NONINTERACTIVE, path.c_str(), path.c_str());
    if (loaded < 1) return {-1, -1, -1, -1};
    const QVTestPixel p = qv_test_pixel(gimp_image_get_active_drawable(loaded), 20, y);
    gimp_image_delete(loaded);
    return p;
  }
  int render(const std::string &name, long frames, int flags, double t0 = 0, double t1 = 1) {
    return qv_render_frames(image.id, {"[@] colour"}, file(name), frames, flags, t0, t1, nullptr);
  }
};

const int kSave = QV_RENDER_SAVE | QV_RENDER_FLATTEN;

TEST_F(RenderLiveList, FramesRunFromTStartToTEndUnderNumberedNames) {
  ASSERT_EQ(render("shot_005.png", 3, kSave), 1);
  EXPECT_TRUE(near(file_pixel("shot_005.png"), {255, 0, 0, 255}));
  EXPECT_TRUE(near(file_pixel("shot_006.png"), {128, 0, 128, 255}));
  EXPECT_TRUE(near(file_pixel("shot_007.png"), {0, 0, 255, 255}));
  EXPECT_FALSE(g_file_test(file("shot_008.png").c_str(), G_FILE_TEST_EXISTS));

  ASSERT_EQ(render("clip.png", 2, kSave), 1);
  EXPECT_TRUE(g_file_test(file("clip0.png").c_str(), G_FILE_TEST_EXISTS));
  EXPECT_TRUE(g_file_test(file("clip1.png").c_str(), G_FILE_TEST_EXISTS));
}

TEST_F(RenderLiveList, ALoopStopsShortOfItsFirstPicture) {
  ASSERT_EQ(render("loop_1.png", -4, kSave), 1);
  EXPECT_TRUE(near(file_pixel("loop_1.png"), {255, 0, 0, 255}));
  EXPECT_TRUE(near(file_pixel("loop_4.png"), {64, 0, 191, 255}));  // t = 0.75
  EXPECT_FALSE(g_file_test(file("loop_5.png").c_str(), G_FILE_TEST_EXISTS));
}

TEST_F(RenderLiveList, NamesWithoutExtensionOrNoFramesRenderNothing) {
  EXPECT_EQ(render("no-extension", 2, kSave), 0);
  EXPECT_EQ(render("none.png", 0, kSave), 1);
  EXPECT_FALSE(g_file_test(file("none0.png").c_str(), G_FILE_TEST_EXISTS));
}

TEST_F(RenderLiveList, InterlacedFieldsAreHalfAFrameApart) {
  ASSERT_EQ(render("field_0.png", 3, kSave | QV_RENDER_INTERLACED), 1);
  EXPECT_TRUE(near(file_pixel("field_0.png", 21), {255, 0, 0, 255}));   // odd rows: t = 0
  EXPECT_TRUE(near(file_pixel("field_0.png", 20), {191, 0, 64, 255}));  // even rows: t = 0.25
}

TEST_F(RenderLiveList, PreviewFramesGoToTheFrameStore) {
  QVpathAnimationEnvironment env;
  env.source = image.id;
  env.flags = QV_RENDER_FRAME_STORE;
  ASSERT_EQ(qv_render_frames(image.id, {"[@] colour"}, "", 2, QV_RENDER_FRAME_STORE, 0, 1, &env),
            1);
  ASSERT_EQ(env.frame_store.size(), 2u);
  const GdkPixbuf *last = env.frame_store.back().get();
  EXPECT_EQ(gdk_pixbuf_get_width(last), 40);
  const guint8 *p = gdk_pixbuf_get_pixels(last) + 20 * gdk_pixbuf_get_rowstride(last) + 20 * 3;
  EXPECT_TRUE(near({p[0], p[1], p[2], 255}, {0, 0, 255, 255}));
  EXPECT_FALSE(g_file_test("preview_001.xcf", G_FILE_TEST_EXISTS));
}

}  // namespace

// --- The Render Timeline dialog (needs a display) ----------------------------------

namespace {

struct DialogAnswer {
  gint response;
  bool answered = false;
  int attempts = 0;
};

gboolean answer_render_timeline(gpointer data) {
  auto *a = static_cast<DialogAnswer *>(data);
  GtkWidget *dialog = qv_test_visible_dialog("Render Timeline");
  if (!dialog) return ++a->attempts < 200;
  a->answered = true;
  gtk_dialog_response(GTK_DIALOG(dialog), a->response);
  return FALSE;
}

struct RenderDialog : RenderLive {
  void SetUp() override {
    ASSERT_TRUE(qv_dialog_toolkit_init()) << "no display";
    RenderLive::SetUp();
    add_entry(0, 1);
    store();
    const std::string timeline_name = "Main", first = frame(5);
    qv_parasite_attach(image.id, "qv-last-rendered-timeline", GIMP_PARASITE_PERSISTENT,
                       timeline_name.size() + 1, timeline_name.c_str());
    qv_parasite_attach(image.id, "qv-last-rendered-startframe", GIMP_PARASITE_PERSISTENT,
                       first.size() + 1, first.c_str());
    const guint32 two = GUINT32_TO_BE(2);
    qv_parasite_attach(image.id, "qv-last-rendered-amount-frames", GIMP_PARASITE_PERSISTENT, 4,
                       &two);
  }
};

TEST_F(RenderDialog, OkRendersTheRememberedFramesWithTheProgressWindow) {
  DialogAnswer ok{GTK_RESPONSE_OK};
  g_timeout_add(50, answer_render_timeline, &ok);
  gimp_image_clean_all(image.id);
  EXPECT_EQ(qv_render_timeline_dialog(image.id), 1);
  EXPECT_TRUE(ok.answered);
  EXPECT_FALSE(gimp_image_is_dirty(image.id)) << "the remembered settings are no change to save";
  EXPECT_TRUE(g_file_test(frame(5).c_str(), G_FILE_TEST_EXISTS));
  EXPECT_TRUE(g_file_test(frame(6).c_str(), G_FILE_TEST_EXISTS));
  EXPECT_FALSE(g_file_test(frame(7).c_str(), G_FILE_TEST_EXISTS));
}

TEST_F(RenderDialog, CancelRendersNothing) {
  DialogAnswer cancel{GTK_RESPONSE_CANCEL};
  g_timeout_add(50, answer_render_timeline, &cancel);
  EXPECT_EQ(qv_render_timeline_dialog(image.id), -1);
  EXPECT_TRUE(cancel.answered);
  EXPECT_FALSE(g_file_test(frame(5).c_str(), G_FILE_TEST_EXISTS));
}

// --- The Render&Save progress window (needs a display) ---------------------------

// Saves the window as it shows now, for a look by eye, when
// QV_SCREENSHOT_DIR names a folder.
void save_screenshot(GtkWidget *window, const std::string &name) {
  const char *dir = g_getenv("QV_SCREENSHOT_DIR");
  if (!dir || !gtk_widget_get_realized(window)) return;
  gdk_window_process_all_updates();
  gdk_flush();
  int width = 0, height = 0;
  gdk_drawable_get_size(window->window, &width, &height);
  GdkPixbuf *shot =
      gdk_pixbuf_get_from_drawable(nullptr, window->window, nullptr, 0, 0, 0, 0, width, height);
  if (!shot) return;
  gdk_pixbuf_save(shot, (std::string(dir) + "/" + name).c_str(), "png", nullptr, nullptr);
  g_object_unref(shot);
}

const char *bar_text(GtkWidget *window) {
  GtkWidget *bar = qv_test_find_widget(window, GTK_TYPE_PROGRESS_BAR);
  const char *text = bar ? gtk_progress_bar_get_text(GTK_PROGRESS_BAR(bar)) : nullptr;
  return text ? text : "";
}

bool source_exists(guint id) {
  return id != 0 && g_main_context_find_source_by_id(nullptr, id) != nullptr;
}

// Watches the progress window and acts once, while the second of three
// frames waits for its save step.
struct ProgressWatch {
  void (*act)(GtkWidget *window) = nullptr;
  QVTimeoutHolder poll;
  int attempts = 0;
  bool acted = false;
  guint pending_step = 0;      // the window's step when it acted
  bool step_was_live = false;  // that step existed then
};

void press_cancel(GtkWidget *window) {
  save_screenshot(window, "render-save.png");
  gtk_button_clicked(GTK_BUTTON(qv_test_find_widget(window, GTK_TYPE_BUTTON)));
}

void destroy_window(GtkWidget *window) { gtk_widget_destroy(window); }

gboolean watch_progress(gpointer data) {
  auto *watch = static_cast<ProgressWatch *>(data);
  GtkWidget *window = qv_test_visible_dialog("Render&Save");
  if (!window || std::string(bar_text(window)).rfind("2/3 ", 0) != 0) {
    if (++watch->attempts < 500) return TRUE;
    watch->poll.release();
    return FALSE;
  }
  watch->poll.release();
  watch->acted = true;
  watch->pending_step = qv_render_progress_pending_step(window);
  watch->step_was_live = source_exists(watch->pending_step);
  watch->act(window);
  return FALSE;
}

struct RenderDialogProgress : RenderDialog {
  ProgressWatch watch;
  gint32 render_three(void (*act)(GtkWidget *)) {
    watch.act = act;
    watch.poll.start(20, watch_progress, &watch);
    return qv_render_and_save(image.id, "Main", frame(5), 3);
  }
};

TEST_F(RenderDialogProgress, CancelDuringTheSecondFrameEndsAfterThatFrame) {
  EXPECT_EQ(render_three(press_cancel), -1);
  ASSERT_TRUE(watch.acted) << "the second frame never showed";
  EXPECT_TRUE(watch.step_was_live);
  EXPECT_TRUE(g_file_test(frame(5).c_str(), G_FILE_TEST_EXISTS));
  EXPECT_TRUE(near(saved_pixel(6), {102, 0, 153, 255})) << "the running frame is finished whole";
  EXPECT_FALSE(g_file_test(frame(7).c_str(), G_FILE_TEST_EXISTS));
  EXPECT_FALSE(source_exists(watch.pending_step));
  EXPECT_FALSE(qv_test_visible_dialog("Render&Save"));
}

// A window that dies before its last frame (with its parent, say) ends the
// job as cancelled, and its pending step dies with it instead of firing
// into a destroyed window.
TEST_F(RenderDialogProgress, ADestroyedWindowCancelsAndTakesItsStepAlong) {
  EXPECT_EQ(render_three(destroy_window), -1);
  ASSERT_TRUE(watch.acted);
  EXPECT_TRUE(watch.step_was_live);
  EXPECT_FALSE(source_exists(watch.pending_step));
  EXPECT_TRUE(g_file_test(frame(5).c_str(), G_FILE_TEST_EXISTS));
  g_usleep(400 * 1000);
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
  EXPECT_FALSE(g_file_test(frame(6).c_str(), G_FILE_TEST_EXISTS));
  EXPECT_FALSE(qv_rendering_in_progress());
}

// --- The Render Timeline dialog's fields -----------------------------------------

TEST_F(RenderDialog, TheDialogShowsAndReturnsTheChoice) {
  const QVRenderTimelineDialog d = qv_render_timeline_dialog_build(image.id, {"Main", frame(5), 2});
  gtk_widget_show_all(d.dialog.get());
  save_screenshot(d.dialog.get(), "render-timeline.png");
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(d.frame_count)), "50 frames in");
  EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(d.timeline)), "Main");
  EXPECT_FALSE(gtk_editable_get_editable(GTK_EDITABLE(d.timeline)));
  EXPECT_TRUE(gtk_entry_get_activates_default(GTK_ENTRY(d.first_frame)));
  const QVRenderChoice chosen = qv_render_timeline_dialog_chosen(d);
  EXPECT_EQ(chosen.timeline, "Main");
  EXPECT_EQ(chosen.first_frame, frame(5));
  EXPECT_EQ(chosen.frames, 2);
  GtkRequisition a{}, b{};
  gtk_widget_size_request(d.timeline_button, &a);
  gtk_widget_size_request(d.frame_button, &b);
  EXPECT_EQ(a.width, b.width) << "the two buttons line up";
}

TEST_F(RenderDialog, WithoutAFirstFrameTheTimelinesFrameNameStandsIn) {
  timeline.header.frame_fname = frame(9);
  store();
  const QVRenderTimelineDialog named = qv_render_timeline_dialog_build(image.id, {"Main", "", 1});
  EXPECT_EQ(qv_render_timeline_dialog_chosen(named).first_frame, frame(9));
  const QVRenderTimelineDialog remembered =
      qv_render_timeline_dialog_build(image.id, {"Main", frame(3), 1});
  EXPECT_EQ(qv_render_timeline_dialog_chosen(remembered).first_frame, frame(3));
  const QVRenderTimelineDialog none = qv_render_timeline_dialog_build(image.id, {"", "", 1});
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(none.frame_count)), "??? frames in");
}

}  // namespace
