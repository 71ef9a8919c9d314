#include "gimp/render/qv_frame_job_gimp.h"

#include <glib/gi18n-lib.h>
#include <glib/gstdio.h>

#include <cstdlib>

#include "core/qv_filename.h"
#include "core/qv_glib_ptr.h"
#include "core/qv_locale.h"
#include "core/qv_render_timing.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_render_session.h"
#include "gimp/render/qv_render_save.h"

namespace {

// The pixbuf saver's name of a file's format, or none (GdkPixbuf writes
// these; anything else is refused before a file is opened).
const char *pixbuf_type(const std::string &extension) {
  std::string ext = qv_take_string(g_ascii_strdown(extension.c_str(), -1));
  if (ext == "png") return "png";
  if (ext == "jpg" || ext == "jpeg") return "jpeg";
  if (ext == "bmp") return "bmp";
  if (ext == "tif" || ext == "tiff") return "tiff";
  return nullptr;
}

// Writes beside the file and renames it over: a frame file is whole or absent.
bool save_pixbuf(GdkPixbuf *pixbuf, const std::string &file, const char *type, std::string &why) {
  const std::string native = qv_filename_from_utf8(file.c_str()).value_or(file);
  const std::string native_part = native + ".part";
  GError *error = nullptr;
  if (!gdk_pixbuf_save(pixbuf, native_part.c_str(), type, &error, nullptr)) {
    why = error ? error->message : "";
    if (error) g_error_free(error);
    g_remove(native_part.c_str());
    return false;
  }
  if (g_rename(native_part.c_str(), native.c_str()) != 0) {
    why = g_strerror(errno);
    g_remove(native_part.c_str());
    return false;
  }
  return true;
}

// A frame read from a file into the store: opaque RGB, transparency laid
// over black as the renderer's frames are; files GdkPixbuf cannot read go
// through GIMP's loaders.
bool load_frame(QVFrameJobRun &run, const std::string &file) {
  const std::string native = qv_filename_from_utf8(file.c_str()).value_or(file);
  if (GdkPixbuf *read = gdk_pixbuf_new_from_file(native.c_str(), nullptr)) {
    QVPixbufPtr holder(read);
    const int w = gdk_pixbuf_get_width(read), h = gdk_pixbuf_get_height(read);
    QVPixbufPtr opaque(gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, w, h));
    if (!opaque) return false;
    gdk_pixbuf_fill(opaque.get(), 0x000000ff);
    gdk_pixbuf_composite(read, opaque.get(), 0, 0, w, h, 0, 0, 1, 1, GDK_INTERP_NEAREST, 255);
    run.env.frame_store.push_back(std::move(opaque));
    return true;
  }
  const gint32 loaded = gimp_file_load(GIMP_RUN_NONINTERACTIVE, native.c_str(), native.c_str());
  if (loaded < 1) return false;
  gimp_image_flatten(loaded);
  if (gimp_image_base_type(loaded) != GIMP_RGB) gimp_image_convert_rgb(loaded);
  const bool added = qv_frame_store_add(run.env, loaded);
  gimp_image_delete(loaded);
  return added;
}

void begin(QVFrameJobRun &run) {
  run.failure.clear();
  run.env.stop = false;
  run.env.source = run.image;
  run.env.flags = run.job.flags;
  if (run.job.kind != QVFrameJobKind::save && !run.env.frame_store_started)
    qv_frame_store_clear(run.env);
  // The renderer empties a store it did not start; this job already did.
  run.env.frame_store_started = true;
  run.marker_set_here = !qv_rendering_flag(true);
  run.index = 0;
}

void end(QVFrameJobRun &run) {
  if (run.marker_set_here) {
    qv_rendering_flag(false);
    run.marker_set_here = false;
  }
  qv_close_opened_images(0);
  qv_delete_render_duplicates();
  run.env.frame_store_started = false;
  run.index = qv_frame_job_total(run.job);
}

bool fail(QVFrameJobRun &run, const std::string &why) {
  run.failure = why;
  qv_user_message("%s", why.c_str());
  end(run);
  return false;
}

// One frame of the job at run.index.
bool do_frame(QVFrameJobRun &run) {
  const long i = run.index;
  const std::string file = qv_frame_job_file(run.job, i);
  switch (run.job.kind) {
    case QVFrameJobKind::preview: {
      const QVFrameT t = qv_frame_job_t(run.job, i);
      return qv_render_frames(run.image, run.paths, "", 1, QV_RENDER_FRAME_STORE, t.t, t.t,
                              &run.env) != 0 ||
             fail(run, _("The preview frame could not be rendered."));
    }
    case QVFrameJobKind::save: {
      const long at = run.in + i;
      if (at < 0 || at >= static_cast<long>(run.env.frame_store.size()))
        return fail(run, qv_text(_("There is no frame %ld in memory."), at));
      const char *type = pixbuf_type(run.job.files.extension);
      if (!type) return fail(run, _("File not saved, invalid format!"));
      std::string why;
      if (!save_pixbuf(run.env.frame_store[at].get(), file, type, why))
        return fail(run,
                    qv_text(_("Frame %ld not saved to »%s«: %s"), at, file.c_str(), why.c_str()));
      return true;
    }
    case QVFrameJobKind::load:
    case QVFrameJobKind::load_numbered:
      return load_frame(run, file) ||
             fail(run,
                  qv_text(_("»%s« cannot be read as a picture; the frames loaded so far stay."),
                          file.c_str()));
    case QVFrameJobKind::timeline:
      run.env.frame_index = i;
      return qv_render_frames(run.image, {}, file, 1, qv_frame_job_flags(run.job, i), 0, 0,
                              &run.env) != 0 ||
             fail(run, qv_text(_("Frame %ld of the timeline could not be rendered."), i));
  }
  return false;
}

}  // namespace

bool qv_frame_job_setup_timeline(QVFrameJobRun &run, const std::string &timeline,
                                 const std::string &first_frame, long count, bool save) {
  if (count < 1) return false;
  auto prepared =
      qv_render_job_prepare(run.image, timeline, first_frame, static_cast<gint32>(count));
  if (!prepared) return false;
  // The store is the window's: the timeline's set-up comes in around it.
  std::vector<QVPixbufPtr> store = std::move(run.env.frame_store);
  run.env = std::move(prepared->env);
  run.env.frame_store = std::move(store);
  run.job = QVFrameJob{};
  run.job.kind = QVFrameJobKind::timeline;
  run.job.count = prepared->num;
  run.job.files = prepared->first;
  run.job.flags = (prepared->flags | QV_RENDER_FRAME_STORE) & ~(save ? 0 : QV_RENDER_SAVE);
  run.job.preview_step = run.env.header.preview_step;
  run.index = -1;
  return true;
}

size_t qv_frame_store_bytes(const QVpathAnimationEnvironment &env) {
  size_t bytes = 0;
  for (const QVPixbufPtr &frame : env.frame_store)
    bytes += size_t(gdk_pixbuf_get_rowstride(frame.get())) * gdk_pixbuf_get_height(frame.get());
  return bytes;
}

bool qv_frame_job_step(QVFrameJobRun &run) {
  if (run.index < 0) {
    begin(run);
    if (!qv_frame_job_done(run.job, 0)) return true;
    end(run);  // a job of no frames takes its marker down at once
    return false;
  }
  if (qv_frame_job_done(run.job, run.index)) {
    end(run);
    return false;
  }
  if (run.env.stop || !qv_rendering_in_progress()) {
    run.env.stop = true;
    end(run);
    return false;
  }
  if (run.job.kind != QVFrameJobKind::save && (run.job.flags & QV_RENDER_FRAME_STORE) &&
      qv_frame_store_bytes(run.env) >= run.store_limit) {
    // A render that saves its frames goes on to the end; it stops keeping
    // previews. Anything else was only for memory and stops.
    if (!(run.job.flags & QV_RENDER_SAVE))
      return fail(run,
                  qv_text(_("Memory holds %zu frames, as many as it keeps; the job stops here."),
                          run.env.frame_store.size()));
    qv_user_message("%s", qv_text(_("Memory holds %zu frames, as many as it keeps; the "
                                    "remaining frames are saved without a preview."),
                                  run.env.frame_store.size())
                              .c_str());
    run.job.flags &= ~QV_RENDER_FRAME_STORE;
  }
  if (!do_frame(run)) return false;
  qv_close_opened_images(5);
  qv_delete_render_duplicates();
  run.index = qv_frame_job_next(run.job, run.index);
  if (qv_frame_job_done(run.job, run.index)) {
    end(run);
    return false;
  }
  return true;
}

void qv_frame_job_stop(QVFrameJobRun &run) {
  run.env.stop = true;
  if (run.marker_set_here) qv_rendering_flag(false);
}
