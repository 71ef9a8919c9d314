#include "gimp/base/qv_messages.h"

#include <libgimp/gimp.h>

#include <cstdarg>

#include "core/qv_glib_ptr.h"

namespace {

struct QVMessageHandlerSwitch {
  GimpMessageHandlerType saved = gimp_message_get_handler();
  QVMessageHandlerSwitch() { gimp_message_set_handler(GIMP_ERROR_CONSOLE); }
  ~QVMessageHandlerSwitch() { gimp_message_set_handler(saved); }
};

}  // namespace

void qv_message(const char *format, ...) {
  va_list args;
  va_start(args, format);
  qv_gstring text(g_strdup_vprintf(format, args));
  va_end(args);
  QVMessageHandlerSwitch on_console;
  gimp_message(text.get());
}

// libgimp's log handler hands a plug-in's messages to GIMP, which shows them
// with the user's handler.
void qv_user_message(const char *format, ...) {
  va_list args;
  va_start(args, format);
  g_logv(G_LOG_DOMAIN, G_LOG_LEVEL_MESSAGE, format, args);
  va_end(args);
}
