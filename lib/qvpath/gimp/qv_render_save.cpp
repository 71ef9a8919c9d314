#include "qv_render_save.h"

#include <glib/gi18n-lib.h>
#include <gtk/gtk.h>
#include <libgimp/gimpui.h>

#include <cstring>
#include <ctime>

#include "qv_attributes.h"
#include "qv_chunks.h"
#include "qv_dialogs.h"
#include "qv_draw_current.h"
#include "qv_frame_names.h"
#include "qv_glib_ptr.h"
#include "qv_parasite.h"
#include "qv_render.h"
#include "qv_timeline_chooser.h"
#include "qv_timeline_store.h"

namespace {

const char *const kLastTimeline = "qv-last-rendered-timeline";
const char *const kLastStartframe = "qv-last-rendered-startframe";
const char *const kLastAmount = "qv-last-rendered-amount-frames";
const char *const kLastSavedFrame = "qv-last-saved-frame";

// One Render&Save job: the timeline, the first frame's name, and where it is.
struct QVRenderJob {
  QVpathAnimationEnvironment env;
  QVFrameName first;
  gint32 num = 0;
  int flags = 0;
  bool cancel = false;
};

int flags_of(const QVahdrChunk &header) {
  int flags = QV_RENDER_SAVE | QV_RENDER_TIMELINE;
  if (header.flatten) flags |= QV_RENDER_FLATTEN;
  if (header.interlace == QV_INTERLACED_PAL) flags |= QV_RENDER_INTERLACED;
  if (header.interlace == QV_INTERLACED_NTSC) flags |= QV_RENDER_INTERLACED | QV_RENDER_NTSC;
  return flags;
}

std::optional<QVRenderJob> prepare(gint32 image, const std::string &timeline, const std::string &startframe,
                                   gint32 num) {
  const auto bytes = qv_timeline_read(image, timeline);
  if (!bytes) return std::nullopt;
  auto decoded = qv_timeline_decode(*bytes);
  if (!decoded) {
    g_message("Timeline \"%s\": %s", timeline.c_str(), decoded.error.c_str());
    return std::nullopt;
  }
  QVRenderJob job;
  job.num = num;
  job.first = qv_frame_name_split(startframe);
  QVpathAnimationEnvironment &env = job.env;
  env.source = image;
  env.header = decoded.value->header;
  if (env.header.script_name && !env.header.script_name->empty()) env.before_save_script = env.header.script_name;
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

struct QVProgressWindow {
  QVRenderJob *job;
  GtkWidget *dialog = nullptr, *bar = nullptr, *saved_at = nullptr, *saved_file = nullptr;
  long index = 0;
};

std::string saved_at_text() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return qv_format(local.tm_min < 10 ? "last saved at %d:0%d" : "last saved at %d:%d", local.tm_hour,
                   local.tm_min);
}

gboolean save_step(gpointer data);

gboolean frame_tick(gpointer data) {
  auto *w = static_cast<QVProgressWindow *>(data);
  if (w->index >= w->job->num) {
    gtk_dialog_response(GTK_DIALOG(w->dialog), GTK_RESPONSE_OK);
    return FALSE;
  }
  gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(w->bar), static_cast<double>(w->index) / w->job->num);
  const std::string text = qv_format("%ld/%d %s", w->index + 1, w->job->num, _("frames to render"));
  gtk_progress_bar_set_text(GTK_PROGRESS_BAR(w->bar), text.c_str());
  if (w->index > 0) {
    gtk_label_set_text(GTK_LABEL(w->saved_at), saved_at_text().c_str());
    gtk_label_set_text(GTK_LABEL(w->saved_file), qv_global_string_get(kLastSavedFrame).value_or("").c_str());
  }
  g_timeout_add(300, save_step, w);
  return FALSE;
}

gboolean save_step(gpointer data) {
  auto *w = static_cast<QVProgressWindow *>(data);
  if (save_frame_at(*w->job, w->index)) {
    ++w->index;
    g_timeout_add(10, frame_tick, w);
  } else {
    gtk_dialog_response(GTK_DIALOG(w->dialog), GTK_RESPONSE_OK);
  }
  return FALSE;
}

void on_cancel(GtkButton *, gpointer data) { static_cast<QVRenderJob *>(data)->cancel = true; }

void run_with_window(QVRenderJob &job) {
  GtkWidget *dialog = gtk_dialog_new();
  gtk_window_set_title(GTK_WINDOW(dialog), _("Render&Save"));
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  gtk_dialog_set_has_separator(GTK_DIALOG(dialog), FALSE);
  gtk_window_set_type_hint(GTK_WINDOW(dialog), GDK_WINDOW_TYPE_HINT_SPLASHSCREEN);
  gtk_widget_set_size_request(GTK_DIALOG(dialog)->action_area, -1, 0);
  GtkWidget *content = GTK_DIALOG(dialog)->vbox;
  GtkWidget *row = gtk_hbox_new(FALSE, 4);
  GtkWidget *bar = gtk_progress_bar_new();
  gtk_box_pack_start(GTK_BOX(row), bar, TRUE, TRUE, 0);
  GtkWidget *cancel = gtk_button_new_with_label(_("Cancel"));
  g_signal_connect(cancel, "clicked", G_CALLBACK(on_cancel), &job);
  gtk_box_pack_end(GTK_BOX(row), cancel, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(content), row, FALSE, FALSE, 0);
  GtkWidget *saved_at = gtk_label_new(_("last saved at ..."));
  GtkWidget *saved_file = gtk_label_new(" ");
  gtk_label_set_ellipsize(GTK_LABEL(saved_file), PANGO_ELLIPSIZE_START);
  for (GtkWidget *label : {saved_at, saved_file}) {
    gtk_misc_set_alignment(GTK_MISC(label), 0.0, 0.0);
    gtk_box_pack_start(GTK_BOX(content), label, FALSE, FALSE, 0);
  }
  gtk_widget_show_all(dialog);

  QVProgressWindow window{&job, dialog, bar, saved_at, saved_file};
  g_timeout_add(10, frame_tick, &window);
  for (;;) {
    const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    if (response == GTK_RESPONSE_OK || response == GTK_RESPONSE_CANCEL) break;
  }
  gtk_widget_destroy(dialog);
}

// --- The Render Timeline dialog --------------------------------------------------

struct QVRenderDialog {
  gint32 image;
  GtkWidget *dialog = nullptr, *label = nullptr, *timeline = nullptr, *frame = nullptr, *spin = nullptr;
};

void show_frame_count(QVRenderDialog &d, const std::string &timeline) {
  const auto bytes = qv_timeline_read(d.image, timeline);
  const auto decoded = bytes ? qv_timeline_decode(*bytes) : QVDecoded<QVTimeline>{};
  if (!decoded) return;
  const long frames = qv_ahdr_frame_count(decoded.value->header);
  gtk_label_set_text(GTK_LABEL(d.label), qv_format(_("%ld frames in"), frames).c_str());
  if (decoded.value->header.frame_fname && !decoded.value->header.frame_fname->empty())
    gtk_entry_set_text(GTK_ENTRY(d.frame), decoded.value->header.frame_fname->c_str());
}

void on_timeline(GtkButton *, gpointer data) {
  auto *d = static_cast<QVRenderDialog *>(data);
  if (const auto chosen = qv_timeline_choose(GTK_WINDOW(d->dialog), d->image, 1)) {
    gtk_entry_set_text(GTK_ENTRY(d->timeline), chosen->c_str());
    show_frame_count(*d, *chosen);
  }
}

void on_frame(GtkButton *, gpointer data) {
  auto *d = static_cast<QVRenderDialog *>(data);
  GtkWidget *chooser = gtk_file_chooser_dialog_new(_("Select Frame-Filename"), GTK_WINDOW(d->dialog),
                                                   GTK_FILE_CHOOSER_ACTION_OPEN, GTK_STOCK_CANCEL,
                                                   GTK_RESPONSE_CANCEL, GTK_STOCK_OK, GTK_RESPONSE_OK, nullptr);
  gtk_file_chooser_set_do_overwrite_confirmation(GTK_FILE_CHOOSER(chooser), TRUE);
  const char *current = gtk_entry_get_text(GTK_ENTRY(d->frame));
  if (current && *current) gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(chooser), current);
  qv_dialog_geometry_restore(GTK_WINDOW(chooser), "qv-dialog-file-select", nullptr);
  if (gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_OK) {
    const std::string name = qv_take_string(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser)));
    gtk_entry_set_text(GTK_ENTRY(d->frame), name.c_str());
  }
  qv_dialog_geometry_save(GTK_WINDOW(chooser), "qv-dialog-file-select", 0, 0);
  gtk_widget_destroy(chooser);
}

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

GtkWidget *padded_row(GtkWidget *content, int padding) {
  GtkWidget *row = gtk_hbox_new(FALSE, 0);
  gtk_box_pack_start(GTK_BOX(content), row, FALSE, FALSE, padding);
  return row;
}

}  // namespace

gint32 qv_render_and_save(gint32 image, const std::string &timeline, const std::string &startframe, gint32 num) {
  if (num < 1) {
    g_log(nullptr, G_LOG_LEVEL_MESSAGE, "num <= 0");
    return 0;
  }
  if (!qv_image_is_open(image)) {
    g_message("%s: %d", "No valid image ID", image);
    return 0;
  }
  const QVKeepCleanScope clean(image);
  auto job = prepare(image, timeline, startframe, num);
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
    g_message(_("The Render Timeline dialog needs a display; nothing was rendered."));
    return -1;
  }
  const QVKeepCleanScope clean(image);
  std::optional<std::string> timeline = qv_image_string_get(image, kLastTimeline);
  if (!timeline) timeline = qv_timeline_choose(nullptr, image, 1);
  const std::string startframe = qv_image_string_get(image, kLastStartframe).value_or("");

  QVRenderDialog d{image};
  d.dialog = gtk_dialog_new_with_buttons(_("Render Timeline"), nullptr, GTK_DIALOG_MODAL, GTK_STOCK_CANCEL,
                                         GTK_RESPONSE_CANCEL, GTK_STOCK_OK, GTK_RESPONSE_OK, nullptr);
  GtkWidget *content = GTK_DIALOG(d.dialog)->vbox;
  padded_row(content, 4);
  GtkWidget *row = padded_row(content, 8);
  gtk_box_pack_start(GTK_BOX(row), gtk_hbox_new(FALSE, 0), FALSE, FALSE, 9);
  d.label = gtk_label_new(_("??? frames in"));
  gtk_box_pack_start(GTK_BOX(row), d.label, FALSE, FALSE, 0);
  d.timeline = gtk_entry_new();
  gtk_editable_set_editable(GTK_EDITABLE(d.timeline), FALSE);
  gtk_widget_set_size_request(d.timeline, 300, -1);
  gtk_box_pack_start(GTK_BOX(row), d.timeline, TRUE, TRUE, 16);
  GtkWidget *timeline_button = gtk_button_new_with_label(_("Timeline"));
  gtk_box_pack_start(GTK_BOX(row), timeline_button, FALSE, FALSE, 16);
  row = padded_row(content, 8);
  d.frame = gtk_entry_new();
  gtk_widget_set_size_request(d.frame, 300, -1);
  gtk_entry_set_text(GTK_ENTRY(d.frame), startframe.c_str());
  gtk_box_pack_start(GTK_BOX(row), d.frame, TRUE, TRUE, 16);
  GtkWidget *frame_button = gtk_button_new_with_label(_("Frame"));
  gtk_box_pack_start(GTK_BOX(row), frame_button, FALSE, FALSE, 16);
  row = padded_row(content, 8);
  gtk_box_pack_start(GTK_BOX(row), gtk_hbox_new(FALSE, 0), FALSE, FALSE, 5);
  GtkObject *adjustment = gtk_adjustment_new(stored_amount(image), 1, 999999, 1, 5, 0);
  d.spin = gtk_spin_button_new(GTK_ADJUSTMENT(adjustment), 1, 0);
  gtk_box_pack_start(GTK_BOX(row), d.spin, FALSE, FALSE, 6);
  gtk_box_pack_start(GTK_BOX(row), gtk_label_new(_("frames to render.")), FALSE, FALSE, 6);
  GtkRequisition a{}, b{};
  gtk_widget_size_request(timeline_button, &a);
  gtk_widget_size_request(frame_button, &b);
  gtk_widget_set_size_request(timeline_button, std::max(a.width, b.width), -1);
  gtk_widget_set_size_request(frame_button, std::max(a.width, b.width), -1);
  g_signal_connect(timeline_button, "clicked", G_CALLBACK(on_timeline), &d);
  g_signal_connect(frame_button, "clicked", G_CALLBACK(on_frame), &d);
  if (timeline) {
    gtk_entry_set_text(GTK_ENTRY(d.timeline), timeline->c_str());
    show_frame_count(d, *timeline);
    if (!startframe.empty()) gtk_entry_set_text(GTK_ENTRY(d.frame), startframe.c_str());
  }
  // Enter in the frame name or the count renders, as in GIMP's own dialogs.
  gtk_dialog_set_default_response(GTK_DIALOG(d.dialog), GTK_RESPONSE_OK);
  gtk_entry_set_activates_default(GTK_ENTRY(d.frame), TRUE);
  gtk_entry_set_activates_default(GTK_ENTRY(d.spin), TRUE);
  int state = 0;
  qv_dialog_geometry_restore(GTK_WINDOW(d.dialog), "qv-dialog-render-timeline", &state);
  gtk_widget_show_all(d.dialog);
  const gint response = gtk_dialog_run(GTK_DIALOG(d.dialog));
  qv_dialog_geometry_save(GTK_WINDOW(d.dialog), "qv-dialog-render-timeline", state, 0);
  const std::string chosen_timeline = gtk_entry_get_text(GTK_ENTRY(d.timeline));
  const std::string chosen_frame = gtk_entry_get_text(GTK_ENTRY(d.frame));
  const gint32 amount = gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(d.spin));
  gtk_widget_destroy(d.dialog);
  if (response != GTK_RESPONSE_OK) return -1;
  store_amount(image, amount);
  if (!chosen_timeline.empty()) store_text(image, kLastTimeline, chosen_timeline);
  if (!chosen_frame.empty()) store_text(image, kLastStartframe, chosen_frame);
  if (chosen_timeline.empty() || chosen_frame.empty()) return 0;
  return qv_render_and_save(image, chosen_timeline, chosen_frame, amount);
}
