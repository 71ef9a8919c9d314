#include "core/qv_frame_job.h"

#include <glib.h>
#include <glib/gi18n-lib.h>

#include <algorithm>
#include <cstdlib>

#include "core/qv_locale.h"
#include "core/qv_playback.h"
#include "core/qv_render_timing.h"

long qv_frame_job_total(const QVFrameJob &job) { return std::labs(job.count); }

bool qv_frame_job_done(const QVFrameJob &job, long index) {
  return index >= qv_frame_job_total(job);
}

QVFrameT qv_frame_job_t(const QVFrameJob &job, long index) {
  const long spread = job.count < 0 ? -job.count : job.count - 1;
  double h = 0, l = 0;
  if (spread >= 1) {
    h = static_cast<double>(index) / spread;
    l = h + 0.5 / spread;
  }
  return {(1 - h) * job.t0 + h * job.t1, (1 - l) * job.t0 + l * job.t1};
}

std::string qv_frame_job_file(const QVFrameJob &job, long index) {
  const bool loading =
      job.kind == QVFrameJobKind::load || job.kind == QVFrameJobKind::load_numbered;
  if (job.files.digits == 0 && (loading || qv_frame_job_total(job) == 1)) {
    return job.files.base + (job.files.extension.empty() ? "" : "." + job.files.extension);
  }
  return qv_frame_name_build(job.files, job.files.start + index);
}

int qv_frame_job_flags(const QVFrameJob &job, long index) {
  if (job.kind != QVFrameJobKind::timeline || !(job.flags & QV_RENDER_FRAME_STORE) ||
      job.preview_step <= 0)
    return job.flags;
  return qv_preview_keeps(index, qv_frame_job_total(job), job.preview_step)
             ? job.flags
             : job.flags & ~QV_RENDER_FRAME_STORE;
}

long qv_frame_job_next(const QVFrameJob &job, long index) {
  const bool memory_only = job.kind == QVFrameJobKind::load ||
                           job.kind == QVFrameJobKind::load_numbered ||
                           (job.kind == QVFrameJobKind::timeline &&
                            (job.flags & QV_RENDER_FRAME_STORE) && !(job.flags & QV_RENDER_SAVE));
  const long last = qv_frame_job_total(job) - 1;
  if (!memory_only || job.preview_step < 2 || index >= last) return index + 1;
  return std::min(index + job.preview_step, last);
}

std::string qv_frame_job_progress_text(const QVFrameJob &job, long index) {
  const char *what = _("frames to render");
  switch (job.kind) {
    case QVFrameJobKind::load:
    case QVFrameJobKind::load_numbered:
      what = _("frames to load");
      break;
    case QVFrameJobKind::save:
      what = _("frames to save");
      break;
    case QVFrameJobKind::preview:
    case QVFrameJobKind::timeline:
      if (job.count < 0) what = _("frames to render for loop");
      break;
  }
  const long total = qv_frame_job_total(job);
  return qv_text("%ld/%ld %s", std::min(index + 1, total), total, what);
}

long qv_frame_files_in_row(const QVFrameName &first, long limit) {
  QVFrameJob job;
  job.kind = QVFrameJobKind::load_numbered;
  job.files = first;
  long n = 0;
  while (n < limit && g_file_test(qv_frame_job_file(job, n).c_str(), G_FILE_TEST_IS_REGULAR)) {
    ++n;
    if (first.digits == 0) break;  // a name without digits is one file
  }
  return n;
}

const std::vector<QVPreviewChoice> &qv_preview_choices() {
  static const std::vector<QVPreviewChoice> choices = {
      {N_("   last frame"), 1, 1.0},  {N_("   2 frames"), 2, 0.0},   {N_("   3 frames"), 3, 0.0},
      {N_("   7 frames"), 7, 0.0},    {N_("   12 frames"), 12, 0.0}, {N_("   15 frames"), 15, 0.0},
      {N_("   30 frames"), 30, 0.0},  {N_("   60 frames"), 60, 0.0}, {N_("   90 frames"), 90, 0.0},
      {N_("   120 frames"), 120, 0.0}};
  return choices;
}
