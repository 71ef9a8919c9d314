// Rendering a timeline's frames to disk, from the image menu or a script:
// "Render&Save" renders and saves the frames one after the other (with a
// progress window and a Cancel button when there is a display, with GIMP's
// progress calls otherwise; the files are the same either way), and the
// "Render Timeline" dialog asks for the timeline, the first frame's file
// name and the number of frames first.
#pragma once

#include <gtk/gtk.h>
#include <libgimp/gimp.h>

#include <string>

#include "core/qv_frame_names.h"
#include "gimp/render/qv_render.h"
#include "gimp/ui/qv_dialogs.h"

#include <optional>

// One render of a timeline's frames: the environment set up from the
// timeline (frame numbers on its clock from the first frame's digits), the
// first frame's name, how many frames and the render flags.
struct QVRenderJob {
  QVpathAnimationEnvironment env;
  QVFrameName first;
  gint32 num = 0;
  int flags = 0;
  bool cancel = false;
};

// Reads and decodes the image's timeline (a name or a ".qvt" file) and sets
// the job up; none with a message when there is no such timeline, it is
// damaged, or no frame of the asked range lies before its outpoint.
std::optional<QVRenderJob> qv_render_job_prepare(gint32 image, const std::string &timeline,
                                                 const std::string &startframe, gint32 num);

// 1 all frames saved; -1 cancelled or a frame failed (the frames saved
// before stay on disk); 0 nothing rendered: `num` below 1, no such image or
// no such timeline.
gint32 qv_render_and_save(gint32 image, const std::string &timeline, const std::string &startframe,
                          gint32 num);

// The dialog, then Render&Save with its answers. -1 when cancelled (or no
// display), 0 when confirmed without a timeline or a first frame name,
// otherwise the Render&Save result.
gint32 qv_render_timeline_dialog(gint32 image);

// What the "Render Timeline" dialog asks for; the image remembers the last
// answers in its parasites.
struct QVRenderChoice {
  std::string timeline;     // empty: none chosen
  std::string first_frame;  // the first frame's file name
  gint32 frames = 1;
};

struct QVRenderTimelineDialog {
  QVWidgetHolder dialog;
  GtkWidget *frame_count = nullptr;  // "N frames in" of the chosen timeline
  GtkWidget *timeline = nullptr;     // not editable: the "Timeline" button chooses
  GtkWidget *timeline_button = nullptr;
  GtkWidget *first_frame = nullptr;
  GtkWidget *frame_button = nullptr;
  GtkWidget *frames = nullptr;  // spin button
};

// The Render&Save progress window: bar, Cancel and the last saved frame.
struct QVRenderProgressWindow {
  QVWidgetHolder dialog;
  GtkWidget *bar = nullptr;
  GtkWidget *cancel = nullptr;
  GtkWidget *saved_at = nullptr;
  GtkWidget *saved_file = nullptr;
};

// Builders (need an initialised toolkit), for the run functions and tests.
// The dialog's buttons work on `image`; `initial` fills its fields (the
// timeline's frame name stands in for an empty first frame).
QVRenderTimelineDialog qv_render_timeline_dialog_build(gint32 image, const QVRenderChoice &initial);
QVRenderProgressWindow qv_render_progress_build();

QVRenderChoice qv_render_timeline_dialog_chosen(const QVRenderTimelineDialog &d);

// The id of the progress window's pending frame step, 0 when none; a
// window's steps end with it.
guint qv_render_progress_pending_step(GtkWidget *window);
