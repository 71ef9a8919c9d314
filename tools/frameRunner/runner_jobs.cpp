#include "runner_jobs.h"

#include "qv_glib_ptr.h"

#include <glib.h>
#include <glib/gstdio.h>

#include <unistd.h>

#include <deque>
#include <memory>
#include <optional>

namespace {

// The state of one job while its GIMP processes run in the main loop.
struct JobRun {
  const QVRenderJob &job;
  const std::function<void(const std::string &)> &log;
  std::vector<QVBlockOutcome> outcomes;
  std::deque<size_t> waiting;
  int running = 0;
  GMainLoop *loop = nullptr;
};

struct RunningBlock {
  JobRun *run = nullptr;
  size_t index = 0;
  std::string marker;
};

std::string frame_number(const QVFrameName &first, long offset) {
  return std::to_string(first.start + offset);
}

// A marker file holding the block's program: it stays when the render
// succeeded, and shows what was run when one has to look into a failure.
// Its name is part of the program, so the file is made first.
std::optional<std::string> make_marker(std::string &error) {
  gchar *raw = nullptr;
  GError *gerror = nullptr;
  const int fd = g_file_open_tmp("frameRunner-XXXXXX.scm", &raw, &gerror);
  if (fd < 0) {
    error = std::string("cannot make a marker file: ") + gerror->message;
    g_error_free(gerror);
    return std::nullopt;
  }
  close(fd);
  return qv_take_string(raw);
}

bool write_marker(const std::string &path, const std::string &program, std::string &error) {
  GError *gerror = nullptr;
  if (g_file_set_contents(path.c_str(), program.c_str(), -1, &gerror)) return true;
  error = std::string("cannot write the marker file: ") + gerror->message;
  g_error_free(gerror);
  return false;
}

void start_next(JobRun &run);

void finish_block(GPid pid, gint wait_status, gpointer data) {
  std::unique_ptr<RunningBlock> block(static_cast<RunningBlock *>(data));
  g_spawn_close_pid(pid);
  JobRun &run = *block->run;
  QVBlockOutcome &outcome = run.outcomes[block->index];
  const QVFrameName &first = run.job.first;

  GError *error = nullptr;
  const bool marker_kept = g_file_test(block->marker.c_str(), G_FILE_TEST_EXISTS);
  const std::vector<std::string> missing = qv_block_missing_files(first, outcome.block);
  if (!g_spawn_check_wait_status(wait_status, &error)) {
    outcome.reason = std::string("GIMP failed: ") + error->message;
    g_error_free(error);
  } else if (!marker_kept) {
    outcome.reason = "the render procedure reported a failure";
  } else if (!missing.empty()) {
    outcome.reason = std::to_string(missing.size()) + " of " + std::to_string(outcome.block.count) +
                     " frame files missing, first " + missing.front();
  } else {
    outcome.ok = true;
  }
  g_remove(block->marker.c_str());
  run.log(std::string(outcome.ok ? "done: " : "FAILED: ") +
          qv_block_description(first, outcome.block) +
          (outcome.ok ? std::string() : ": " + outcome.reason));
  --run.running;
  start_next(run);
}

// Starts one block; false when it could not even be started (the outcome
// then holds the reason).
bool start_block(JobRun &run, size_t index) {
  const QVRenderJob &job = run.job;
  QVBlockOutcome &outcome = run.outcomes[index];
  auto block = std::make_unique<RunningBlock>();
  block->run = &run;
  block->index = index;

  const auto marker = make_marker(outcome.reason);
  if (!marker) return false;
  block->marker = *marker;
  const std::string program =
      qv_render_block_program(job.xcf, job.timeline, qv_block_first_frame(job.first, outcome.block),
                              outcome.block.count, block->marker);
  if (!write_marker(block->marker, program, outcome.reason)) {
    g_remove(block->marker.c_str());
    return false;
  }

  std::vector<std::string> args{job.gimp};
  args.insert(args.end(), job.parameters.begin(), job.parameters.end());
  // A program that fails before its own gimp-quit would leave GIMP waiting
  // for more batch commands; the second one makes sure it ends.
  for (const char *arg : {"-b", program.c_str(), "-b", "(gimp-quit 0)"}) args.emplace_back(arg);
  std::vector<gchar *> argv;
  for (std::string &arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  GPid pid = 0;
  GError *gerror = nullptr;
  if (!g_spawn_async(nullptr, argv.data(), nullptr,
                     GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD), nullptr, nullptr,
                     &pid, &gerror)) {
    outcome.reason = std::string("cannot start GIMP: ") + gerror->message;
    g_error_free(gerror);
    g_remove(block->marker.c_str());
    return false;
  }
  run.log("started: " + qv_block_description(job.first, outcome.block));
  ++run.running;
  g_child_watch_add(pid, finish_block, block.release());
  return true;
}

void start_next(JobRun &run) {
  while (run.running < run.job.parallel && !run.waiting.empty()) {
    const size_t index = run.waiting.front();
    run.waiting.pop_front();
    if (!start_block(run, index)) {
      run.log("FAILED: " + qv_block_description(run.job.first, run.outcomes[index].block) + ": " +
              run.outcomes[index].reason);
    }
  }
  if (run.running == 0 && run.waiting.empty()) g_main_loop_quit(run.loop);
}

}  // namespace

std::string qv_block_description(const QVFrameName &first, const QVFrameBlock &block) {
  const long last = block.first + block.count - 1;
  if (block.count == 1) {
    return "frame " + frame_number(first, block.first) + " (" + qv_block_first_frame(first, block) +
           ")";
  }
  return "frames " + frame_number(first, block.first) + "–" + frame_number(first, last) + " (" +
         qv_block_first_frame(first, block) + " … " + qv_block_first_frame(first, {last, 1}) + ")";
}

std::vector<std::string> qv_block_missing_files(const QVFrameName &first,
                                                const QVFrameBlock &block) {
  std::vector<std::string> missing;
  for (const std::string &file : qv_block_frame_files(first, block)) {
    if (!g_file_test(file.c_str(), G_FILE_TEST_IS_REGULAR)) missing.push_back(file);
  }
  return missing;
}

std::vector<QVBlockOutcome> qv_run_render_job(const QVRenderJob &job,
                                              const std::function<void(const std::string &)> &log) {
  JobRun run{job, log, {}, {}, 0, nullptr};
  for (size_t i = 0; i < job.blocks.size(); ++i) {
    run.outcomes.push_back({job.blocks[i], false, {}});
    run.waiting.push_back(i);
  }
  if (job.blocks.empty()) return run.outcomes;
  run.loop = g_main_loop_new(nullptr, FALSE);
  start_next(run);
  if (run.running > 0) g_main_loop_run(run.loop);
  g_main_loop_unref(run.loop);
  return run.outcomes;
}
