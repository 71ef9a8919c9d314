#include "runner_jobs.h"

#include "core/qv_frame_temporary.h"
#include "core/qv_glib_ptr.h"
#include "core/qv_locale.h"
#include "runner_glib.h"
#include "runner_video.h"

#include <glib.h>
#include <glib/gi18n-lib.h>
#include <glib/gstdio.h>

#include <fcntl.h>
#include <glib-unix.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <optional>

namespace {

// After SIGTERM a GIMP gets this long to end before its group gets SIGKILL;
// after the hard limit frameRunner stops waiting for the group.
constexpr gint64 GRACE_US = 2 * G_USEC_PER_SEC;
constexpr gint64 HARD_LIMIT_US = 10 * G_USEC_PER_SEC;
constexpr guint ENDING_CHECK_MS = 50;

std::string frame_number(const QVFrameName &first, long offset) {
  return std::to_string(first.start + offset);
}

// Marker files are "frameRunner-<pid>-XXXXXX.scm" in the temporary folder:
// the process id tells a later run whose markers were left by a frameRunner
// that no longer runs.
constexpr const char *MARKER_PREFIX = "frameRunner-";

// A marker file holding the block's program: it stays when the render
// succeeded, and shows what was run when one has to look into a failure.
// Its name is part of the program, so the file is made first.
std::optional<std::string> make_marker(std::string &error) {
  gchar *raw = nullptr;
  GError *gerror = nullptr;
  const std::string pattern = MARKER_PREFIX + std::to_string(getpid()) + "-XXXXXX.scm";
  const int fd = g_file_open_tmp(pattern.c_str(), &raw, &gerror);
  if (fd < 0) {
    error = qv_text(_("cannot make a marker file: %s"), gerror->message);
    g_error_free(gerror);
    return std::nullopt;
  }
  close(fd);
  return qv_take_string(raw);
}

bool write_marker(const std::string &path, const std::string &program, std::string &error) {
  GError *gerror = nullptr;
  if (g_file_set_contents(path.c_str(), program.c_str(), -1, &gerror)) return true;
  error = qv_text(_("cannot write the marker file: %s"), gerror->message);
  g_error_free(gerror);
  return false;
}

// frameRunner's environment without a display: a GIMP started with one
// opens windows (the render procedure's "Render&Save" progress windows)
// on the user's desktop.
qv_gstrv environment_without_display() {
  qv_gstrv environment(g_get_environ());
  for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    environment.reset(g_environ_unsetenv(environment.release(), name));
  }
  return environment;
}

// What GIMP prints while rendering a block goes into "<marker>.log" beside
// the marker: a terminal keeps its one progress line, and a failed block's
// message ends with GIMP's last words.
constexpr const char *GIMP_LOG_SUFFIX = ".log";
constexpr int GIMP_LOG_LINES = 8;

// The process id in a marker file's (or its GIMP log's) name, or 0 when it
// is neither.
pid_t marker_owner(const char *name) {
  const size_t prefix = std::strlen(MARKER_PREFIX);
  if (std::strncmp(name, MARKER_PREFIX, prefix) != 0 ||
      !(g_str_has_suffix(name, ".scm") || g_str_has_suffix(name, ".scm.log")))
    return 0;
  char *end = nullptr;
  const long pid = std::strtol(name + prefix, &end, 10);
  return pid > 0 && end && *end == '-' ? static_cast<pid_t>(pid) : 0;
}

// Removes the markers of frameRunners that no longer run (killed with
// SIGKILL, which no handler sees).
void remove_stale_markers(const std::function<void(const std::string &)> &log) {
  const std::string folder = g_get_tmp_dir();
  GDir *dir = g_dir_open(folder.c_str(), 0, nullptr);
  if (!dir) return;
  long removed = 0;
  while (const char *name = g_dir_read_name(dir)) {
    const pid_t owner = marker_owner(name);
    if (owner == 0 || owner == getpid() || kill(owner, 0) == 0 || errno != ESRCH) continue;
    if (g_remove((folder + G_DIR_SEPARATOR_S + name).c_str()) == 0) ++removed;
  }
  g_dir_close(dir);
  if (removed > 0) {
    log(qv_text(
        ngettext("removed %ld marker file of an earlier frameRunner that was killed",
                 "removed %ld marker files of an earlier frameRunner that was killed", removed),
        long(removed)));
  }
}

// Runs in the child between fork and exec: a process group of its own, led
// by GIMP, which GIMP's plug-ins join; and SIGTERM should frameRunner die,
// so that no GIMP renders on for nobody.
void child_setup(gpointer) {
  setpgid(0, 0);
#ifdef __linux__
  prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif
}

// Sends the signal to the process group, or to the process when it leads
// none (yet).
void signal_group(GPid group, int signal) {
  if (kill(-group, signal) != 0) kill(group, signal);
}

// Whether a process of the group still runs. kill() also reaches zombies
// (ended, not yet reaped by their parent), so on Linux the members are
// looked up in /proc and zombies do not count.
bool group_alive(GPid group) {
  if (kill(-group, 0) != 0) return errno == EPERM;
  GDir *proc = g_dir_open("/proc", 0, nullptr);
  if (!proc) return true;
  bool alive = false;
  for (const char *name; !alive && (name = g_dir_read_name(proc));) {
    if (!g_ascii_isdigit(name[0])) continue;
    const std::string path = std::string("/proc/") + name + "/stat";
    gchar *raw = nullptr;
    if (!g_file_get_contents(path.c_str(), &raw, nullptr, nullptr)) continue;
    const std::string stat = qv_take_string(raw);
    // "pid (command) state ppid pgrp …"; the command may hold anything.
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) continue;
    char state = 0;
    long parent = 0, pgrp = 0;
    if (std::sscanf(stat.c_str() + close + 1, " %c %ld %ld", &state, &parent, &pgrp) != 3) continue;
    alive = pgrp == group && state != 'Z' && state != 'X';
  }
  g_dir_close(proc);
  return alive;
}

}  // namespace

// The state of one job while its GIMP processes run in the main loop.
struct QVJobRun {
  const QVRenderJob &job;
  const std::function<void(const std::string &)> &log;
  QVJobControl *control = nullptr;
  qv_gstrv environment = environment_without_display();
  std::vector<QVBlockOutcome> outcomes;
  std::deque<size_t> waiting;
  int running = 0;
  GMainLoop *loop = nullptr;

  // Cancelling: the process groups told to end, until none of their
  // processes runs any more.
  bool cancelling = false;
  gint64 cancel_time = 0;
  bool killed = false;
  std::map<size_t, GPid> groups;  // running block → its process group
  std::vector<GPid> ending;
  QVSourceId ending_check;
  int signal = 0;  // the signal that cancelled the job

  QVJobRun(const QVRenderJob &j, const std::function<void(const std::string &)> &l, QVJobControl *c)
      : job(j), log(l), control(c) {}

  void start_next();
  bool start_block(size_t index);
  void finish_block(size_t index, const std::string &marker, gint wait_status);
  void cancel();
  void check_ending();
  void quit_when_done();
  void remove_temporary_files();
  void remove_block_temporary_files(const QVFrameBlock &block);
  static std::vector<QVBlockOutcome> execute(const QVRenderJob &job,
                                             const std::function<void(const std::string &)> &log,
                                             QVJobControl *control);
};

namespace {

struct RunningBlock {
  QVJobRun *run = nullptr;
  size_t index = 0;
  std::string marker;
};

// The last lines GIMP printed for a block, or "" when it printed nothing.
std::string gimp_last_words(const std::string &marker) {
  gchar *text = nullptr;
  if (!g_file_get_contents((marker + GIMP_LOG_SUFFIX).c_str(), &text, nullptr, nullptr)) return "";
  return qv_runner_tail_lines(qv_take_string(text), GIMP_LOG_LINES);
}

void on_block_exit(GPid pid, gint wait_status, gpointer data) {
  std::unique_ptr<RunningBlock> block(static_cast<RunningBlock *>(data));
  g_spawn_close_pid(pid);
  block->run->finish_block(block->index, block->marker, wait_status);
}

gboolean on_ending_check(gpointer data) {
  static_cast<QVJobRun *>(data)->check_ending();
  return G_SOURCE_CONTINUE;  // removed by its holder
}

}  // namespace

void QVJobRun::finish_block(size_t index, const std::string &marker, gint wait_status) {
  QVBlockOutcome &outcome = outcomes[index];
  const QVFrameName &first = job.first;
  groups.erase(index);

  GError *error = nullptr;
  const bool marker_kept = g_file_test(marker.c_str(), G_FILE_TEST_EXISTS);
  const std::vector<std::string> missing = qv_block_missing_files(first, outcome.block);
  if (!g_spawn_check_wait_status(wait_status, &error)) {
    outcome.reason = qv_text(_("GIMP failed: %s"), error->message);
    g_error_free(error);
  } else if (!marker_kept) {
    outcome.reason = _("the render procedure reported a failure");
  } else if (!missing.empty()) {
    outcome.reason = qv_text(_("%zu of %ld frame files missing, first %s"), missing.size(),
                             long(outcome.block.count), missing.front().c_str());
  } else {
    outcome.ok = true;
  }
  if (!outcome.ok && cancelling) {
    outcome.cancelled = true;
    outcome.reason = qv_text(_("cancelled while rendering, %zu of %ld frames not rendered"),
                             missing.size(), long(outcome.block.count));
  } else if (!outcome.ok) {
    const std::string said = gimp_last_words(marker);
    if (!said.empty()) outcome.reason += qv_text(_("; GIMP said:\n%s"), said.c_str());
  }
  g_remove(marker.c_str());
  g_remove((marker + GIMP_LOG_SUFFIX).c_str());
  // A GIMP that was ended may have left its unfinished frame behind.
  if (!outcome.ok) remove_block_temporary_files(outcome.block);
  const std::string block_text = qv_block_description(first, outcome.block);
  if (outcome.ok) {
    log(qv_text(_("done: %s"), block_text.c_str()));
  } else if (outcome.cancelled) {
    log(qv_text(_("cancelled: %s"), block_text.c_str()));
  } else {
    log(qv_text(_("FAILED: %s: %s"), block_text.c_str(), outcome.reason.c_str()));
  }
  --running;
  start_next();
}

// Starts one block; false when it could not even be started (the outcome
// then holds the reason).
bool QVJobRun::start_block(size_t index) {
  QVBlockOutcome &outcome = outcomes[index];
  auto block = std::make_unique<RunningBlock>();
  block->run = this;
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

  const std::string gimp_log = block->marker + GIMP_LOG_SUFFIX;
  const int output = g_open(gimp_log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  GPid pid = 0;
  GError *gerror = nullptr;
  // Without its log GIMP prints to frameRunner's own output, as before.
  const bool spawned =
      g_spawn_async_with_fds(nullptr, argv.data(), environment.get(),
                             GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD),
                             child_setup, nullptr, &pid, -1, output, output, &gerror);
  if (output >= 0) close(output);
  if (!spawned) {
    outcome.reason = qv_text(_("cannot start GIMP: %s"), gerror->message);
    g_error_free(gerror);
    g_remove(block->marker.c_str());
    g_remove(gimp_log.c_str());
    return false;
  }
  // Also from this side, so that a cancel right now already finds the
  // group (the child may not have run its setup yet; if it has exec'd,
  // this fails harmlessly).
  setpgid(pid, pid);
  groups[index] = pid;
  if (control) control->started_[index] = true;
  outcome.started = true;
  log(qv_text(_("started: %s"), qv_block_description(job.first, outcome.block).c_str()));
  ++running;
  g_child_watch_add(pid, on_block_exit, block.release());
  return true;
}

void QVJobRun::start_next() {
  while (!cancelling && running < job.parallel && !waiting.empty()) {
    const size_t index = waiting.front();
    waiting.pop_front();
    if (!start_block(index)) {
      log(qv_text(_("FAILED: %s: %s"),
                  qv_block_description(job.first, outcomes[index].block).c_str(),
                  outcomes[index].reason.c_str()));
    }
  }
  quit_when_done();
}

void QVJobRun::quit_when_done() {
  if (running == 0 && waiting.empty() && ending.empty() && loop) g_main_loop_quit(loop);
}

void QVJobRun::cancel() {
  if (cancelling) return;
  cancelling = true;
  cancel_time = g_get_monotonic_time();
  for (const size_t index : waiting) {
    QVBlockOutcome &outcome = outcomes[index];
    outcome.cancelled = true;
    outcome.reason = _("not started: cancelled");
    log(qv_text(_("not started: %s"), qv_block_description(job.first, outcome.block).c_str()));
  }
  waiting.clear();
  for (const auto &[index, group] : groups) {
    signal_group(group, SIGTERM);
    ending.push_back(group);
  }
  if (!ending.empty()) ending_check.reset(g_timeout_add(ENDING_CHECK_MS, on_ending_check, this));
  quit_when_done();
}

void QVJobRun::check_ending() {
  const gint64 waited = g_get_monotonic_time() - cancel_time;
  for (auto group = ending.begin(); group != ending.end();) {
    if (group_alive(*group) && waited < HARD_LIMIT_US) {
      ++group;
    } else {
      if (waited >= HARD_LIMIT_US) {
        log(qv_text(_("GIMP's process group %ld does not end; not waiting for it"), long(*group)));
      }
      group = ending.erase(group);
    }
  }
  if (!killed && waited >= GRACE_US && !ending.empty()) {
    killed = true;
    for (const GPid group : ending) {
      log(qv_text(_("GIMP did not end on SIGTERM; sending SIGKILL to process group %ld"),
                  long(group)));
      signal_group(group, SIGKILL);
    }
  }
  if (ending.empty()) ending_check.reset();
  quit_when_done();
}

namespace {

long remove_temporary_files_of(const QVFrameName &first, const QVFrameBlock &block) {
  long removed = 0;
  for (const std::string &file : qv_block_frame_files(first, block)) {
    if (g_remove(qv_frame_temporary_name(file).c_str()) == 0) ++removed;
  }
  return removed;
}

std::string unfinished_files(long removed) {
  return qv_text(
      ngettext("removed %ld unfinished frame file", "removed %ld unfinished frame files", removed),
      long(removed));
}

gboolean on_signal(gpointer data) {
  auto *pair = static_cast<std::pair<QVJobRun *, int> *>(data);
  QVJobRun &run = *pair->first;
  if (run.signal == 0) {
    run.signal = pair->second;
    run.log(qv_text(_("stopping: signal %d received"), int(pair->second)));
  }
  run.cancel();
  return G_SOURCE_CONTINUE;  // removed by its holder
}

}  // namespace

void QVJobRun::remove_block_temporary_files(const QVFrameBlock &block) {
  if (const long removed = remove_temporary_files_of(job.first, block))
    log(unfinished_files(removed));
}

// Frames whose GIMP was ended may have a temporary file beside them.
void QVJobRun::remove_temporary_files() {
  long removed = 0;
  for (const QVBlockOutcome &outcome : outcomes) {
    if (outcome.started) removed += remove_temporary_files_of(job.first, outcome.block);
  }
  if (removed > 0) log(unfinished_files(removed));
}

long qv_remove_temporary_frames(const QVFrameName &first, long frames) {
  return remove_temporary_files_of(first, {0, frames});
}

int qv_runner_parallel(int asked) {
  const int wanted = asked > 0 ? asked : static_cast<int>(g_get_num_processors());
  return std::clamp(wanted, 1, QV_RUNNER_MAX_JOBS);
}

void QVJobControl::cancel() {
  if (finished_) return;
  cancelled_ = true;
  if (run_) run_->cancel();
}

std::string qv_block_description(const QVFrameName &first, const QVFrameBlock &block) {
  const long last = block.first + block.count - 1;
  if (block.count == 1) {
    return qv_text(_("frame %s (%s)"), frame_number(first, block.first).c_str(),
                   qv_block_first_frame(first, block).c_str());
  }
  return qv_text(_("frames %s–%s (%s … %s)"), frame_number(first, block.first).c_str(),
                 frame_number(first, last).c_str(), qv_block_first_frame(first, block).c_str(),
                 qv_block_first_frame(first, {last, 1}).c_str());
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
                                              const std::function<void(const std::string &)> &log,
                                              QVJobControl *control) {
  return QVJobRun::execute(job, log, control);
}

std::vector<QVBlockOutcome> QVJobRun::execute(const QVRenderJob &job,
                                              const std::function<void(const std::string &)> &log,
                                              QVJobControl *control) {
  QVJobRun run(job, log, control);
  for (size_t i = 0; i < job.blocks.size(); ++i) {
    QVBlockOutcome outcome;
    outcome.block = job.blocks[i];
    run.outcomes.push_back(outcome);
    run.waiting.push_back(i);
  }
  if (control) {
    control->started_.assign(job.blocks.size(), false);
    control->run_ = &run;
  }
  if (!job.blocks.empty()) {
    remove_stale_markers(log);
    run.loop = g_main_loop_new(nullptr, FALSE);
    // From the first marker on, a signal must not end frameRunner before
    // its GIMPs and files are cleared away.
    std::pair<QVJobRun *, int> signals[] = {{&run, SIGINT}, {&run, SIGTERM}, {&run, SIGHUP}};
    std::vector<QVSourceId> watches;
    for (auto &entry : signals)
      watches.emplace_back(g_unix_signal_add(entry.second, on_signal, &entry));
    if (control && control->cancelled_) {
      run.cancel();
    } else {
      run.start_next();
    }
    if (run.running > 0 || !run.ending.empty()) g_main_loop_run(run.loop);
    g_main_loop_unref(run.loop);
    run.loop = nullptr;
    if (run.cancelling) run.remove_temporary_files();
  }
  if (control) {
    control->signal_ = run.signal;
    if (run.signal) control->cancelled_ = true;
    control->run_ = nullptr;
    control->finished_ = true;
  }
  return run.outcomes;
}

QVFrameWatch::QVFrameWatch(const QVRenderJob &job) {
  for (const QVFrameBlock &block : job.blocks) {
    std::vector<Frame> frames;
    for (const std::string &file : qv_block_frame_files(job.first, block)) {
      Frame frame;
      frame.file = file;
      GStatBuf info;
      if (g_stat(file.c_str(), &info) == 0) {
        frame.existed = true;
        frame.device = info.st_dev;
        frame.inode = info.st_ino;
      }
      frames.push_back(frame);
    }
    total_ += static_cast<long>(frames.size());
    blocks_.push_back(std::move(frames));
  }
}

long QVFrameWatch::poll(const std::vector<bool> &started) {
  for (size_t b = 0; b < blocks_.size(); ++b) {
    if (!started.empty() && (b >= started.size() || !started[b])) continue;
    for (Frame &frame : blocks_[b]) {
      if (frame.done) continue;
      GStatBuf info;
      if (g_stat(frame.file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
      if (frame.existed && info.st_dev == frame.device && info.st_ino == frame.inode) continue;
      frame.done = true;
      ++done_;
    }
  }
  return done_;
}
