// Sends one GIMP wire "run procedure" message per argument into a pipe,
// linked against libgimpbase as libgimp is, so that the call crosses into
// another library the way a plug-in's does. Exits 0 only when every message
// was written and its bytes arrived: the counter must still hand each call
// on to GIMP's own function.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "pdb-count/qv_gimp_wire.h"

int main(int argc, char **argv) {
  int ends[2];
  if (pipe(ends) != 0) return 2;
  gp_init();
  gimp_wire_set_flusher([](GIOChannel *channel, gpointer) {
    return gboolean(g_io_channel_flush(channel, nullptr) == G_IO_STATUS_NORMAL);
  });
  GIOChannel *channel = g_io_channel_unix_new(ends[1]);
  g_io_channel_set_encoding(channel, nullptr, nullptr);
  g_io_channel_set_buffered(channel, FALSE);
  bool written = true;
  for (int i = 1; i < argc; ++i) {
    QVGPProcRun call{argv[i], 0, nullptr};
    written = gp_proc_run_write(channel, &call, nullptr) && written;
  }
  g_io_channel_unref(channel);
  close(ends[1]);
  char buffer[4096];
  ssize_t arrived = 0, n = 0;
  while ((n = read(ends[0], buffer, sizeof buffer)) > 0) arrived += n;
  close(ends[0]);
  if (!written || (argc > 1 && arrived == 0)) {
    std::fprintf(stderr, "pdb_count_probe: the messages did not reach the pipe\n");
    return 1;
  }
  return 0;
}
