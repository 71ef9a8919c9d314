// The animation window's frame job in the real GIMP: keyspline previews fill
// the frame store with the frames their counts promise, matching what
// "plug-in-qv-path-draw" draws at the same t; saving and loading frames go
// through numbered files; a cancelled job keeps its frames; bad files stop
// a load with a message.
#include <gtest/gtest.h>

#include <glib/gstdio.h>

#include <string>

#include "core/qv_glib_ptr.h"
#include "gimp/base/qv_render_session.h"
#include "gimp/render/qv_frame_job_gimp.h"
#include "gimp/style/qv_style_gimp.h"
#include "live_support.h"

namespace {

struct FrameJobLive : ::testing::Test {
  QVTestImage image{40, 40};
  std::string dir = qv_take_string(g_dir_make_tmp("qv-frame-job-XXXXXX", nullptr));
  QVFrameJobRun run;

  void SetUp() override {
    qv_test_add_colour_keyspline(image.id);
    run.image = image.id;
    run.paths = {"[@] colour"};
  }
  void TearDown() override {
    qv_rendering_flag(false);
    qv_test_remove_folder(dir);
  }
  // Runs a job to its end as the window's main loop would; the number of calls.
  int finish(QVFrameJobKind kind, long count, const std::string &files = "", double t0 = 0) {
    run.job.kind = kind;
    run.job.count = count;
    run.job.t0 = t0;
    run.job.files = qv_frame_name_split(files);
    run.index = -1;
    int calls = 0;
    while (qv_frame_job_step(run)) ++calls;
    return calls + 1;
  }
  QVTestPixel stored(size_t frame) {
    const GdkPixbuf *p = run.env.frame_store.at(frame).get();
    const guint8 *at = gdk_pixbuf_get_pixels(p) + 20 * gdk_pixbuf_get_rowstride(p) + 20 * 3;
    return {at[0], at[1], at[2], 255};
  }
  // What "plug-in-qv-path-draw" draws at t on the image, which is white
  // again afterwards. (The frames are drawn on copies, so the image is as
  // the job found it.)
  QVTestPixel drawn_at(double t) {
    gint n = 0;
    GimpParam *values =
        gimp_run_procedure("plug-in-qv-path-draw", &n, GIMP_PDB_IMAGE, image.id, GIMP_PDB_STRING,
                           "[@] colour", GIMP_PDB_FLOAT, t, GIMP_PDB_END);
    gimp_destroy_params(values, n);
    const QVTestPixel p = qv_test_pixel(image.layer, 20, 20);
    gimp_drawable_fill(image.layer, GIMP_FILL_WHITE);
    return p;
  }
};

bool near(const QVTestPixel &a, const QVTestPixel &b) {
  for (int i = 0; i < 3; ++i)
    if (std::abs(a[i] - b[i]) > 3) return false;
  return true;
}

TEST_F(FrameJobLive, PreviewCountsFillTheStoreAsPathDrawDrawsAtTheirT) {
  struct Case {
    long count;
    double t0;
    std::vector<double> ts;  // of the frames checked, in store order
  } cases[] = {
      {1, 1.0, {1.0}},                         // "   last frame"
      {2, 0.0, {0.0, 1.0}},                    // "   2 frames"
      {-12, 0.0, {0.0, 1.0 / 12, 0.25, 0.5}},  // a loop: t = i / 12
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.count);
    finish(QVFrameJobKind::preview, c.count, "", c.t0);
    EXPECT_TRUE(run.failure.empty()) << run.failure;
    ASSERT_EQ(run.env.frame_store.size(), size_t(std::labs(c.count)));
    for (size_t i = 0; i < c.ts.size(); ++i) {
      const size_t frame = c.count == -12 ? size_t(c.ts[i] * 12 + 0.5) : i;
      EXPECT_TRUE(near(stored(frame), drawn_at(c.ts[i])))
          << "frame " << frame << ": " << qv_test_pixel_text(stored(frame)) << " drawn "
          << qv_test_pixel_text(drawn_at(c.ts[i]));
    }
  }
  EXPECT_FALSE(qv_rendering_in_progress());          // the job took its marker down
  EXPECT_EQ(finish(QVFrameJobKind::preview, 0), 1);  // no frames: over at once
  EXPECT_FALSE(qv_rendering_in_progress());
}

TEST_F(FrameJobLive, SavedFramesLoadBackAndBadFilesStopTheLoad) {
  finish(QVFrameJobKind::preview, 3);
  ASSERT_EQ(run.env.frame_store.size(), 3u);
  run.in = 1;
  finish(QVFrameJobKind::save, 2, dir + "/kept_007.png");
  EXPECT_TRUE(run.failure.empty()) << run.failure;
  EXPECT_EQ(run.env.frame_store.size(), 3u);  // saving leaves the store as it is
  for (const char *name : {"kept_007.png", "kept_008.png"})
    EXPECT_TRUE(g_file_test((dir + "/" + name).c_str(), G_FILE_TEST_IS_REGULAR)) << name;
  EXPECT_FALSE(g_file_test((dir + "/kept_007.png.part").c_str(), G_FILE_TEST_EXISTS));

  finish(QVFrameJobKind::load_numbered, 2, dir + "/kept_007.png");
  ASSERT_EQ(run.env.frame_store.size(), 2u);
  EXPECT_TRUE(near(stored(0), {128, 0, 128, 255}));  // t = 0.5
  EXPECT_TRUE(near(stored(1), {0, 0, 255, 255}));    // t = 1

  // A third file that is not a picture: the two before it stay.
  g_file_set_contents((dir + "/kept_009.png").c_str(), "not a picture", -1, nullptr);
  finish(QVFrameJobKind::load_numbered, 3, dir + "/kept_007.png");
  EXPECT_NE(run.failure, "");
  EXPECT_EQ(run.env.frame_store.size(), 2u);

  // A format the saver does not write is refused before any file is made.
  finish(QVFrameJobKind::save, 1, dir + "/frame_000.xyz");
  EXPECT_EQ(run.failure, "File not saved, invalid format!");
  EXPECT_FALSE(g_file_test((dir + "/frame_000.xyz").c_str(), G_FILE_TEST_EXISTS));
}

TEST_F(FrameJobLive, CancelKeepsTheFramesDoneAndTakesTheMarkerDown) {
  run.job.kind = QVFrameJobKind::preview;
  run.job.count = 30;
  run.index = -1;
  ASSERT_TRUE(qv_frame_job_step(run));  // begins
  ASSERT_TRUE(qv_frame_job_step(run));
  ASSERT_TRUE(qv_frame_job_step(run));
  EXPECT_TRUE(qv_rendering_in_progress());
  qv_frame_job_stop(run);  // Cancel
  EXPECT_FALSE(qv_frame_job_step(run));
  EXPECT_EQ(run.env.frame_store.size(), 2u);
  EXPECT_FALSE(qv_rendering_in_progress());
}

}  // namespace
