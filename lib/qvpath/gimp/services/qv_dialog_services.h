// The alert, confirm and prompt dialogs as the dialog service plug-in offers
// them to scripts: no parent window, the dialogs' own titles. A script may
// run in a GIMP without any display; then nobody can answer, the call counts
// as cancelled and a message says so, instead of the plug-in aborting.
#pragma once

#include <libgimp/gimp.h>

#include <optional>
#include <string>

// The entered text on "OK"; none on Cancel, on closing, or without a display.
std::optional<std::string> qv_prompt_service(const char *message, const char *entry);

// 1 for "OK", 0 for Cancel, closing, or no display.
gint32 qv_confirm_service(const char *message);

// Shows the message until "OK"; without a display the message is logged.
void qv_alert_service(const char *message);
