#include "core/qv_fatal.h"

#include <glib.h>

#include <cstdlib>
#include <new>

void qv_abort(const char *what) {
  g_log(nullptr, G_LOG_LEVEL_MESSAGE, "%s", what);
  std::exit(1);
}
