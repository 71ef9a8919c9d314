#include "gimp/render/qv_render_save.h"

#include <glib/gi18n-lib.h>
#include <gtk/gtk.h>
#include <libgimp/gimpui.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <optional>

#include "core/qv_attributes.h"
#include "core/qv_chunks.h"
#include "core/qv_frame_names.h"
#include "core/qv_glib_ptr.h"
#include "core/qv_render_timing.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_render_session.h"
#include "gimp/render/qv_render.h"
#include "gimp/timeline/qv_timeline_chooser.h"
#include "gimp/timeline/qv_timeline_gimp.h"
#include "gimp/ui/qv_dialogs.h"
#include "gimp/ui/qv_main_loop.h"

namespace {

const char *const kLastTimeline = "qv-last-rendered-timeline";
const char *const kLastStartframe = "qv-last-rendered-startframe";
const char *const kLastAmount = "qv-last-rendered-amount-frames";
const char *const kLastSavedFrame = "qv-last-saved-frame";

int flags_of(const QVahdrChunk &header) {
  int flags = QV_RENDER_SAVE | QV_RENDER_TIMELINE;
  if (header.flatten) flags |= QV_RENDER_FLATTEN;
  if (header.interlace == QV_INTERLACED_PAL) flags |= QV_RENDER_INTERLACED;
  if (header.interlace == QV_INTERLACED_NTSC) flags |= QV_RENDER_INTERLACED | QV_RENDER_NTSC;
  return flags;
}

}  // namespace

std::optional<QVRenderJob> qv_render_job_prepare(gint32 image, const std::string &timeline,
                                                 const std::string &startframe, gint32 num) {
  const auto bytes = qv_timeline_read(image, timeline);
  if (!bytes) return std::nullopt;
  auto decoded = qv_timeline_decode(*bytes);
  if (!decoded) {
    qv_user_message("Timeline \"%s\": %s", timeline.c_str(), decoded.error.c_str());
    return std::nullopt;
  }
  QVRenderJob job;
  job.first = qv_frame_name_split(startframe);
  // The editor keeps the header's end; a timeline written elsewhere may not
  // have, so the end the entries give counts too.
  QVahdrChunk clock = decoded.value->header;
  clock.end = std::max(clock.end, qv_timeline_end(*decoded.value));
  const QVFrameRange range = qv_render_frame_range(clock, job.first.start, num);
  if (range.cut) {
    qv_user_message(_("Timeline \"%s\" ends at frame %ld: %ld of the %ld frames asked for from "
                      "frame %ld lie past its outpoint and are not rendered."),
                    timeline.c_str(), range.outpoint_frame, static_cast<long>(num) - range.frames,
                    static_cast<long>(num), job.first.start);
  }
  if (range.frames < 1) return std::nullopt;
  num = static_cast<gint32>(range.frames);
  job.num = num;
  QVpathAnimationEnvironment &env = job.env;
  env.source = image;
  env.header = decoded.value->header;
  if (env.header.script_name && !env.header.script_name->empty())
    env.before_save_script = env.header.script_name;
  // The frame numbers are frames on the timeline's clock.
  if (env.header.fps > 0) {
    env.header.inpoint = static_cast<double>(job.first.start) / env.header.fps;
    env.header.outpoint = static_cast<double>(job.first.start + num) / env.header.fps;
    env.header.outpoint_mode = QV_OUT_EXPLICIT;
  }
  env.entries.assign(decoded.value->entries.rbegin(), decoded.value->entries.rend());
  env.group_data = qv_render_group_data(image);
  env.start_frame = job.first.start;
  env.frames = num;
  job.flags = flags_of(env.header);
  env.flags = job.flags;
  return job;
}

namespace {

// Renders and saves frame `index`; false when it failed or was cancelled.
bool save_frame_at(QVRenderJob &job, long index) {
  job.env.frame_index = index;
  const std::string file = qv_frame_name_build(job.first, job.first.start + index);
  const bool ok = qv_render_frames(job.env.source, {}, file, 1, job.flags, 0, 0, &job.env) != 0;
  job.env.frame_index = index;
  if (ok && !job.cancel) {
    qv_close_opened_images(5);
    qv_delete_render_duplicates();
    return true;
  }
  if (job.cancel) qv_rendering_flag(false);
  if (!qv_rendering_in_progress()) {
    qv_close_opened_images(0);
    qv_delete_render_duplicates();
  }
  job.cancel = true;
  return false;
}

// Without a display: the same frames in a plain loop, with GIMP's progress.
void run_plain(QVRenderJob &job) {
  gimp_progress_init(_("Render&Save"));
  for (long i = 0; i < job.num; ++i) {
    gimp_progress_set_text_printf("%ld/%d %s", i + 1, job.num, _("frames to render"));
    gimp_progress_update(static_cast<double>(i) / job.num);
    if (!save_frame_at(job, i)) break;
  }
  gimp_progress_update(1.0);
  gimp_progress_end();
}

// --- The progress window -------------------------------------------------------

const char *const kProgressState = "qv-render-progress";

// What the progress window works on; owned by the window. `job` lives in
// qv_render_and_save, which outlives the window's run.
struct ProgressState {
  QVRenderJob *job = nullptr;
  GtkWidget *window = nullptr, *bar = nullptr, *cancel = nullptr;
  GtkWidget *saved_at = nullptr, *saved_file = nullptr;
  long index = 0;  // the next frame to render
  // The one pending step: a tick (10 ms) that shows the next frame, then a
  // save step (300 ms later) that renders it, one frame per callback.
  QVTimeoutHolder step;
};

std::string saved_at_text() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return qv_format(local.tm_min < 10 ? "last saved at %d:0%d" : "last saved at %d:%d",
                   local.tm_hour, local.tm_min);
}

// Cancel is taken once; the window stays until the running frame is done.
void update_sensitivity(ProgressState *state) {
  gtk_widget_set_sensitive(state->cancel, !state->job->cancel);
}

void show_progress(ProgressState *state) {
  const QVRenderJob &job = *state->job;
  GtkProgressBar *bar = GTK_PROGRESS_BAR(state->bar);
  gtk_progress_bar_set_fraction(bar, static_cast<double>(state->index) / job.num);
  const std::string text = qv_format("%ld/%d %s", state->index + 1, job.num, _("frames to render"));
  gtk_progress_bar_set_text(bar, text.c_str());
  if (state->index == 0) return;
  gtk_label_set_text(GTK_LABEL(state->saved_at), saved_at_text().c_str());
  const std::string saved = qv_global_string_get(kLastSavedFrame).value_or("");
  gtk_label_set_text(GTK_LABEL(state->saved_file), saved.c_str());
}

gboolean save_step(gpointer data);

gboolean frame_tick(gpointer data) {
  auto *state = static_cast<ProgressState *>(data);
  state->step.release();
  if (state->index >= state->job->num) {
    gtk_widget_destroy(state->window);
    return FALSE;
  }
  show_progress(state);
  state->step.start(300, save_step, state);
  return FALSE;
}

gboolean save_step(gpointer data) {
  auto *state = static_cast<ProgressState *>(data);
  state->step.release();
  if (!save_frame_at(*state->job, state->index)) {
    gtk_widget_destroy(state->window);
    return FALSE;
  }
  ++state->index;
  state->step.start(10, frame_tick, state);
  return FALSE;
}

void on_cancel(GtkButton *, gpointer data) {
  auto *state = static_cast<ProgressState *>(data);
  state->job->cancel = true;
  update_sensitivity(state);
}

// Closing the window asks for the same as Cancel.
gboolean on_delete(GtkWidget *, GdkEvent *, gpointer data) {
  on_cancel(nullptr, data);
  return TRUE;
}

// A window destroyed before its last frame (with its parent, say) leaves an
// unfinished job: that is a cancel, not a success. Its step must not fire
// into the destroyed widgets.
void on_progress_destroy(GtkWidget *, gpointer data) {
  auto *state = static_cast<ProgressState *>(data);
  state->step.reset();
  g_signal_handlers_disconnect_by_func(state->cancel, reinterpret_cast<gpointer>(on_cancel), state);
  if (state->index < state->job->num) state->job->cancel = true;
}

void attach_progress_state(const QVRenderProgressWindow &w, QVRenderJob &job) {
  auto *state = new ProgressState;
  state->job = &job;
  state->window = w.dialog.get();
  state->bar = w.bar;
  state->cancel = w.cancel;
  state->saved_at = w.saved_at;
  state->saved_file = w.saved_file;
  g_object_set_data_full(G_OBJECT(w.dialog.get()), kProgressState, state,
                         [](gpointer p) { delete static_cast<ProgressState *>(p); });
  g_signal_connect(w.cancel, "clicked", G_CALLBACK(on_cancel), state);
  g_signal_connect(w.dialog.get(), "delete-event", G_CALLBACK(on_delete), state);
  g_signal_connect(w.dialog.get(), "destroy", G_CALLBACK(on_progress_destroy), state);
  update_sensitivity(state);
  state->step.start(10, frame_tick, state);
}

void run_with_window(QVRenderJob &job) {
  const QVRenderProgressWindow window = qv_render_progress_build();
  attach_progress_state(window, job);
  gtk_widget_show_all(window.dialog.get());
  qv_run_until_destroyed(window.dialog.get());
}

// --- The Render Timeline dialog --------------------------------------------------

const char *const kRenderDialogState = "qv-render-timeline";
const char *const kRenderDialogKey = "qv-dialog-render-timeline";
const char *const kFileSelectKey = "qv-dialog-file-select";

// What the dialog's buttons work on; owned by the dialog.
struct RenderDialogState {
  gint32 image = -1;
  GtkWidget *dialog = nullptr, *frame_count = nullptr, *timeline = nullptr, *first_frame = nullptr;
  GtkWidget *timeline_button = nullptr, *frame_button = nullptr;
  int geometry_state = 0;  // the window's newest state, for the geometry record
};

void show_frame_count(const RenderDialogState &state, const std::string &timeline) {
  const auto bytes = qv_timeline_read(state.image, timeline);
  const auto decoded = bytes ? qv_timeline_decode(*bytes) : QVDecoded<QVTimeline>{};
  if (!decoded) return;
  const long frames = qv_ahdr_frame_count(decoded.value->header);
  gtk_label_set_text(GTK_LABEL(state.frame_count), qv_format(_("%ld frames in"), frames).c_str());
  const auto &frame_name = decoded.value->header.frame_fname;
  if (frame_name && !frame_name->empty())
    gtk_entry_set_text(GTK_ENTRY(state.first_frame), frame_name->c_str());
}

void on_timeline(GtkButton *, gpointer data) {
  auto *state = static_cast<RenderDialogState *>(data);
  if (const auto chosen = qv_timeline_choose(GTK_WINDOW(state->dialog), state->image, 1)) {
    gtk_entry_set_text(GTK_ENTRY(state->timeline), chosen->c_str());
    show_frame_count(*state, *chosen);
  }
}

// The chosen file name, or none when cancelled.
std::optional<std::string> choose_frame_file(GtkWindow *parent, const std::string &current) {
  QVWidgetHolder chooser(gtk_file_chooser_dialog_new(
      _("Select Frame-Filename"), parent, GTK_FILE_CHOOSER_ACTION_OPEN, GTK_STOCK_CANCEL,
      GTK_RESPONSE_CANCEL, GTK_STOCK_OK, GTK_RESPONSE_OK, nullptr));
  g_object_ref(chooser.get());
  GtkFileChooser *files = GTK_FILE_CHOOSER(chooser.get());
  gtk_file_chooser_set_do_overwrite_confirmation(files, TRUE);
  if (!current.empty()) gtk_file_chooser_set_filename(files, current.c_str());
  qv_dialog_geometry_restore(GTK_WINDOW(chooser.get()), kFileSelectKey, nullptr);
  const gint response = gtk_dialog_run(GTK_DIALOG(chooser.get()));
  std::optional<std::string> chosen;
  if (response == GTK_RESPONSE_OK) chosen = qv_take_string(gtk_file_chooser_get_filename(files));
  qv_dialog_geometry_save(GTK_WINDOW(chooser.get()), kFileSelectKey, 0, 0);
  return chosen;
}

void on_frame(GtkButton *, gpointer data) {
  auto *state = static_cast<RenderDialogState *>(data);
  const std::string current = gtk_entry_get_text(GTK_ENTRY(state->first_frame));
  if (const auto chosen = choose_frame_file(GTK_WINDOW(state->dialog), current))
    gtk_entry_set_text(GTK_ENTRY(state->first_frame), chosen->c_str());
}

void on_render_dialog_destroy(GtkWidget *, gpointer data) {
  auto *state = static_cast<RenderDialogState *>(data);
  g_signal_handlers_disconnect_by_func(state->timeline_button,
                                       reinterpret_cast<gpointer>(on_timeline), state);
  g_signal_handlers_disconnect_by_func(state->frame_button, reinterpret_cast<gpointer>(on_frame),
                                       state);
}

void attach_render_dialog_state(const QVRenderTimelineDialog &d, gint32 image) {
  auto *state = new RenderDialogState;
  state->image = image;
  state->dialog = d.dialog.get();
  state->frame_count = d.frame_count;
  state->timeline = d.timeline;
  state->first_frame = d.first_frame;
  state->timeline_button = d.timeline_button;
  state->frame_button = d.frame_button;
  g_object_set_data_full(G_OBJECT(d.dialog.get()), kRenderDialogState, state,
                         [](gpointer p) { delete static_cast<RenderDialogState *>(p); });
  g_signal_connect(d.timeline_button, "clicked", G_CALLBACK(on_timeline), state);
  g_signal_connect(d.frame_button, "clicked", G_CALLBACK(on_frame), state);
  g_signal_connect(d.dialog.get(), "destroy", G_CALLBACK(on_render_dialog_destroy), state);
}

RenderDialogState &render_dialog_state(const QVRenderTimelineDialog &d) {
  gpointer state = g_object_get_data(G_OBJECT(d.dialog.get()), kRenderDialogState);
  return *static_cast<RenderDialogState *>(state);
}

GtkWidget *content_area(GtkWidget *dialog) {
  return gtk_dialog_get_content_area(GTK_DIALOG(dialog));
}

GtkWidget *padded_row(GtkWidget *content, int padding) {
  GtkWidget *row = gtk_hbox_new(FALSE, 0);
  gtk_box_pack_start(GTK_BOX(content), row, FALSE, FALSE, padding);
  return row;
}

// An empty box that indents the rest of its row.
void pack_indent(GtkWidget *row, int padding) {
  gtk_box_pack_start(GTK_BOX(row), gtk_hbox_new(FALSE, 0), FALSE, FALSE, padding);
}

GtkWidget *fixed_width_entry() {
  GtkWidget *entry = gtk_entry_new();
  gtk_widget_set_size_request(entry, 300, -1);
  return entry;
}

// The two buttons of a column look alike: both as wide as the wider one.
void same_width(GtkWidget *a, GtkWidget *b) {
  GtkRequisition ra{}, rb{};
  gtk_widget_size_request(a, &ra);
  gtk_widget_size_request(b, &rb);
  const int width = std::max(ra.width, rb.width);
  gtk_widget_set_size_request(a, width, -1);
  gtk_widget_set_size_request(b, width, -1);
}

void pack_timeline_row(QVRenderTimelineDialog &d, GtkWidget *content) {
  GtkWidget *row = padded_row(content, 8);
  pack_indent(row, 9);
  d.frame_count = gtk_label_new(_("??? frames in"));
  gtk_box_pack_start(GTK_BOX(row), d.frame_count, FALSE, FALSE, 0);
  d.timeline = fixed_width_entry();
  gtk_editable_set_editable(GTK_EDITABLE(d.timeline), FALSE);
  gtk_box_pack_start(GTK_BOX(row), d.timeline, TRUE, TRUE, 16);
  d.timeline_button = gtk_button_new_with_label(_("Timeline"));
  gtk_box_pack_start(GTK_BOX(row), d.timeline_button, FALSE, FALSE, 16);
}

void pack_frame_row(QVRenderTimelineDialog &d, GtkWidget *content) {
  GtkWidget *row = padded_row(content, 8);
  d.first_frame = fixed_width_entry();
  gtk_box_pack_start(GTK_BOX(row), d.first_frame, TRUE, TRUE, 16);
  d.frame_button = gtk_button_new_with_label(_("Frame"));
  gtk_box_pack_start(GTK_BOX(row), d.frame_button, FALSE, FALSE, 16);
}

void pack_count_row(QVRenderTimelineDialog &d, GtkWidget *content, gint32 frames) {
  GtkWidget *row = padded_row(content, 8);
  pack_indent(row, 5);
  GtkObject *adjustment = gtk_adjustment_new(frames, 1, 999999, 1, 5, 0);
  d.frames = gtk_spin_button_new(GTK_ADJUSTMENT(adjustment), 1, 0);
  gtk_box_pack_start(GTK_BOX(row), d.frames, FALSE, FALSE, 6);
  gtk_box_pack_start(GTK_BOX(row), gtk_label_new(_("frames to render.")), FALSE, FALSE, 6);
}

// --- Remembered answers ----------------------------------------------------------

void store_text(gint32 image, const char *parasite, const std::string &text) {
  qv_parasite_attach(image, parasite, GIMP_PARASITE_PERSISTENT, text.size() + 1, text.c_str());
  qv_image_mark_dirty(image, true);
}

gint32 stored_amount(gint32 image) {
  const auto bytes = qv_image_parasite_bytes(image, kLastAmount);
  if (!bytes || bytes->size() != 4) return 1;
  const gint32 value = static_cast<gint32>(GUINT32_FROM_BE(qv_chunk_get_u32(bytes->data())));
  return value < 1 ? 1 : value;
}

void store_amount(gint32 image, gint32 amount) {
  const guint32 be = GUINT32_TO_BE(static_cast<guint32>(amount));
  qv_parasite_attach(image, kLastAmount, GIMP_PARASITE_PERSISTENT, sizeof be, &be);
}

// The last answers; without a remembered timeline the chooser asks for one.
QVRenderChoice remembered_choice(gint32 image) {
  QVRenderChoice choice;
  std::optional<std::string> timeline = qv_image_string_get(image, kLastTimeline);
  if (!timeline) timeline = qv_timeline_choose(nullptr, image, 1);
  choice.timeline = timeline.value_or("");
  choice.first_frame = qv_image_string_get(image, kLastStartframe).value_or("");
  choice.frames = stored_amount(image);
  return choice;
}

void remember_choice(gint32 image, const QVRenderChoice &choice) {
  store_amount(image, choice.frames);
  if (!choice.timeline.empty()) store_text(image, kLastTimeline, choice.timeline);
  if (!choice.first_frame.empty()) store_text(image, kLastStartframe, choice.first_frame);
}

// The answers on OK, none otherwise.
std::optional<QVRenderChoice> run_render_timeline(gint32 image, const QVRenderChoice &initial) {
  const QVRenderTimelineDialog d = qv_render_timeline_dialog_build(image, initial);
  GtkWindow *window = GTK_WINDOW(d.dialog.get());
  RenderDialogState &state = render_dialog_state(d);
  qv_dialog_geometry_restore(window, kRenderDialogKey, &state.geometry_state);
  gtk_widget_show_all(d.dialog.get());
  const gint response = gtk_dialog_run(GTK_DIALOG(d.dialog.get()));
  qv_dialog_geometry_save(window, kRenderDialogKey, state.geometry_state, 0);
  if (response != GTK_RESPONSE_OK) return std::nullopt;
  return qv_render_timeline_dialog_chosen(d);
}

}  // namespace

gint32 qv_render_and_save(gint32 image, const std::string &timeline, const std::string &startframe,
                          gint32 num) {
  if (num < 1) {
    qv_user_message("num <= 0");
    return 0;
  }
  if (!qv_image_is_open(image)) {
    qv_user_message("%s: %d", "No valid image ID", image);
    return 0;
  }
  const QVKeepCleanScope clean(image);
  auto job = qv_render_job_prepare(image, timeline, startframe, num);
  if (!job) return 0;
  const bool marker_stood = qv_rendering_flag(true);
  qv_timelines_in_progress_clear();
  if (qv_dialog_toolkit_init())
    run_with_window(*job);
  else
    run_plain(*job);
  if (!marker_stood) {
    qv_rendering_flag(false);
    qv_close_opened_images(0);
  }
  return job->cancel ? -1 : 1;
}

gint32 qv_render_timeline_dialog(gint32 image) {
  if (!qv_dialog_toolkit_init()) {
    qv_user_message(_("The Render Timeline dialog needs a display; nothing was rendered."));
    return -1;
  }
  const QVKeepCleanScope clean(image);
  const auto chosen = run_render_timeline(image, remembered_choice(image));
  if (!chosen) return -1;
  remember_choice(image, *chosen);
  if (chosen->timeline.empty() || chosen->first_frame.empty()) return 0;
  return qv_render_and_save(image, chosen->timeline, chosen->first_frame, chosen->frames);
}

QVRenderTimelineDialog qv_render_timeline_dialog_build(gint32 image,
                                                       const QVRenderChoice &initial) {
  QVRenderTimelineDialog d;
  d.dialog.reset(gtk_dialog_new_with_buttons(_("Render Timeline"), nullptr, GTK_DIALOG_MODAL,
                                             GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL, GTK_STOCK_OK,
                                             GTK_RESPONSE_OK, nullptr));
  g_object_ref(d.dialog.get());
  GtkWidget *content = content_area(d.dialog.get());
  padded_row(content, 4);
  pack_timeline_row(d, content);
  pack_frame_row(d, content);
  pack_count_row(d, content, initial.frames);
  same_width(d.timeline_button, d.frame_button);
  attach_render_dialog_state(d, image);

  // A remembered first frame wins over the timeline's own frame name.
  if (!initial.timeline.empty()) {
    gtk_entry_set_text(GTK_ENTRY(d.timeline), initial.timeline.c_str());
    show_frame_count(render_dialog_state(d), initial.timeline);
  }
  if (!initial.first_frame.empty())
    gtk_entry_set_text(GTK_ENTRY(d.first_frame), initial.first_frame.c_str());
  // Enter in the frame name or the count renders, as in GIMP's own dialogs.
  gtk_dialog_set_default_response(GTK_DIALOG(d.dialog.get()), GTK_RESPONSE_OK);
  gtk_entry_set_activates_default(GTK_ENTRY(d.first_frame), TRUE);
  gtk_entry_set_activates_default(GTK_ENTRY(d.frames), TRUE);
  return d;
}

QVRenderChoice qv_render_timeline_dialog_chosen(const QVRenderTimelineDialog &d) {
  QVRenderChoice choice;
  choice.timeline = gtk_entry_get_text(GTK_ENTRY(d.timeline));
  choice.first_frame = gtk_entry_get_text(GTK_ENTRY(d.first_frame));
  choice.frames = gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(d.frames));
  return choice;
}

QVRenderProgressWindow qv_render_progress_build() {
  QVRenderProgressWindow w;
  w.dialog.reset(gtk_dialog_new());
  g_object_ref(w.dialog.get());
  GtkWindow *window = GTK_WINDOW(w.dialog.get());
  gtk_window_set_title(window, _("Render&Save"));
  gtk_window_set_modal(window, TRUE);
  gtk_dialog_set_has_separator(GTK_DIALOG(w.dialog.get()), FALSE);
  gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_SPLASHSCREEN);
  gtk_widget_set_size_request(gtk_dialog_get_action_area(GTK_DIALOG(w.dialog.get())), -1, 0);

  GtkWidget *content = content_area(w.dialog.get());
  GtkWidget *row = gtk_hbox_new(FALSE, 4);
  w.bar = gtk_progress_bar_new();
  gtk_box_pack_start(GTK_BOX(row), w.bar, TRUE, TRUE, 0);
  w.cancel = gtk_button_new_with_label(_("Cancel"));
  gtk_box_pack_end(GTK_BOX(row), w.cancel, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(content), row, FALSE, FALSE, 0);
  w.saved_at = gtk_label_new(_("last saved at ..."));
  w.saved_file = gtk_label_new(" ");
  gtk_label_set_ellipsize(GTK_LABEL(w.saved_file), PANGO_ELLIPSIZE_START);
  for (GtkWidget *label : {w.saved_at, w.saved_file}) {
    gtk_misc_set_alignment(GTK_MISC(label), 0.0, 0.0);
    gtk_box_pack_start(GTK_BOX(content), label, FALSE, FALSE, 0);
  }
  return w;
}

guint qv_render_progress_pending_step(GtkWidget *window) {
  const auto *state =
      static_cast<ProgressState *>(g_object_get_data(G_OBJECT(window), kProgressState));
  return state ? state->step.id() : 0;
}
