#include "core/qv_locale.h"

#include <glib.h>

#include <cstdarg>
#include <cstdlib>
#include <memory>

#include "core/qv_glib_ptr.h"

namespace {

struct QVDirClose {
  void operator()(GDir *d) const { g_dir_close(d); }
};
struct QVFree {
  void operator()(char *p) const { std::free(p); }
};

std::string joined(const std::string &a, const char *b) {
  return qv_take_string(g_build_filename(a.c_str(), b, nullptr));
}

std::string folder_of(const std::string &file) {
  return qv_take_string(g_path_get_dirname(file.c_str()));
}

}  // namespace

bool qv_locale_dir_has_domain(const std::string &folder, const char *domain) {
  std::unique_ptr<GDir, QVDirClose> dir(g_dir_open(folder.c_str(), 0, nullptr));
  if (!dir) return false;
  const std::string file = std::string(domain) + ".mo";
  while (const char *lang = g_dir_read_name(dir.get())) {
    std::string mo = qv_take_string(
        g_build_filename(folder.c_str(), lang, "LC_MESSAGES", file.c_str(), nullptr));
    if (g_file_test(mo.c_str(), G_FILE_TEST_IS_REGULAR)) return true;
  }
  return false;
}

std::string qv_locale_dir(const std::string &program, const char *domain,
                          const std::string &fallback) {
  if (const char *forced = g_getenv("QV_LOCALEDIR"); forced && *forced) return forced;
  if (program.empty()) return fallback;
  // A profile's plug-ins are often links into a build: the catalogues are
  // those of the build the program came from.
  std::unique_ptr<char, QVFree> real(realpath(program.c_str(), nullptr));
  std::string at = folder_of(real ? real.get() : program);
  for (int up = 0; up <= 3; ++up) {
    for (const char *candidate : {"locale", "share/locale"}) {
      std::string dir = joined(at, candidate);
      if (qv_locale_dir_has_domain(dir, domain)) return dir;
    }
    std::string parent = folder_of(at);
    if (parent == at) break;
    at = parent;
  }
  return fallback;
}

std::string qv_running_program() {
  return qv_take_string(g_file_read_link("/proc/self/exe", nullptr));
}

std::string qv_text(const char *format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = qv_take_string(g_strdup_vprintf(format, args));
  va_end(args);
  return text;
}
