// frameRunner's window: pick the XCF image, one of its timelines, the first
// frame's file and the GIMP to run; the choices and window placements are
// kept in the key file between runs.
//
// What the window does on its buttons is split into the functions below so
// that each step can also be driven on a real window without a user.
#pragma once

#include "core/qv_runner_settings.h"
#include "core/qv_xcf_timelines.h"
#include "runner_jobs.h"

#include <gtk/gtk.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Geometry groups of the key file, one per kind of window.
extern const char *const QV_RUNNER_MAIN_GROUP;      // "main_dialog"
extern const char *const QV_RUNNER_TIMELINE_GROUP;  // "timeline_dialog"
extern const char *const QV_RUNNER_FILE_GROUP;      // "file_dialog"

// The main window's widgets. The key file is borrowed: geometry and
// settings are stored into it, the caller writes it out.
struct QVRunnerWindow {
  GKeyFile *keyfile = nullptr;
  GtkWidget *dialog = nullptr;
  GtkWidget *xcf = nullptr;
  GtkWidget *count = nullptr;  // "%d frames in" or "not found?!"
  GtkWidget *timeline = nullptr;
  GtkWidget *frame = nullptr;
  GtkWidget *video = nullptr;  // optional film or animated image
  GtkWidget *frames = nullptr;
  GtkWidget *block = nullptr;
  GtkWidget *gimp = nullptr;
  GtkWidget *parameter = nullptr;
  // Last window states reported, per window kind: a window that is not in
  // its normal state does not have its placement remembered.
  int state = 0;
  int file_state = 0;
  int timeline_state = 0;
};

// The key file beside the program when that folder may be written, else in
// the user's configuration folder.
std::string qv_runner_keyfile_path(const char *argv0);

// Loads keeping comments and translations; a missing or unreadable file
// gives an empty key file. Free with g_key_file_free.
GKeyFile *qv_runner_keyfile_load(const std::string &path);

// Writes the whole key file; false (with a message on stderr) when it fails.
bool qv_runner_keyfile_save(GKeyFile *file, const std::string &path);

// Builds and shows the main window with the key file's settings, placed
// where the key file says it was.
void qv_runner_window_build(QVRunnerWindow &w, GKeyFile *keyfile);

// Puts the settings into the widgets and shows the named timeline's frame
// count. An empty executable shows the default GIMP.
void qv_runner_window_load(QVRunnerWindow &w, const QVRunnerSettings &settings);

// The settings as the widgets hold them, including a spin value still being
// typed.
QVRunnerSettings qv_runner_window_settings(const QVRunnerWindow &w);

// The first problem with the entries, checked in the order the user fills
// them in; none when OK may start the render.
std::optional<std::string> qv_runner_window_problem(const QVRunnerWindow &w);

// What the window does when it ends (OK or Cancel): its placement and the
// settings go into the key file.
void qv_runner_window_store(QVRunnerWindow &w);

void qv_runner_window_destroy(QVRunnerWindow &w);

// The timeline chooser over the main window, not yet run: current, recent
// and rest timelines in that order, the one named in the timeline entry
// selected.
struct QVRunnerTimelineChooser {
  GtkWidget *dialog = nullptr;
  GtkWidget *view = nullptr;  // GtkTreeView; model columns below
};
// Rows of the rest group hold no colours: the theme's apply.
enum {
  QV_CHOOSER_NAME,
  QV_CHOOSER_BACKGROUND,
  QV_CHOOSER_INDEX,
  QV_CHOOSER_FOREGROUND,
  QV_CHOOSER_COLUMNS
};

QVRunnerTimelineChooser qv_runner_timeline_chooser_new(QVRunnerWindow &w,
                                                       const QVTimelineList &list);

// Runs the chooser, remembers its placement and destroys it. None when
// cancelled; -1 when confirmed without a selected row; else the index into
// the list.
std::optional<int> qv_runner_timeline_chooser_run(QVRunnerWindow &w,
                                                  QVRunnerTimelineChooser &chooser);

// Takes a choice of the chooser: the XCF and timeline entries, the frame
// count and, when the timeline names one, the first frame. An index of -1
// clears the timeline ("0 frames in").
void qv_runner_window_take_timeline(QVRunnerWindow &w, const std::string &xcf,
                                    const QVTimelineList &list, int index);

// The "Timeline" button once an XCF file was picked: reads its timelines
// and runs the chooser. False when the file is no XCF image (after an
// alert) or the chooser was cancelled, so another file can be picked.
bool qv_runner_window_pick_xcf(QVRunnerWindow &w, const std::string &xcf);

// The progress window of a render started from the window: a bar over all
// frames of the job ("17/50 frames"), the time elapsed and left, the latest
// lines about the blocks, and Cancel.
struct QVRunnerProgress {
  GtkWidget *window = nullptr;
  GtkWidget *bar = nullptr;        // GtkProgressBar
  GtkWidget *times = nullptr;      // "0:12 elapsed, 0:23 left"
  std::vector<GtkWidget *> lines;  // labels, the latest block line last
  GtkWidget *cancel = nullptr;     // GtkButton
  long done = 0;                   // frames written so far
  long total = 0;                  // frames of the job
};

struct QVWindowRenderOptions {
  int parallel = 0;  // GIMP processes at once; 0: one per processor
  // Called after every refresh of the progress window (about four times a
  // second, and once more when the render has ended), e.g. by tests.
  std::function<void(QVRunnerProgress &)> on_refresh;
};

struct QVWindowRenderResult {
  std::vector<QVBlockOutcome> outcomes;
  long frames_done = 0;  // frame files this render wrote
  long frames_total = 0;
  bool cancelled = false;
  std::string video;  // what became of the video: "" none asked for
};

// Renders the blocks of the settings with the progress window; the frames
// done are counted by watching the job's frame files appear. Cancel (or
// closing the window, or SIGINT, SIGTERM or SIGHUP) starts no further block,
// ends the running GIMPs and removes their unfinished frame files. The
// executable is the settings' own, found on PATH when it is a bare name.
QVWindowRenderResult qv_runner_window_render(const QVRunnerSettings &settings,
                                             const QVWindowRenderOptions &options = {});

// After a complete render, the video the settings ask for (nothing when
// none is asked for, or the render was cancelled or failed); the outcome
// goes into result.video for the summary.
void qv_runner_window_make_video(const QVRunnerSettings &settings, QVWindowRenderResult &result);

// Shows the window (initialising GTK) and renders on OK. Exit status as for
// the command line: 0 also when the window was closed without rendering, 1
// when blocks failed or the render was cancelled.
int qv_runner_dialog(int argc, char **argv);
