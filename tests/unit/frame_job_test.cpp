// The frame job's decisions: the t of each preview frame, the frames kept in
// memory and skipped, the file names and the progress text.
#include <gtest/gtest.h>

#include <vector>

#include "core/qv_frame_job.h"
#include "core/qv_render_timing.h"

namespace {

QVFrameJob preview(long count, double t0 = 0) {
  QVFrameJob job;
  job.kind = QVFrameJobKind::preview;
  job.count = count;
  job.t0 = t0;
  return job;
}

std::vector<double> preview_ts(const QVFrameJob &job) {
  std::vector<double> ts;
  for (long i = 0; !qv_frame_job_done(job, i); i = qv_frame_job_next(job, i))
    ts.push_back(qv_frame_job_t(job, i).t);
  return ts;
}

TEST(FrameJob, PreviewCountsSpreadTAsTheMenuPromises) {
  // "   last frame": one frame at t = 1.
  const QVPreviewChoice &last = qv_preview_choices().front();
  EXPECT_EQ(preview_ts(preview(last.count, last.t0)), std::vector<double>{1.0});
  EXPECT_EQ(preview_ts(preview(2)), (std::vector<double>{0.0, 1.0}));
  EXPECT_EQ(preview_ts(preview(3)), (std::vector<double>{0.0, 0.5, 1.0}));
  // A loop of 12 leaves out t = 1, where the loop begins again.
  const std::vector<double> loop = preview_ts(preview(-12));
  ASSERT_EQ(loop.size(), 12u);
  for (size_t i = 0; i < loop.size(); ++i) EXPECT_DOUBLE_EQ(loop[i], i / 12.0);
  // The second field lies half a frame later.
  EXPECT_DOUBLE_EQ(qv_frame_job_t(preview(3), 1).second_field, 0.75);
}

TEST(FrameJob, SavingWithAPreviewStepKeepsEveryStepthFrameAndTheLast) {
  QVFrameJob job;
  job.kind = QVFrameJobKind::timeline;
  job.count = 25;
  job.flags = QV_RENDER_SAVE | QV_RENDER_FRAME_STORE;
  job.preview_step = 10;
  std::vector<long> kept, rendered;
  for (long i = 0; !qv_frame_job_done(job, i); i = qv_frame_job_next(job, i)) {
    rendered.push_back(i);
    if (qv_frame_job_flags(job, i) & QV_RENDER_FRAME_STORE) kept.push_back(i);
    EXPECT_TRUE(qv_frame_job_flags(job, i) & QV_RENDER_SAVE);
  }
  EXPECT_EQ(kept, (std::vector<long>{0, 10, 20, 24}));
  EXPECT_EQ(rendered.size(), 25u);  // every frame is saved
  // Only previewing, the job skips to the kept frames.
  job.flags = QV_RENDER_FRAME_STORE;
  rendered.clear();
  for (long i = 0; !qv_frame_job_done(job, i); i = qv_frame_job_next(job, i)) rendered.push_back(i);
  EXPECT_EQ(rendered, (std::vector<long>{0, 10, 20, 24}));
}

TEST(FrameJob, FilesAndProgressText) {
  QVFrameJob job;
  job.kind = QVFrameJobKind::save;
  job.count = 3;
  job.files = qv_frame_name_split("/out/shot_007.png");
  EXPECT_EQ(qv_frame_job_file(job, 2), "/out/shot_009.png");
  EXPECT_EQ(qv_frame_job_progress_text(job, 0), "1/3 frames to save");
  // One frame saved under a name without digits keeps that name.
  QVFrameJob one = job;
  one.count = 1;
  one.files = qv_frame_name_split("/out/poster.png");
  EXPECT_EQ(qv_frame_job_file(one, 0), "/out/poster.png");
  job.kind = QVFrameJobKind::load;
  job.files = qv_frame_name_split("/in/still.png");
  EXPECT_EQ(qv_frame_job_file(job, 0), "/in/still.png");
  EXPECT_EQ(qv_frame_job_progress_text(job, 0), "1/3 frames to load");
  EXPECT_EQ(qv_frame_job_progress_text(preview(-12), 11), "12/12 frames to render for loop");
  EXPECT_EQ(qv_frame_job_progress_text(preview(30), 40), "30/30 frames to render");
}

}  // namespace
