// Replays files through a fuzz target's entry point: every file in the
// folders given (the kept corpus and the reproducers of mended faults). The
// normal build compiles the targets this way, with the sanitizers, so that a
// decoder change that breaks on one of them fails ctest without clang.
//   replay_<target> FOLDER...
#include <glib.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/qv_glib_ptr.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int main(int argc, char **argv) {
  long replayed = 0;
  for (int i = 1; i < argc; ++i) {
    GDir *dir = g_dir_open(argv[i], 0, nullptr);
    if (!dir) continue;  // a target may have no reproducers yet
    while (const char *name = g_dir_read_name(dir)) {
      const std::string path = std::string(argv[i]) + G_DIR_SEPARATOR_S + name;
      gchar *data = nullptr;
      gsize size = 0;
      if (!g_file_get_contents(path.c_str(), &data, &size, nullptr)) continue;
      qv_gstring owned(data);
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(data), size);
      ++replayed;
    }
    g_dir_close(dir);
  }
  std::printf("replayed %ld files\n", replayed);
  // No corpus at all would make this a test that cannot fail.
  return replayed > 0 ? 0 : 1;
}
