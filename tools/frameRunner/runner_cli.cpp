#include "runner_cli.h"

#include "core/qv_glib_ptr.h"
#include "core/qv_xcf_timelines.h"
#include "runner_checks.h"
#include "runner_jobs.h"

#include <glib.h>

#include <cstdio>
#include <string>

namespace {

static_assert(QV_RUNNER_MAX_JOBS == 16, "the --jobs help text names the cap");

constexpr int EXIT_BLOCK_FAILED = 1;
constexpr int EXIT_BAD_INPUT = 2;

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
        *parameters = nullptr;
  const GOptionEntry entries[] = {
      {"xcf", 'x', 0, G_OPTION_ARG_FILENAME, &xcf, "The XCF image holding the timeline", "FILE"},
      {"timeline", 't', 0, G_OPTION_ARG_STRING, &timeline, "Name of the timeline to render",
       "NAME"},
      {"frame", 'f', 0, G_OPTION_ARG_FILENAME, &frame,
       "File name of the first frame, e.g. /out/shot_0000.png (default: the timeline's own)",
       "FILE"},
      {"frames", 'n', 0, G_OPTION_ARG_INT, &options.frames,
       "Number of frames to render (default: the timeline's in to out, less --from)", "N"},
      {"from", 0, 0, G_OPTION_ARG_INT, &options.from,
       "Start this many frames after the first frame (for rendering one range)", "K"},
      {"block-size", 'b', 0, G_OPTION_ARG_INT, &options.block_size,
       "Frames rendered per GIMP start (default 100)", "B"},
      {"gimp", 'g', 0, G_OPTION_ARG_FILENAME, &gimp,
       "GIMP executable (default gimp-console-2.10 on PATH)", "EXE"},
      {"parameters", 'p', 0, G_OPTION_ARG_STRING, &parameters,
       "Extra GIMP arguments before -b, shell-quoted, e.g. \"-i\"", "TEXT"},
      {"jobs", 'j', 0, G_OPTION_ARG_INT, &options.jobs,
       "GIMP processes at once (default: number of processors; at most 16)", "N"},
      {"resume", 'r', 0, G_OPTION_ARG_NONE, &options.resume,
       "Render only frames whose files do not exist yet", nullptr},
      {"list", 'l', 0, G_OPTION_ARG_NONE, &options.list,
       "List the timelines of the XCF with their frame counts and stop", nullptr},
      {"plan", 0, 0, G_OPTION_ARG_NONE, &options.plan,
       "Print the blocks as \"FROM COUNT\" lines and stop (for spreading blocks over machines)",
       nullptr},
      {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr}};
  GOptionContext *context = g_option_context_new("- render a timeline of an XCF image with GIMP");
  g_option_context_add_main_entries(context, entries, nullptr);
  g_option_context_set_summary(
      context,
      "Without arguments frameRunner opens its window. Blocks of frames are rendered by\n"
      "separate GIMP processes in batch mode; a failed block is reported with its frames\n"
      "and does not stop the others.");
  GError *error = nullptr;
  const bool parsed = g_option_context_parse(context, &argc, &argv, &error);
  g_option_context_free(context);
  options.xcf.reset(xcf);
  options.timeline.reset(timeline);
  options.frame.reset(frame);
  options.gimp.reset(gimp);
  options.parameters.reset(parameters);
  if (!parsed) {
    std::string message = error->message;
    g_error_free(error);
    return message;
  }
  if (argc > 1) return std::string("unexpected argument »") + argv[1] + "«";
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
                                     QVRenderJob &job) {
  if (!options.timeline) return "no timeline given (--timeline; --list shows them)";
  const QVTimelineInfo *timeline = qv_timeline_find(list, options.timeline.get());
  if (!timeline) {
    return "Timeline »" + std::string(options.timeline.get()) + "« not found! The image has " +
           qv_runner_timeline_names(list) + ".";
  }
  // GIMP runs in our folder too, but absolute names also read well in the
  // marker files and messages.
  const std::string given = options.frame ? options.frame.get() : timeline->frame_filename;
  if (given.empty()) return "the timeline names no first frame: give --frame";
  const std::string frame = qv_take_string(g_canonicalize_filename(given.c_str(), nullptr));
  if (auto problem = qv_runner_check_frame_name(frame)) return *problem;

  if (options.from < 0) return "--from must not be negative";
  if (options.block_size < 1) return "--block-size must be at least 1";
  if (options.jobs < 0) return "--jobs must be at least 1";
  long frames = options.frames;
  if (frames == 0) {
    frames = qv_timeline_frame_count(*timeline) - options.from;
    if (frames < 1) {
      return "the timeline has no frames left to render from there (in- and outpoint): give "
             "--frames";
    }
  }
  if (frames < 1 || frames > QV_TIMELINE_MAX_FRAMES) {
    return "--frames must lie between 1 and " + std::to_string(QV_TIMELINE_MAX_FRAMES);
  }

  const std::string gimp = options.gimp ? options.gimp.get() : QV_RUNNER_DEFAULT_GIMP;
  const auto gimp_path = qv_runner_find_gimp(gimp);
  if (!gimp_path) return "Gimp-EXE »" + gimp + "« does not exist!";
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
  job.parallel = qv_runner_parallel(options.jobs);
  if (options.jobs > QV_RUNNER_MAX_JOBS) {
    std::fprintf(stderr, "frameRunner: --jobs %d is more than %d; %d GIMPs run at once\n",
                 options.jobs, QV_RUNNER_MAX_JOBS, QV_RUNNER_MAX_JOBS);
  }
  if (options.resume) {
    // Unfinished frames of a render that was killed: rendered again below.
    if (const long removed = qv_remove_temporary_frames(job.first, frames)) {
      std::printf("frameRunner: removed %ld unfinished frame file%s of an earlier run\n", removed,
                  removed == 1 ? "" : "s");
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
  std::printf("frameRunner: %ld frames rendered in %zu blocks", rendered, outcomes.size() - failed);
  if (failed == 0) {
    std::printf(".\n");
    return 0;
  }
  std::printf("; %d blocks failed:\n", failed);
  for (const QVBlockOutcome &outcome : outcomes) {
    if (!outcome.ok) {
      std::printf("  %s: %s\n", qv_block_description(job.first, outcome.block).c_str(),
                  outcome.reason.c_str());
    }
  }
  std::printf("Run the same command with --resume to render only the missing frames.\n");
  return EXIT_BLOCK_FAILED;
}

}  // namespace

bool qv_runner_cli_wanted(int argc, char **argv) { return argc > 1; }

int qv_runner_cli(int argc, char **argv) {
  CliOptions options;
  if (auto error = parse(argc, argv, options)) return bad_input(*error);
  if (!options.xcf) return bad_input("no XCF image given (--xcf)");
  const QVRunnerTimelines timelines = qv_runner_read_timelines(options.xcf.get());
  if (!timelines.error.empty()) return bad_input(timelines.error);
  for (const std::string &problem : timelines.list.problems) {
    std::fprintf(stderr, "frameRunner: warning: %s\n", problem.c_str());
  }
  if (options.list) {
    list_timelines(timelines.list);
    return 0;
  }

  QVRenderJob job;
  if (auto error = build_job(options, timelines.list, job)) return bad_input(*error);
  if (options.plan) {
    for (const QVFrameBlock &block : job.blocks) {
      std::printf("%ld %ld\n", options.from + block.first, block.count);
    }
    return 0;
  }
  if (job.blocks.empty()) {
    std::printf("frameRunner: every frame file exists already; nothing to render.\n");
    return 0;
  }
  QVJobControl control;
  const auto outcomes = qv_run_render_job(
      job,
      [](const std::string &line) {
        std::printf("frameRunner: %s\n", line.c_str());
        std::fflush(stdout);
      },
      &control);
  const int status = report(job, outcomes);
  // Stopped by a signal: the exit status a shell expects from one.
  return control.signal() ? 128 + control.signal() : status;
}
