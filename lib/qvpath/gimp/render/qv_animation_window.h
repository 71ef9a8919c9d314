// The Animation Renderer: a window that previews keyspline paths into the
// frame store, one frame per main-loop call with a progress bar and Cancel,
// and plays the frames back forward, backward or ping-pong between "In:"
// and "End:" at the chosen rate, showing the rate it achieves. Its state is
// one record; the handlers are thin calls of the functions below, which the
// tests call as well.
#pragma once

#include <gtk/gtk.h>
#include <libgimp/gimp.h>

#include <optional>
#include <string>
#include <vector>

#include "core/qv_playback.h"
#include "gimp/render/qv_frame_job_gimp.h"
#include "gimp/ui/qv_main_loop.h"

// Which keysplines a preview takes: the current (or last previewed) one,
// that and the locked ones, or every candidate.
enum class QVPreviewSet { current, with_locked, all };

struct QVTimelineEditor;

struct QVAnimationWindow {
  GtkWidget *window = nullptr;
  GtkWidget *image_combo = nullptr;
  GtkWidget *progress_box = nullptr, *progress = nullptr, *cancel = nullptr;
  GtkWidget *menu_bar = nullptr, *toolbar = nullptr;
  GtkWidget *mode_buttons[4] = {};  // forward, ping-pong, backward, stopped (hidden)
  GtkWidget *frame_spin = nullptr, *in_spin = nullptr, *end_spin = nullptr;
  GtkWidget *fps_label = nullptr, *rate_item = nullptr, *set_item = nullptr;
  GtkWidget *timeline_item = nullptr;  // "Preview [@]": the current timeline
  GtkWidget *rerender_item = nullptr;  // "Preview [@]": extra mode only
  GtkWidget *timeline_menu = nullptr;  // "Timeline": rebuilt as it opens
  GtkWidget *area = nullptr, *scrolled = nullptr;

  QVFrameJobRun job;                  // its env.frame_store holds the frames shown
  std::vector<long> store_job_index;  // the job's frame number of each stored frame
  QVTimeoutHolder job_step;
  QVPreviewSet set = QVPreviewSet::current;
  std::vector<std::string> last_paths;
  QVTimelineEditor *editor = nullptr;  // the timeline editor while it is open
  long preview_frames = 61;            // "Render preview only!" frames, last asked

  QVLoopMode mode = QVLoopMode::stopped;
  QVPlayhead head;
  double fps = 15;
  bool pingpong_pause = false;
  QVTimeoutHolder play;
  gint64 play_started = 0;
  long frames_played = 0;
  int updating = 0;  // above 0 while the window sets its own widgets
};

// The keysplines a preview may take: paths whose names begin with "[@" or
// that carry "@-timeline: ".
std::vector<std::string> qv_animation_candidates(gint32 image);

// Builds the window on `image` (an initialised toolkit is needed). The
// record lives as long as the window and is freed with it.
QVAnimationWindow *qv_animation_window_build(gint32 image);

// Starts a preview of the chosen set with `count` frames (t from t0 to 1);
// false with a message when there is nothing to preview.
bool qv_animation_preview(QVAnimationWindow &w, long count, double t0);
// Loads `count` numbered frames from `first` on into the store (its digits
// give the numbers), or saves the store's frames `from` … `to` under
// numbered names from `first` on: jobs like a preview, with progress and
// Cancel. False with a message when the job cannot start.
bool qv_animation_load_frames(QVAnimationWindow &w, const std::string &first, long count);
bool qv_animation_save_frames(QVAnimationWindow &w, const std::string &first, long from, long to);

// Previews the image's current timeline from its inpoint to its outpoint,
// keeping about `count` frames spread over it (0: every preview-step-th
// frame of its header), always the last, and writing no file. False with a
// message when there is none or it is empty.
bool qv_animation_preview_timeline(QVAnimationWindow &w, long count = 0);
// Renders `count` frames of a timeline of the image (a name or a ".qvt"
// file) from the first frame's name on, into the store (every
// preview-step-th frame and the last; `preview_step` overrides the
// header's, and a step of 0 keeps none while saving) and, with `save`,
// into the files. `title` names it in the
// window. False with a message when it cannot start.
bool qv_animation_run_timeline(QVAnimationWindow &w, const std::string &timeline,
                               const std::string &title, const std::string &first_frame, long count,
                               bool save, std::optional<int> preview_step);

// The current timeline's name, or none.
std::optional<std::string> qv_animation_current_timeline(gint32 image);

// Makes the image's timeline at `index` (current 0, then recent, then the
// rest, as "Timeline" lists them) current and shows it in the timeline
// editor (asking first about the editor's unsaved changes).
bool qv_animation_choose_timeline(QVAnimationWindow &w, int index);
// Opens the timeline editor on the image's current timeline, or raises it.
QVTimelineEditor *qv_animation_open_editor(QVAnimationWindow &w);

// "Save 'image'": the image as an XCF (which then becomes its file) or,
// flattened, as a picture in the format of the extension. False with
// "File not saved, invalid format!" when GIMP cannot save it so.
bool qv_animation_save_image(QVAnimationWindow &w, const std::string &file);

// "Re-Render current": the frame shown rendered again as the last preview
// or timeline job rendered it (the image may have changed since), in its
// place in the store. False when there is no such frame.
bool qv_animation_rerender(QVAnimationWindow &w);

// Ends the running job (Cancel); the frames done stay.
void qv_animation_cancel(QVAnimationWindow &w);
bool qv_animation_busy(const QVAnimationWindow &w);
void qv_animation_clear(QVAnimationWindow &w);

void qv_animation_show_frame(QVAnimationWindow &w, long frame);
long qv_animation_shown_frame(const QVAnimationWindow &w);
void qv_animation_set_mode(QVAnimationWindow &w, QVLoopMode mode);
void qv_animation_set_rate(QVAnimationWindow &w, double fps);
// "fps=12.5" once 20 frames were played, else "".
std::string qv_animation_rate_text(const QVAnimationWindow &w);

// The procedure's interactive run: the window until it is closed.
void qv_animation_window_run(gint32 image);
