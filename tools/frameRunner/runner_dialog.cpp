#include "runner_dialog.h"

#include "core/qv_dialog_geometry.h"
#include "core/qv_glib_ptr.h"
#include "core/qv_locale.h"
#include "core/qv_render_progress.h"
#include "core/qv_row_colours.h"
#include "core/qv_runner_settings.h"
#include "runner_checks.h"
#include "runner_glib.h"
#include "runner_jobs.h"
#include "runner_video.h"

#include <glib-unix.h>
#include <glib/gi18n-lib.h>
#include <glib/gstdio.h>
#include <gtk/gtk.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <string>

namespace {

constexpr gint RESPONSE_CANCEL = GTK_RESPONSE_CANCEL;  // -6
constexpr gint RESPONSE_OK = GTK_RESPONSE_OK;          // -5
constexpr int MAX_SPIN = 999999;

// --- window geometry in the key file ------------------------------------

gboolean track_state(GtkWidget *, GdkEventWindowState *event, gpointer cell) {
  *static_cast<int *>(cell) = event->new_window_state;
  return FALSE;
}

void restore_geometry(GtkWindow *window, GKeyFile *file, const char *group, int *state) {
  g_signal_connect(window, "window-state-event", G_CALLBACK(track_state), state);
  GdkScreen *screen = gtk_window_get_screen(window);
  const QVGeometryPlan plan =
      qv_keyfile_geometry_plan_restore(qv_keyfile_geometry_read(file, group),
                                       gdk_screen_get_width(screen), gdk_screen_get_height(screen));
  if (plan.move) gtk_window_move(window, plan.x, plan.y);
  if (plan.set_default_size) gtk_window_set_default_size(window, plan.width, plan.height);
}

void save_geometry(GtkWindow *window, GKeyFile *file, const char *group, int state) {
  QVWindowPlacement placement;
  gtk_window_get_position(window, &placement.x, &placement.y);
  gtk_window_get_size(window, &placement.width, &placement.height);
  qv_keyfile_geometry_store(file, group, state, placement);
}

// --- small dialogs ------------------------------------------------------

void alert(GtkWindow *parent, const std::string &message) {
  GtkWidget *dialog = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, GTK_MESSAGE_WARNING,
                                             GTK_BUTTONS_OK, "%s", message.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), _("Alert!"));
  gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
}

// Two window icons drawn here: a frame of film, in two sizes.
GdkPixbuf *film_icon(int size) {
  GdkPixbuf *icon = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, size, size);
  const int stride = gdk_pixbuf_get_rowstride(icon);
  guchar *pixels = gdk_pixbuf_get_pixels(icon);
  const int margin = size / 5;
  const int hole = std::max(1, size / 10);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      guchar *p = pixels + y * stride + x * 4;
      const bool edge = x < margin || x >= size - margin;
      const bool perforation =
          edge && (y / hole) % 2 == 1 && x % margin > 0 && x % margin < margin - 1;
      const bool picture = !edge && y > hole && y < size - hole;
      const guchar rgb[3] = {static_cast<guchar>(perforation ? 0xF0
                                                 : picture   ? 0xEF
                                                             : 0x30),
                             static_cast<guchar>(perforation ? 0xF0
                                                 : picture   ? 0xA0
                                                             : 0x30),
                             static_cast<guchar>(perforation ? 0xF0
                                                 : picture   ? 0x30
                                                             : 0x30)};
      p[0] = rgb[0];
      p[1] = rgb[1];
      p[2] = rgb[2];
      p[3] = 0xFF;
    }
  }
  return icon;
}

void set_icons(GtkWindow *window) {
  GList *icons = nullptr;
  icons = g_list_append(icons, film_icon(16));
  icons = g_list_append(icons, film_icon(48));
  gtk_window_set_icon_list(window, icons);
  g_list_free_full(icons, g_object_unref);
}

// --- the main window ----------------------------------------------------

std::string text_of(GtkWidget *entry) { return gtk_entry_get_text(GTK_ENTRY(entry)); }

void show_count(QVRunnerWindow &w, long count) {
  if (count < 0) {
    gtk_label_set_text(GTK_LABEL(w.count), _("not found?!"));
    return;
  }
  const std::string text = qv_text(_("%ld frames in"), count);
  gtk_label_set_text(GTK_LABEL(w.count), text.c_str());
}

// The frame count of the entry's timeline in the entry's image, -1 when the
// image cannot be read or has no timeline of that name.
long current_count(const QVRunnerWindow &w) {
  const QVRunnerTimelines read = qv_runner_read_timelines(text_of(w.xcf));
  if (!read.error.empty()) return -1;
  const QVTimelineInfo *timeline = qv_timeline_find(read.list, text_of(w.timeline));
  return timeline ? qv_timeline_frame_count(*timeline) : -1;
}

// The folder a chooser opens in for a preset that names no existing file:
// the preset itself when it is a folder, else its folder when that exists,
// else the current folder. The preset is absolute.
std::string preset_folder(const std::string &preset) {
  if (!preset.empty()) {
    if (g_file_test(preset.c_str(), G_FILE_TEST_IS_DIR)) return preset;
    const std::string folder = qv_take_string(g_path_get_dirname(preset.c_str()));
    if (g_file_test(folder.c_str(), G_FILE_TEST_IS_DIR)) return folder;
  }
  return qv_take_string(g_get_current_dir());
}

GtkWidget *file_chooser(QVRunnerWindow &w, const char *title, GtkFileChooserAction action,
                        const char *pattern, const std::string &preset) {
  GtkWidget *chooser = gtk_file_chooser_dialog_new(
      title, GTK_WINDOW(w.dialog), action, GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL,
      action == GTK_FILE_CHOOSER_ACTION_SAVE ? GTK_STOCK_SAVE : GTK_STOCK_OPEN, GTK_RESPONSE_ACCEPT,
      nullptr);
  for (const char *p : {pattern, "*"}) {
    GtkFileFilter *filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, p);
    gtk_file_filter_add_pattern(filter, p);
    gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(chooser), filter);
  }
  // A chooser that is given no folder opens on "Recently Used", where GTK 2's
  // location entry has a completion without a model: every key typed into
  // it printed "gtk_tree_model_get_iter_first: assertion 'GTK_IS_TREE_MODEL
  // (tree_model)' failed". So it always opens in a folder: the preset
  // file's, else the preset's folder when that exists, else the current one.
  const std::string absolute =
      preset.empty() ? preset : qv_take_string(g_canonicalize_filename(preset.c_str(), nullptr));
  if (!absolute.empty() && g_file_test(absolute.c_str(), G_FILE_TEST_IS_REGULAR)) {
    gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(chooser), absolute.c_str());
  } else {
    const std::string folder = preset_folder(absolute);
    gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), folder.c_str());
    if (!preset.empty() && action == GTK_FILE_CHOOSER_ACTION_SAVE) {
      const std::string name = qv_take_string(g_path_get_basename(absolute.c_str()));
      gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(chooser), name.c_str());
    }
  }
  restore_geometry(GTK_WINDOW(chooser), w.keyfile, QV_RUNNER_FILE_GROUP, &w.file_state);
  return chooser;
}

// Runs a file chooser; the chosen name, or none on cancel.
std::optional<std::string> choose_file(QVRunnerWindow &w, GtkWidget *chooser) {
  std::optional<std::string> chosen;
  if (gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
    chosen = qv_take_string(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser)));
  }
  save_geometry(GTK_WINDOW(chooser), w.keyfile, QV_RUNNER_FILE_GROUP, w.file_state);
  gtk_widget_destroy(chooser);
  return chosen;
}

void activate_row(GtkTreeView *, GtkTreePath *, GtkTreeViewColumn *, gpointer dialog) {
  gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
}

void on_timeline(GtkButton *, gpointer data) {
  QVRunnerWindow &w = *static_cast<QVRunnerWindow *>(data);
  std::string preset = text_of(w.xcf);
  for (;;) {
    GtkWidget *chooser =
        file_chooser(w, _("Select XCF-Image"), GTK_FILE_CHOOSER_ACTION_OPEN, "*.xcf", preset);
    const auto xcf = choose_file(w, chooser);
    if (!xcf) return;
    preset = *xcf;
    if (qv_runner_window_pick_xcf(w, *xcf)) return;
  }
}

void on_frame(GtkButton *, gpointer data) {
  QVRunnerWindow &w = *static_cast<QVRunnerWindow *>(data);
  GtkWidget *chooser = file_chooser(w, _("Select Output-Frame"), GTK_FILE_CHOOSER_ACTION_SAVE,
                                    "*.png", text_of(w.frame));
  if (const auto frame = choose_file(w, chooser)) {
    gtk_entry_set_text(GTK_ENTRY(w.frame), frame->c_str());
  }
}

void on_video(GtkButton *, gpointer data) {
  QVRunnerWindow &w = *static_cast<QVRunnerWindow *>(data);
  GtkWidget *chooser = file_chooser(w, _("Select Video-File"), GTK_FILE_CHOOSER_ACTION_SAVE,
                                    "*.mp4", text_of(w.video));
  for (const char *pattern : {"*.webm", "*.gif", "*.webp", "*.apng"}) {
    GtkFileFilter *filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, pattern);
    gtk_file_filter_add_pattern(filter, pattern);
    gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(chooser), filter);
  }
  if (const auto video = choose_file(w, chooser)) {
    gtk_entry_set_text(GTK_ENTRY(w.video), video->c_str());
  }
}

void on_gimp(GtkButton *, gpointer data) {
  QVRunnerWindow &w = *static_cast<QVRunnerWindow *>(data);
  // "gimp-console-2.10" is found on PATH; the chooser opens where it is.
  const std::string gimp = text_of(w.gimp);
  GtkWidget *chooser = file_chooser(w, _("Select Gimp-EXE File"), GTK_FILE_CHOOSER_ACTION_OPEN,
                                    "gimp*", qv_runner_find_gimp(gimp).value_or(gimp));
  if (const auto chosen = choose_file(w, chooser)) {
    gtk_entry_set_text(GTK_ENTRY(w.gimp), chosen->c_str());
  }
}

GtkWidget *entry(bool editable, int width) {
  GtkWidget *widget = gtk_entry_new();
  gtk_editable_set_editable(GTK_EDITABLE(widget), editable);
  if (width > 0) gtk_widget_set_size_request(widget, width, -1);
  return widget;
}

GtkWidget *spin(const char *label, double page, GtkWidget **out) {
  GtkWidget *box = gtk_hbox_new(FALSE, 4);
  *out = gtk_spin_button_new_with_range(1, MAX_SPIN, 1);
  gtk_spin_button_set_increments(GTK_SPIN_BUTTON(*out), 1, page);
  gtk_box_pack_start(GTK_BOX(box), *out, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), gtk_label_new(label), FALSE, FALSE, 0);
  return box;
}

GtkWidget *button(const char *label, GCallback handler, QVRunnerWindow &w) {
  GtkWidget *widget = gtk_button_new_with_label(label);
  g_signal_connect(widget, "clicked", handler, &w);
  return widget;
}

// A spin value typed but not yet confirmed (no Enter, focus still in the
// field) is only in the text; reading the adjustment alone would lose it.
int spin_value(GtkWidget *widget) {
  gtk_spin_button_update(GTK_SPIN_BUTTON(widget));
  return gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(widget));
}

// --- the progress window ------------------------------------------------

constexpr guint PROGRESS_POLL_MS = 250;
constexpr size_t PROGRESS_LINES = 4;

// What the progress window's callbacks share while a render runs.
struct ProgressRun {
  QVRunnerProgress &progress;
  QVJobControl &control;
  QVFrameWatch &watch;
  const QVWindowRenderOptions &options;
  gint64 start = 0;
  std::string folder;  // the frames' folder with its separator, left out of block lines
  bool finished = false;
  std::deque<std::string> lines{};
};

// The folder of the job's frames, ending in its separator.
std::string frames_folder(const QVRenderJob &job) {
  const std::string first = qv_frame_name_build(job.first, job.first.start);
  const std::string folder = qv_frame_name_folder(first);
  return first.compare(0, folder.size(), folder) == 0 && first.size() > folder.size()
             ? first.substr(0, folder.size() + 1)
             : std::string();
}

// A block line without the frames' folder, which the window shows once.
std::string without_folder(std::string line, const std::string &folder) {
  if (folder.empty()) return line;
  for (size_t at; (at = line.find(folder)) != std::string::npos;) line.erase(at, folder.size());
  return line;
}

QVRunnerProgress progress_window_new(const QVRenderJob &job) {
  QVRunnerProgress p;
  p.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  const std::string title = qv_text(_("Rendering »%s«"), job.timeline.c_str());
  gtk_window_set_title(GTK_WINDOW(p.window), title.c_str());
  gtk_window_set_position(GTK_WINDOW(p.window), GTK_WIN_POS_CENTER);
  set_icons(GTK_WINDOW(p.window));
  GtkWidget *rows = gtk_vbox_new(FALSE, 8);
  gtk_container_set_border_width(GTK_CONTAINER(rows), 12);
  gtk_container_add(GTK_CONTAINER(p.window), rows);

  long frames = 0;
  for (const QVFrameBlock &block : job.blocks) frames += block.count;
  const std::string image = qv_take_string(g_path_get_basename(job.xcf.c_str()));
  const size_t blocks = job.blocks.size();
  // Three counts, each with its own plural form.
  const std::string heading = qv_text(
      _("Timeline »%s« of %s: %s, %s"), job.timeline.c_str(), image.c_str(),
      qv_text(ngettext("%ld frame in %zu block", "%ld frames in %zu blocks", blocks), frames,
              blocks)
          .c_str(),
      qv_text(ngettext("%d GIMP at a time", "%d GIMPs at a time", job.parallel), job.parallel)
          .c_str());
  GtkWidget *heading_label = gtk_label_new(heading.c_str());
  gtk_misc_set_alignment(GTK_MISC(heading_label), 0, 0.5);
  gtk_label_set_ellipsize(GTK_LABEL(heading_label), PANGO_ELLIPSIZE_END);
  gtk_box_pack_start(GTK_BOX(rows), heading_label, FALSE, FALSE, 0);
  const std::string folder = frames_folder(job);
  if (!folder.empty()) {
    GtkWidget *folder_label = gtk_label_new(qv_text(_("into %s"), folder.c_str()).c_str());
    gtk_misc_set_alignment(GTK_MISC(folder_label), 0, 0.5);
    gtk_label_set_ellipsize(GTK_LABEL(folder_label), PANGO_ELLIPSIZE_MIDDLE);
    gtk_box_pack_start(GTK_BOX(rows), folder_label, FALSE, FALSE, 0);
  }

  p.bar = gtk_progress_bar_new();
  gtk_box_pack_start(GTK_BOX(rows), p.bar, FALSE, FALSE, 0);
  p.times = gtk_label_new("");
  gtk_misc_set_alignment(GTK_MISC(p.times), 0, 0.5);
  gtk_box_pack_start(GTK_BOX(rows), p.times, FALSE, FALSE, 0);

  GtkWidget *frame = gtk_frame_new(_("Blocks"));
  GtkWidget *lines = gtk_vbox_new(FALSE, 2);
  gtk_container_set_border_width(GTK_CONTAINER(lines), 6);
  gtk_container_add(GTK_CONTAINER(frame), lines);
  for (size_t i = 0; i < PROGRESS_LINES; ++i) {
    GtkWidget *line = gtk_label_new(i == 0 ? _("Starting GIMP…") : "");
    gtk_misc_set_alignment(GTK_MISC(line), 0, 0.5);
    // Block lines carry two full frame names: the middle goes first.
    gtk_label_set_ellipsize(GTK_LABEL(line), PANGO_ELLIPSIZE_MIDDLE);
    gtk_label_set_width_chars(GTK_LABEL(line), 70);
    gtk_box_pack_start(GTK_BOX(lines), line, FALSE, FALSE, 0);
    p.lines.push_back(line);
  }
  gtk_box_pack_start(GTK_BOX(rows), frame, TRUE, TRUE, 0);

  GtkWidget *buttons = gtk_hbutton_box_new();
  gtk_button_box_set_layout(GTK_BUTTON_BOX(buttons), GTK_BUTTONBOX_END);
  p.cancel = gtk_button_new_from_stock(GTK_STOCK_CANCEL);
  gtk_box_pack_start(GTK_BOX(buttons), p.cancel, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(rows), buttons, FALSE, FALSE, 0);
  return p;
}

void refresh_progress(ProgressRun &run) {
  QVRunnerProgress &p = run.progress;
  p.done = run.watch.poll(run.control.started());
  const double elapsed = static_cast<double>(g_get_monotonic_time() - run.start) / G_USEC_PER_SEC;
  const QVRenderProgress shown = qv_render_progress(p.done, p.total, elapsed);
  gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(p.bar), shown.fraction);
  gtk_progress_bar_set_text(GTK_PROGRESS_BAR(p.bar), shown.frames.c_str());
  std::string times = shown.times;
  if (run.control.cancelled()) {
    times = qv_text(run.finished ? _("%s elapsed, cancelled") : _("%s elapsed, cancelling…"),
                    qv_duration_text(elapsed).c_str());
  }
  gtk_label_set_text(GTK_LABEL(p.times), times.c_str());
  if (run.options.on_refresh) run.options.on_refresh(p);
}

void show_block_line(ProgressRun &run, const std::string &line) {
  std::printf("frameRunner: %s\n", line.c_str());
  std::fflush(stdout);
  run.lines.push_back(without_folder(line, run.folder));
  while (run.lines.size() > run.progress.lines.size()) run.lines.pop_front();
  for (size_t i = 0; i < run.progress.lines.size(); ++i) {
    const char *text = i < run.lines.size() ? run.lines[i].c_str() : "";
    gtk_label_set_text(GTK_LABEL(run.progress.lines[i]), text);
  }
}

void cancel_render(ProgressRun &run) {
  if (run.finished || run.control.cancelled()) return;
  gtk_widget_set_sensitive(run.progress.cancel, FALSE);
  run.control.cancel();
  refresh_progress(run);
}

void on_cancel_clicked(GtkButton *, gpointer data) {
  cancel_render(*static_cast<ProgressRun *>(data));
}

gboolean on_progress_delete(GtkWidget *, GdkEvent *, gpointer data) {
  cancel_render(*static_cast<ProgressRun *>(data));
  return TRUE;  // the window stays until the GIMPs have ended
}

gboolean on_progress_tick(gpointer data) {
  refresh_progress(*static_cast<ProgressRun *>(data));
  return G_SOURCE_CONTINUE;  // removed by its holder
}

gboolean on_stop_signal(gpointer data) {
  cancel_render(*static_cast<ProgressRun *>(data));
  return G_SOURCE_CONTINUE;  // removed by its holder
}

// The message after a render: how many frames, and the blocks that did not
// finish with their reasons (blocks never started in one line).
std::string render_summary(const QVRunnerSettings &settings, const QVWindowRenderResult &result) {
  const QVFrameName first = qv_frame_name_split(settings.frame_filename);
  std::string failures;
  long not_started = 0;
  for (const QVBlockOutcome &outcome : result.outcomes) {
    if (outcome.ok) continue;
    if (outcome.cancelled && !outcome.started) {
      not_started += outcome.block.count;
      continue;
    }
    failures += "\n" + qv_block_description(first, outcome.block) + ": " + outcome.reason;
  }
  if (result.cancelled) {
    std::string message =
        qv_text(_("Rendering cancelled after %ld of %ld frames; only whole frame files were kept."),
                long(result.frames_done), long(result.frames_total)) +
        failures;
    if (not_started > 0) message += "\n" + qv_text(_("%ld frames not started."), not_started);
    return message;
  }
  if (failures.empty()) {
    return qv_text(_("%ld frames rendered."), long(result.frames_total)) +
           (result.video.empty() ? "" : "\n" + result.video);
  }
  return _("Some blocks failed:") + failures;
}

}  // namespace

const char *const QV_RUNNER_MAIN_GROUP = "main_dialog";
const char *const QV_RUNNER_TIMELINE_GROUP = "timeline_dialog";
const char *const QV_RUNNER_FILE_GROUP = "file_dialog";

std::string qv_runner_keyfile_path(const char *argv0) {
  std::string program = qv_take_string(g_file_read_link("/proc/self/exe", nullptr));
  if (program.empty()) program = argv0;
  const std::string beside = qv_runner_keyfile_name(program);
  const std::string folder = qv_take_string(g_path_get_dirname(beside.c_str()));
  if (g_access(folder.c_str(), W_OK) == 0) return beside;
  const std::string name = qv_take_string(g_path_get_basename(beside.c_str()));
  return qv_take_string(
      g_build_filename(g_get_user_config_dir(), "qv-path-suite", name.c_str(), nullptr));
}

GKeyFile *qv_runner_keyfile_load(const std::string &path) {
  GKeyFile *file = g_key_file_new();
  g_key_file_load_from_file(file, path.c_str(),
                            GKeyFileFlags(G_KEY_FILE_KEEP_COMMENTS | G_KEY_FILE_KEEP_TRANSLATIONS),
                            nullptr);
  return file;
}

bool qv_runner_keyfile_save(GKeyFile *file, const std::string &path) {
  const std::string folder = qv_take_string(g_path_get_dirname(path.c_str()));
  g_mkdir_with_parents(folder.c_str(), 0755);
  GError *error = nullptr;
  // Written to a temporary file and renamed: a crash never leaves half a file.
  if (!g_key_file_save_to_file(file, path.c_str(), &error)) {
    std::fprintf(stderr, _("frameRunner: settings not saved: %s\n"), error->message);
    g_error_free(error);
    return false;
  }
  return true;
}

void qv_runner_window_build(QVRunnerWindow &w, GKeyFile *keyfile) {
  w.keyfile = keyfile;
  w.dialog = gtk_dialog_new_with_buttons(_("Render XCF-Timeline"), nullptr, GtkDialogFlags(0),
                                         GTK_STOCK_CANCEL, RESPONSE_CANCEL, GTK_STOCK_OK,
                                         RESPONSE_OK, nullptr);
  set_icons(GTK_WINDOW(w.dialog));
  GtkWidget *rows = gtk_vbox_new(FALSE, 6);
  gtk_container_set_border_width(GTK_CONTAINER(rows), 8);
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(w.dialog))), rows, TRUE, TRUE,
                     0);

  w.xcf = entry(false, -1);
  gtk_box_pack_start(GTK_BOX(rows), w.xcf, FALSE, FALSE, 0);

  GtkWidget *timeline_row = gtk_hbox_new(FALSE, 6);
  w.count = gtk_label_new("");
  w.timeline = entry(false, 300);
  GtkWidget *timeline_button = button(_("Timeline"), G_CALLBACK(on_timeline), w);
  gtk_box_pack_start(GTK_BOX(timeline_row), w.count, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(timeline_row), w.timeline, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(timeline_row), timeline_button, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(rows), timeline_row, FALSE, FALSE, 0);

  GtkWidget *frame_row = gtk_hbox_new(FALSE, 6);
  w.frame = entry(true, 300);
  GtkWidget *frame_button = button(_("Frame"), G_CALLBACK(on_frame), w);
  gtk_box_pack_start(GTK_BOX(frame_row), w.frame, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(frame_row), frame_button, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(rows), frame_row, FALSE, FALSE, 0);

  GtkWidget *video_row = gtk_hbox_new(FALSE, 6);
  w.video = entry(true, 300);
  gtk_widget_set_tooltip_text(w.video,
                              _("Also make a film or animated image of the frames with ffmpeg: "
                                ".mp4, .webm, .gif, .webp or .apng (empty: none)"));
  GtkWidget *video_button = button(_("Video"), G_CALLBACK(on_video), w);
  gtk_box_pack_start(GTK_BOX(video_row), w.video, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(video_row), video_button, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(rows), video_row, FALSE, FALSE, 0);

  GtkWidget *spin_row = gtk_hbox_new(FALSE, 6);
  gtk_box_pack_start(GTK_BOX(spin_row), spin(_("frames to render."), 5, &w.frames), FALSE, FALSE,
                     0);
  gtk_box_pack_start(GTK_BOX(spin_row), gtk_vseparator_new(), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(spin_row), spin(_("block size."), 10, &w.block), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(rows), spin_row, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(rows), gtk_hseparator_new(), FALSE, FALSE, 0);

  GtkWidget *gimp_row = gtk_hbox_new(FALSE, 6);
  w.gimp = entry(false, -1);
  w.parameter = entry(true, -1);
  GtkWidget *gimp_button = button("gimp.exe", G_CALLBACK(on_gimp), w);
  gtk_box_pack_start(GTK_BOX(gimp_row), w.gimp, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(gimp_row), gtk_label_new(_("Parameter -i ...")), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(gimp_row), w.parameter, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(gimp_row), gimp_button, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(rows), gimp_row, FALSE, FALSE, 0);

  int widest = 0;
  for (GtkWidget *b : {timeline_button, frame_button, video_button, gimp_button}) {
    GtkRequisition size;
    gtk_widget_size_request(b, &size);
    widest = std::max(widest, size.width);
  }
  for (GtkWidget *b : {timeline_button, frame_button, video_button, gimp_button}) {
    gtk_widget_set_size_request(b, widest, -1);
  }
  qv_runner_window_load(w, qv_runner_settings_read(keyfile));
  restore_geometry(GTK_WINDOW(w.dialog), keyfile, QV_RUNNER_MAIN_GROUP, &w.state);
  gtk_widget_show_all(w.dialog);
}

void qv_runner_window_load(QVRunnerWindow &w, const QVRunnerSettings &settings) {
  gtk_entry_set_text(GTK_ENTRY(w.xcf), settings.xcf.c_str());
  gtk_entry_set_text(GTK_ENTRY(w.timeline), settings.timeline.c_str());
  gtk_entry_set_text(GTK_ENTRY(w.frame), settings.frame_filename.c_str());
  gtk_entry_set_text(GTK_ENTRY(w.video), settings.video.c_str());
  gtk_entry_set_text(GTK_ENTRY(w.gimp), settings.gimp_exe.empty() ? QV_RUNNER_DEFAULT_GIMP
                                                                  : settings.gimp_exe.c_str());
  gtk_entry_set_text(GTK_ENTRY(w.parameter), settings.parameter.c_str());
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(w.frames), settings.frames_to_render);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(w.block), settings.block_size);
  show_count(w, current_count(w));
}

QVRunnerSettings qv_runner_window_settings(const QVRunnerWindow &w) {
  QVRunnerSettings settings;
  settings.xcf = text_of(w.xcf);
  settings.timeline = text_of(w.timeline);
  settings.frame_filename = text_of(w.frame);
  settings.video = text_of(w.video);
  settings.gimp_exe = text_of(w.gimp);
  settings.parameter = text_of(w.parameter);
  settings.frames_to_render = spin_value(w.frames);
  settings.block_size = spin_value(w.block);
  return settings;
}

std::optional<std::string> qv_runner_window_problem(const QVRunnerWindow &w) {
  const std::string xcf = text_of(w.xcf);
  if (xcf.empty()) return _("XCF-Image file not selected!");
  const QVRunnerTimelines read = qv_runner_read_timelines(xcf);
  if (!read.error.empty())
    return qv_text(_("File »%s« not a valid GIMP_XCF!\n%s"), xcf.c_str(), read.error.c_str());
  const std::string timeline = text_of(w.timeline);
  if (timeline.empty()) return _("Timeline not selected!");
  if (!qv_timeline_find(read.list, timeline))
    return qv_text(_("Timeline »%s« not found!"), timeline.c_str());
  const std::string frame = text_of(w.frame);
  if (frame.empty()) return _("First-Frame file not selected!");
  if (auto bad = qv_runner_check_frame_name(frame)) return bad;
  const std::string video = text_of(w.video);
  if (!video.empty()) {
    if (auto bad = qv_runner_check_video_output(video)) return bad;
    if (!qv_runner_find_ffmpeg())
      return qv_text(_("Video »%s«: ffmpeg is not installed!"), video.c_str());
  }
  const std::string gimp = text_of(w.gimp);
  if (gimp.empty()) return _("Gimp-EXE file not selected!");
  if (!qv_runner_find_gimp(gimp)) return qv_text(_("Gimp-EXE »%s« does not exist!"), gimp.c_str());
  gchar **argv = nullptr;
  const std::string parameter = text_of(w.parameter);
  if (!parameter.empty() && !g_shell_parse_argv(parameter.c_str(), nullptr, &argv, nullptr)) {
    return qv_text(_("Parameter »%s« cannot be read (unbalanced quotes?)"), parameter.c_str());
  }
  g_strfreev(argv);
  return std::nullopt;
}

void qv_runner_window_store(QVRunnerWindow &w) {
  save_geometry(GTK_WINDOW(w.dialog), w.keyfile, QV_RUNNER_MAIN_GROUP, w.state);
  qv_runner_settings_write(w.keyfile, qv_runner_window_settings(w));
}

void qv_runner_window_destroy(QVRunnerWindow &w) {
  if (w.dialog) gtk_widget_destroy(w.dialog);
  w.dialog = nullptr;
}

QVRunnerTimelineChooser qv_runner_timeline_chooser_new(QVRunnerWindow &w,
                                                       const QVTimelineList &list) {
  QVRunnerTimelineChooser chooser;
  chooser.dialog = gtk_dialog_new_with_buttons(
      _("Select Timeline!"), GTK_WINDOW(w.dialog), GTK_DIALOG_MODAL, GTK_STOCK_CANCEL,
      GTK_RESPONSE_CANCEL, _("Select"), GTK_RESPONSE_OK, nullptr);
  GtkListStore *store = gtk_list_store_new(QV_CHOOSER_COLUMNS, G_TYPE_STRING, GDK_TYPE_COLOR,
                                           G_TYPE_INT, GDK_TYPE_COLOR);
  chooser.view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store));
  GtkTreeSelection *selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(chooser.view));
  gtk_tree_selection_set_mode(selection, GTK_SELECTION_SINGLE);
  const std::string wanted = text_of(w.timeline);
  for (size_t i = 0; i < list.timelines.size(); ++i) {
    const QVTimelineInfo &timeline = list.timelines[i];
    GtkTreeIter row;
    gtk_list_store_append(store, &row);
    gtk_list_store_set(store, &row, QV_CHOOSER_NAME, timeline.name.c_str(), QV_CHOOSER_INDEX,
                       static_cast<int>(i), -1);
    // The theme's text colour may be as pale as the background: a row
    // that gets a background gets its foreground with it.
    if (const auto colours = qv_timeline_row_colours(timeline.group)) {
      const GdkColor background = {0, colours->background.red, colours->background.green,
                                   colours->background.blue};
      const GdkColor foreground = {0, colours->foreground.red, colours->foreground.green,
                                   colours->foreground.blue};
      gtk_list_store_set(store, &row, QV_CHOOSER_BACKGROUND, &background, QV_CHOOSER_FOREGROUND,
                         &foreground, -1);
    }
    if (timeline.name == wanted && gtk_tree_selection_count_selected_rows(selection) == 0) {
      gtk_tree_selection_select_iter(selection, &row);
    }
  }
  g_object_unref(store);
  GtkCellRenderer *cell = gtk_cell_renderer_text_new();
  g_object_set(cell, "ellipsize", PANGO_ELLIPSIZE_END, nullptr);
  gtk_tree_view_insert_column_with_attributes(
      GTK_TREE_VIEW(chooser.view), -1, _("Timeline"), cell, "text", QV_CHOOSER_NAME,
      "background-gdk", QV_CHOOSER_BACKGROUND, "foreground-gdk", QV_CHOOSER_FOREGROUND, nullptr);
  gtk_tree_view_set_headers_visible(GTK_TREE_VIEW(chooser.view), FALSE);
  gtk_tree_view_set_enable_search(GTK_TREE_VIEW(chooser.view), TRUE);
  gtk_tree_view_set_search_column(GTK_TREE_VIEW(chooser.view), QV_CHOOSER_NAME);
  g_signal_connect(chooser.view, "row-activated", G_CALLBACK(activate_row), chooser.dialog);
  GtkWidget *scroll = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroll), GTK_POLICY_AUTOMATIC,
                                 GTK_POLICY_AUTOMATIC);
  gtk_container_add(GTK_CONTAINER(scroll), chooser.view);
  gtk_widget_set_size_request(scroll, 260, 200);
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(chooser.dialog))), scroll, TRUE,
                     TRUE, 0);
  restore_geometry(GTK_WINDOW(chooser.dialog), w.keyfile, QV_RUNNER_TIMELINE_GROUP,
                   &w.timeline_state);
  return chooser;
}

std::optional<int> qv_runner_timeline_chooser_run(QVRunnerWindow &w,
                                                  QVRunnerTimelineChooser &chooser) {
  gtk_widget_show_all(chooser.dialog);
  std::optional<int> chosen;
  if (gtk_dialog_run(GTK_DIALOG(chooser.dialog)) == GTK_RESPONSE_OK) {
    GtkTreeSelection *selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(chooser.view));
    GtkTreeModel *model = nullptr;
    GtkTreeIter row;
    int index = -1;
    if (gtk_tree_selection_get_selected(selection, &model, &row)) {
      gtk_tree_model_get(model, &row, QV_CHOOSER_INDEX, &index, -1);
    }
    chosen = index;
  }
  save_geometry(GTK_WINDOW(chooser.dialog), w.keyfile, QV_RUNNER_TIMELINE_GROUP, w.timeline_state);
  gtk_widget_destroy(chooser.dialog);
  chooser = {};
  return chosen;
}

void qv_runner_window_take_timeline(QVRunnerWindow &w, const std::string &xcf,
                                    const QVTimelineList &list, int index) {
  gtk_entry_set_text(GTK_ENTRY(w.xcf), xcf.c_str());
  if (index < 0 || static_cast<size_t>(index) >= list.timelines.size()) {
    gtk_entry_set_text(GTK_ENTRY(w.timeline), "");
    gtk_label_set_text(GTK_LABEL(w.count), "0 frames in");
    return;
  }
  const QVTimelineInfo &timeline = list.timelines[index];
  gtk_entry_set_text(GTK_ENTRY(w.timeline), timeline.name.c_str());
  show_count(w, qv_timeline_frame_count(timeline));
  if (!timeline.frame_filename.empty()) {
    gtk_entry_set_text(GTK_ENTRY(w.frame), timeline.frame_filename.c_str());
  }
}

bool qv_runner_window_pick_xcf(QVRunnerWindow &w, const std::string &xcf) {
  const QVRunnerTimelines read = qv_runner_read_timelines(xcf);
  if (!read.error.empty()) {
    alert(GTK_WINDOW(w.dialog), read.error);
    return false;
  }
  std::string problems;
  for (const std::string &problem : read.list.problems) problems += "\n" + problem;
  if (!problems.empty())
    alert(GTK_WINDOW(w.dialog), _("Some timelines cannot be read:") + problems);
  QVRunnerTimelineChooser chooser = qv_runner_timeline_chooser_new(w, read.list);
  const auto index = qv_runner_timeline_chooser_run(w, chooser);
  if (!index) return false;
  qv_runner_window_take_timeline(w, xcf, read.list, *index);
  return true;
}

QVWindowRenderResult qv_runner_window_render(const QVRunnerSettings &settings,
                                             const QVWindowRenderOptions &options) {
  QVRenderJob job;
  job.gimp = qv_runner_find_gimp(settings.gimp_exe).value_or(settings.gimp_exe);
  if (!settings.parameter.empty()) {
    gchar **argv = nullptr;
    if (g_shell_parse_argv(settings.parameter.c_str(), nullptr, &argv, nullptr)) {
      for (gchar **arg = argv; *arg; ++arg) job.parameters.emplace_back(*arg);
      g_strfreev(argv);
    }
  }
  job.xcf = settings.xcf;
  job.timeline = settings.timeline;
  job.first = qv_frame_name_split(settings.frame_filename);
  job.blocks = qv_plan_blocks(settings.frames_to_render, settings.block_size);
  job.parallel = qv_runner_parallel(options.parallel);

  // Made before any GIMP starts: frames already on disk count only once
  // they are written again.
  QVFrameWatch watch(job);
  QVJobControl control;
  QVRunnerProgress progress = progress_window_new(job);
  progress.total = watch.total();
  ProgressRun run{progress, control, watch, options, g_get_monotonic_time(), frames_folder(job)};
  g_signal_connect(progress.cancel, "clicked", G_CALLBACK(on_cancel_clicked), &run);
  g_signal_connect(progress.window, "delete-event", G_CALLBACK(on_progress_delete), &run);
  gtk_widget_show_all(progress.window);

  QVWindowRenderResult result;
  {
    QVSourceId ticker(g_timeout_add(PROGRESS_POLL_MS, on_progress_tick, &run));
    // GIMP runs in process groups of its own, so a Ctrl+C in the terminal
    // that started frameRunner no longer reaches it; these pass it on.
    QVSourceId interrupt(g_unix_signal_add(SIGINT, on_stop_signal, &run));
    QVSourceId terminate(g_unix_signal_add(SIGTERM, on_stop_signal, &run));
    QVSourceId hangup(g_unix_signal_add(SIGHUP, on_stop_signal, &run));
    refresh_progress(run);
    result.outcomes = qv_run_render_job(
        job, [&run](const std::string &line) { show_block_line(run, line); }, &control);
  }
  run.finished = true;
  refresh_progress(run);
  result.frames_done = progress.done;
  result.frames_total = progress.total;
  result.cancelled = control.cancelled();
  gtk_widget_destroy(progress.window);
  return result;
}

void qv_runner_window_make_video(const QVRunnerSettings &settings, QVWindowRenderResult &result) {
  const bool all_ok = std::all_of(result.outcomes.begin(), result.outcomes.end(),
                                  [](const QVBlockOutcome &outcome) { return outcome.ok; });
  if (settings.video.empty() || result.cancelled || !all_ok) return;
  const QVRunnerTimelines read = qv_runner_read_timelines(settings.xcf);
  const QVTimelineInfo *timeline = qv_timeline_find(read.list, settings.timeline);
  const double fps = timeline ? timeline->header.fps : 25.0;
  const int interlace = timeline ? timeline->header.interlace : QV_PROGRESSIVE;
  const QVFieldOrder fields = interlace == QV_INTERLACED_PAL    ? QVFieldOrder::top_first
                              : interlace == QV_INTERLACED_NTSC ? QVFieldOrder::bottom_first
                                                                : QVFieldOrder::progressive;
  const auto problem =
      qv_runner_video_of_frames(qv_frame_name_split(settings.frame_filename),
                                settings.frames_to_render, fps, fields, settings.video);
  result.video = problem ? qv_text(_("Video not made: %s"), problem->c_str())
                         : qv_text(_("Video written: %s"), settings.video.c_str());
}

int qv_runner_dialog(int argc, char **argv) {
  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, _("frameRunner: no display; use the command line (frameRunner --help)\n"));
    return 2;
  }
  const std::string path = qv_runner_keyfile_path(argv[0]);
  GKeyFile *keyfile = qv_runner_keyfile_load(path);
  QVRunnerWindow w;
  qv_runner_window_build(w, keyfile);

  gint response;
  for (;;) {
    response = gtk_dialog_run(GTK_DIALOG(w.dialog));
    if (response != RESPONSE_OK) break;
    const auto bad = qv_runner_window_problem(w);
    if (!bad) break;
    alert(GTK_WINDOW(w.dialog), *bad);
  }
  const QVRunnerSettings settings = qv_runner_window_settings(w);
  qv_runner_window_store(w);
  qv_runner_keyfile_save(keyfile, path);
  g_key_file_free(keyfile);
  qv_runner_window_destroy(w);
  while (gtk_events_pending()) gtk_main_iteration();
  if (response != RESPONSE_OK) return 0;

  QVWindowRenderResult result = qv_runner_window_render(settings);
  qv_runner_window_make_video(settings, result);
  alert(nullptr, render_summary(settings, result));
  const bool all_ok = std::all_of(result.outcomes.begin(), result.outcomes.end(),
                                  [](const QVBlockOutcome &outcome) { return outcome.ok; });
  return all_ok && !result.cancelled ? 0 : 1;
}
