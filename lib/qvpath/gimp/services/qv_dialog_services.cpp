#include "gimp/services/qv_dialog_services.h"

#include <glib/gi18n-lib.h>

#include "core/qv_glib_ptr.h"
#include "gimp/base/qv_messages.h"
#include "gimp/ui/qv_dialogs.h"

namespace {

bool display_or_report(const char *what, const char *message) {
  if (qv_display_available()) return true;
  // Script texts may be broken UTF-8, which GIMP's message console refuses.
  const std::string text = qv_take_string(g_utf8_make_valid(message ? message : "", -1));
  qv_user_message(_("No display to show the %s \"%s\": it counts as cancelled."), what,
                  text.c_str());
  return false;
}

}  // namespace

std::optional<std::string> qv_prompt_service(const char *message, const char *entry) {
  if (!display_or_report(_("prompt"), message)) return std::nullopt;
  return qv_dialog_prompt(nullptr, nullptr, message, entry);
}

gint32 qv_confirm_service(const char *message) {
  if (!display_or_report(_("confirmation"), message)) return 0;
  return qv_dialog_confirm(nullptr, nullptr, message) ? 1 : 0;
}

void qv_alert_service(const char *message) { qv_dialog_alert(nullptr, nullptr, message); }
