// Counts the PDB procedure calls a GIMP process makes, loaded with
// LD_PRELOAD into GIMP and every plug-in it starts. libgimp sends every
// procedure call through libgimpbase's gp_proc_run_write, a call between
// two shared libraries, so a definition loaded first takes its place; it
// counts the name and hands the message on to the real one. At exit the
// counts are appended to the file QV_PDB_COUNT_FILE names, one
// "<executable> <pid> <procedure> <count>" line each; without that
// variable nothing is counted or written.
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <string>
#include <unordered_map>

#include "pdb-count/qv_gimp_wire.h"

namespace {

using QVProcRunWrite = gboolean (*)(GIOChannel *, QVGPProcRun *, gpointer);

std::mutex counts_lock;

// Allocated once and never freed: the counts must outlive every static
// destructor that could still make a call.
std::unordered_map<std::string, unsigned long> &counts() {
  static auto *table = new std::unordered_map<std::string, unsigned long>();
  return *table;
}

QVProcRunWrite real_proc_run_write() {
  static const auto real = reinterpret_cast<QVProcRunWrite>(dlsym(RTLD_NEXT, "gp_proc_run_write"));
  return real;
}

bool counting() {
  static const bool wanted = std::getenv("QV_PDB_COUNT_FILE") != nullptr;
  return wanted;
}

std::string report() {
  const std::string prefix =
      std::string(program_invocation_short_name) + " " + std::to_string(getpid()) + " ";
  std::string text;
  for (const auto &[name, count] : counts())
    text += prefix + name + " " + std::to_string(count) + "\n";
  return text;
}

// One write with O_APPEND, so that processes ending at the same time add
// whole blocks of lines to the same file.
void append_report() {
  const char *file = std::getenv("QV_PDB_COUNT_FILE");
  if (!file) return;
  std::lock_guard<std::mutex> hold(counts_lock);
  const std::string text = report();
  if (text.empty()) return;
  const int fd = open(file, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += size_t(n);
  }
  close(fd);
}

__attribute__((destructor)) void write_counts_at_exit() { append_report(); }

}  // namespace

extern "C" __attribute__((visibility("default"))) gboolean gp_proc_run_write(GIOChannel *channel,
                                                                             QVGPProcRun *proc_run,
                                                                             gpointer user_data) {
  if (counting() && proc_run && proc_run->name) {
    std::lock_guard<std::mutex> hold(counts_lock);
    ++counts()[proc_run->name];
  }
  const QVProcRunWrite real = real_proc_run_write();
  // Without the real function the process cannot talk to GIMP at all;
  // failing the write lets libgimp end it the way a broken pipe would.
  return real ? real(channel, proc_run, user_data) : FALSE;
}
