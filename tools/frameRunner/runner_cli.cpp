#include "runner_cli.h"

#include "core/qv_glib_ptr.h"
#include "core/qv_locale.h"
#include "core/qv_xcf_timelines.h"
#include "runner_checks.h"
#include "runner_jobs.h"
#include "runner_video.h"

#include "core/qv_render_progress.h"
#include "runner_glib.h"

#include <glib.h>
#include <glib/gi18n-lib.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

static_assert(QV_RUNNER_MAX_JOBS == 16, "the --jobs help text names the cap");

constexpr int EXIT_BLOCK_FAILED = 1;
constexpr int EXIT_BAD_INPUT = 2;
constexpr int EXIT_VIDEO_FAILED = 3;

// How often the progress line is looked at, and how often a log (no
// terminal) gets a line.
constexpr guint PROGRESS_POLL_MS = 500;
constexpr gint64 LOG_LINE_EVERY_US = 10 * G_USEC_PER_SEC;

struct CliOptions {
  qv_gstring xcf;
  qv_gstring timeline;
  qv_gstring frame;
  qv_gstring gimp;
  qv_gstring parameters;
  gint frames = 0;  // 0: the timeline's own count
  gint from = 0;
  gint block_size = 100;
  gint jobs = 0;  // 0: one per processor
  gboolean resume = FALSE;
  gboolean list = FALSE;
  gboolean plan = FALSE;
  gboolean quiet = FALSE;
  qv_gstring video;
};

// What the video step needs of the render: the whole range (also with
// --resume, which renders only what is missing), rate and fields.
struct VideoPlan {
  QVFrameName first;
  long frames = 0;
  double fps = 25;
  QVFieldOrder fields = QVFieldOrder::progressive;
};

int bad_input(const std::string &message) {
  std::fprintf(stderr, "frameRunner: %s\n", message.c_str());
  return EXIT_BAD_INPUT;
}

const char *group_name(QVTimelineGroup group) {
  switch (group) {
    case QVTimelineGroup::current:
      return "current";
    case QVTimelineGroup::recent:
      return "recent";
    case QVTimelineGroup::rest:
      return "rest";
  }
  return "";
}

// Parses into `options`; an error message when the arguments do not parse.
std::optional<std::string> parse(int argc, char **argv, CliOptions &options) {
  gchar *xcf = nullptr, *timeline = nullptr, *frame = nullptr, *gimp = nullptr,
        *parameters = nullptr, *video = nullptr;
  const GOptionEntry entries[] = {
      {"xcf", 'x', 0, G_OPTION_ARG_FILENAME, &xcf, N_("The XCF image holding the timeline"),
       N_("FILE")},
      {"timeline", 't', 0, G_OPTION_ARG_STRING, &timeline, N_("Name of the timeline to render"),
       N_("NAME")},
      {"frame", 'f', 0, G_OPTION_ARG_FILENAME, &frame,
       N_("File name of the first frame, e.g. /out/shot_0000.png (default: the timeline's own)"),
       N_("FILE")},
      {"frames", 'n', 0, G_OPTION_ARG_INT, &options.frames,
       N_("Number of frames to render (default: the timeline's in to out, less --from)"), N_("N")},
      {"from", 0, 0, G_OPTION_ARG_INT, &options.from,
       N_("Start this many frames after the first frame (for rendering one range)"), N_("K")},
      {"block-size", 'b', 0, G_OPTION_ARG_INT, &options.block_size,
       N_("Frames rendered per GIMP start (default 100)"), N_("B")},
      {"gimp", 'g', 0, G_OPTION_ARG_FILENAME, &gimp,
       N_("GIMP executable (default gimp-console-2.10 on PATH)"), N_("EXE")},
      {"parameters", 'p', 0, G_OPTION_ARG_STRING, &parameters,
       N_("Extra GIMP arguments before -b, shell-quoted, e.g. \"-i\""), N_("TEXT")},
      {"jobs", 'j', 0, G_OPTION_ARG_INT, &options.jobs,
       N_("GIMP processes at once (default: number of processors; at most 16)"), N_("N")},
      {"resume", 'r', 0, G_OPTION_ARG_NONE, &options.resume,
       N_("Render only frames whose files do not exist yet"), nullptr},
      {"list", 'l', 0, G_OPTION_ARG_NONE, &options.list,
       N_("List the timelines of the XCF with their frame counts and stop"), nullptr},
      {"plan", 0, 0, G_OPTION_ARG_NONE, &options.plan,
       N_("Print the blocks as \"FROM COUNT\" lines and stop (for spreading blocks over "
          "machines)"),
       nullptr},
      {"video", 'o', 0, G_OPTION_ARG_FILENAME, &video,
       N_("Also assemble the frames into FILE with ffmpeg: .mp4 (H.264), .webm (VP9), .gif, .webp "
          "or .apng, at the timeline's frame rate"),
       N_("FILE")},
      {"quiet", 'q', 0, G_OPTION_ARG_NONE, &options.quiet, N_("No progress line while rendering"),
       nullptr},
      {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr}};
  GOptionContext *context =
      g_option_context_new(_("- render a timeline of an XCF image with GIMP"));
  g_option_context_add_main_entries(context, entries, GETTEXT_PACKAGE);
  g_option_context_set_summary(
      context,
      _("Without arguments frameRunner opens its window. Blocks of frames are rendered by\n"
        "separate GIMP processes in batch mode; a failed block is reported with its frames\n"
        "and does not stop the others."));
  GError *error = nullptr;
  const bool parsed = g_option_context_parse(context, &argc, &argv, &error);
  g_option_context_free(context);
  options.xcf.reset(xcf);
  options.timeline.reset(timeline);
  options.frame.reset(frame);
  options.gimp.reset(gimp);
  options.parameters.reset(parameters);
  options.video.reset(video);
  if (!parsed) {
    std::string message = error->message;
    g_error_free(error);
    return message;
  }
  if (argc > 1) return qv_text(_("unexpected argument »%s«"), argv[1]);
  return std::nullopt;
}

void list_timelines(const QVTimelineList &list) {
  for (const QVTimelineInfo &timeline : list.timelines) {
    std::printf("%s\t%ld frames\t%s\t%s\n", timeline.name.c_str(),
                qv_timeline_frame_count(timeline), group_name(timeline.group),
                timeline.frame_filename.c_str());
  }
}

// Everything the job needs, checked; a message when something is wrong.
std::optional<std::string> build_job(const CliOptions &options, const QVTimelineList &list,
                                     QVRenderJob &job, VideoPlan &video) {
  if (!options.timeline) return _("no timeline given (--timeline; --list shows them)");
  const QVTimelineInfo *timeline = qv_timeline_find(list, options.timeline.get());
  if (!timeline) {
    return qv_text(_("Timeline »%s« not found! The image has %s."), options.timeline.get(),
                   qv_runner_timeline_names(list).c_str());
  }
  // GIMP runs in our folder too, but absolute names also read well in the
  // marker files and messages.
  const std::string given = options.frame ? options.frame.get() : timeline->frame_filename;
  if (given.empty()) return _("the timeline names no first frame: give --frame");
  const std::string frame = qv_take_string(g_canonicalize_filename(given.c_str(), nullptr));
  if (auto problem = qv_runner_check_frame_name(frame)) return *problem;

  if (options.from < 0) return _("--from must not be negative");
  if (options.block_size < 1) return _("--block-size must be at least 1");
  if (options.jobs < 0) return _("--jobs must be at least 1");
  long frames = options.frames;
  if (frames == 0) {
    frames = qv_timeline_frame_count(*timeline) - options.from;
    if (frames < 1) {
      return _(
          "the timeline has no frames left to render from there (in- and outpoint): give "
          "--frames");
    }
  }
  if (frames < 1 || frames > QV_TIMELINE_MAX_FRAMES) {
    return qv_text(_("--frames must lie between 1 and %ld"), long(QV_TIMELINE_MAX_FRAMES));
  }

  const std::string gimp = options.gimp ? options.gimp.get() : QV_RUNNER_DEFAULT_GIMP;
  const auto gimp_path = qv_runner_find_gimp(gimp);
  if (!gimp_path) return qv_text(_("Gimp-EXE »%s« does not exist!"), gimp.c_str());
  if (options.parameters && *options.parameters.get()) {
    gchar **argv = nullptr;
    GError *error = nullptr;
    if (!g_shell_parse_argv(options.parameters.get(), nullptr, &argv, &error)) {
      std::string message = std::string("--parameters: ") + error->message;
      g_error_free(error);
      return message;
    }
    for (gchar **arg = argv; *arg; ++arg) job.parameters.emplace_back(*arg);
    g_strfreev(argv);
  }

  job.gimp = *gimp_path;
  job.xcf = qv_take_string(g_canonicalize_filename(options.xcf.get(), nullptr));
  job.timeline = timeline->name;
  job.first = qv_frame_name_split(frame);
  job.first.start += options.from;
  video.first = job.first;
  video.frames = frames;
  video.fps = timeline->header.fps;
  video.fields = timeline->header.interlace == QV_INTERLACED_PAL    ? QVFieldOrder::top_first
                 : timeline->header.interlace == QV_INTERLACED_NTSC ? QVFieldOrder::bottom_first
                                                                    : QVFieldOrder::progressive;
  job.parallel = qv_runner_parallel(options.jobs);
  if (options.jobs > QV_RUNNER_MAX_JOBS) {
    std::fprintf(stderr, _("frameRunner: --jobs %d is more than %d; %d GIMPs run at once\n"),
                 options.jobs, QV_RUNNER_MAX_JOBS, QV_RUNNER_MAX_JOBS);
  }
  if (options.resume) {
    // Unfinished frames of a render that was killed: rendered again below.
    if (const long removed = qv_remove_temporary_frames(job.first, frames)) {
      std::printf(
          ngettext("frameRunner: removed %ld unfinished frame file of an earlier run\n",
                   "frameRunner: removed %ld unfinished frame files of an earlier run\n", removed),
          removed);
    }
    const QVFrameName first = job.first;
    job.blocks = qv_plan_resume(frames, options.block_size, [&first](long offset) {
      const std::string file = qv_frame_name_build(first, first.start + offset);
      return g_file_test(file.c_str(), G_FILE_TEST_IS_REGULAR) != FALSE;
    });
  } else {
    job.blocks = qv_plan_blocks(frames, options.block_size);
  }
  return std::nullopt;
}

int report(const QVRenderJob &job, const std::vector<QVBlockOutcome> &outcomes) {
  long rendered = 0;
  int failed = 0;
  for (const QVBlockOutcome &outcome : outcomes) {
    if (outcome.ok) {
      rendered += outcome.block.count;
    } else {
      ++failed;
    }
  }
  std::printf(_("frameRunner: %ld frames rendered in %zu blocks"), rendered,
              outcomes.size() - failed);
  if (failed == 0) {
    std::printf(".\n");
    return 0;
  }
  std::printf(_("; %d blocks failed:\n"), failed);
  for (const QVBlockOutcome &outcome : outcomes) {
    if (!outcome.ok) {
      std::printf("  %s: %s\n", qv_block_description(job.first, outcome.block).c_str(),
                  outcome.reason.c_str());
    }
  }
  std::printf(_("Run the same command with --resume to render only the missing frames.\n"));
  return EXIT_BLOCK_FAILED;
}

// The progress of a render on one line: on a terminal redrawn in place,
// in a log a plain line now and then. Block lines are printed above it.
struct ProgressLine {
  QVFrameWatch watch;
  bool quiet = false;
  bool terminal = isatty(fileno(stdout)) != 0;
  gint64 start = g_get_monotonic_time();
  gint64 last_log = 0;
  bool shown = false;

  explicit ProgressLine(const QVRenderJob &job, bool silent) : watch(job), quiet(silent) {}

  std::string text() {
    const double elapsed = (g_get_monotonic_time() - start) / double(G_USEC_PER_SEC);
    return qv_render_progress_line(watch.poll({}), watch.total(), elapsed);
  }
  void clear() {
    if (terminal && shown) std::printf("\r\033[K");
    shown = false;
  }
  void block_line(const std::string &line) {
    clear();
    std::printf("frameRunner: %s\n", line.c_str());
    tick();
  }
  void tick() {
    if (quiet) return;
    const gint64 now = g_get_monotonic_time();
    if (terminal) {
      std::printf("\r\033[K%s", text().c_str());
      shown = true;
    } else if (now - last_log >= LOG_LINE_EVERY_US) {
      std::printf("frameRunner: %s\n", text().c_str());
      last_log = now;
    }
    std::fflush(stdout);
  }
  void finish() {
    clear();
    if (!quiet) std::printf("frameRunner: %s\n", text().c_str());
    std::fflush(stdout);
  }
};

gboolean on_progress_tick(gpointer data) {
  static_cast<ProgressLine *>(data)->tick();
  return G_SOURCE_CONTINUE;
}

int make_video(const std::string &output, const VideoPlan &plan) {
  const auto format = qv_video_format(output);
  std::printf(_("frameRunner: making %s »%s« of %ld frames at %g frames/s\n"),
              format ? qv_video_format_label(*format) : "?", output.c_str(), plan.frames, plan.fps);
  std::fflush(stdout);
  if (const auto problem =
          qv_runner_video_of_frames(plan.first, plan.frames, plan.fps, plan.fields, output)) {
    std::fprintf(stderr, "frameRunner: %s\n", problem->c_str());
    return EXIT_VIDEO_FAILED;
  }
  std::printf(_("frameRunner: wrote »%s«\n"), output.c_str());
  return 0;
}

}  // namespace

bool qv_runner_cli_wanted(int argc, char **argv) { return argc > 1; }

int qv_runner_cli(int argc, char **argv) {
  CliOptions options;
  if (auto error = parse(argc, argv, options)) return bad_input(*error);
  if (!options.xcf) return bad_input(_("no XCF image given (--xcf)"));
  const QVRunnerTimelines timelines = qv_runner_read_timelines(options.xcf.get());
  if (!timelines.error.empty()) return bad_input(timelines.error);
  for (const std::string &problem : timelines.list.problems) {
    std::fprintf(stderr, _("frameRunner: warning: %s\n"), problem.c_str());
  }
  if (options.list) {
    list_timelines(timelines.list);
    return 0;
  }

  QVRenderJob job;
  VideoPlan video;
  if (auto error = build_job(options, timelines.list, job, video)) return bad_input(*error);
  // Checked before any GIMP starts: a video that cannot be made is known now.
  if (options.video) {
    if (auto problem = qv_runner_check_video_output(options.video.get()))
      return bad_input(*problem);
    if (!qv_runner_find_ffmpeg())
      return bad_input(
          _("--video needs ffmpeg, which is not installed (Debian: apt-get install ffmpeg)"));
  }
  if (options.plan) {
    for (const QVFrameBlock &block : job.blocks) {
      std::printf("%ld %ld\n", options.from + block.first, block.count);
    }
    return 0;
  }
  if (job.blocks.empty()) {
    std::printf(_("frameRunner: every frame file exists already; nothing to render.\n"));
    return options.video ? make_video(options.video.get(), video) : 0;
  }
  QVJobControl control;
  std::vector<QVBlockOutcome> outcomes;
  {
    ProgressLine progress(job, options.quiet);
    const QVSourceId ticker(g_timeout_add(PROGRESS_POLL_MS, on_progress_tick, &progress));
    outcomes = qv_run_render_job(
        job, [&progress](const std::string &line) { progress.block_line(line); }, &control);
    progress.finish();
  }
  const int status = report(job, outcomes);
  // Stopped by a signal: the exit status a shell expects from one.
  if (control.signal()) return 128 + control.signal();
  if (status != 0 || !options.video) return status;
  return make_video(options.video.get(), video);
}
