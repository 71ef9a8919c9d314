// Messages for the user, in two ways out chosen by what the message is for:
//
//   qv_message       the error console, whatever message handler the user
//                    chose: reports during a render or a script run, which
//                    must not stop the run with a dialog box.
//   qv_user_message  where GIMP sends a plug-in's messages, as the user set
//                    it (a dialog box, the error console or the terminal).
//
// Texts are marked for translation with _() unless the interface fixes them:
// messages that scripts and users compare word for word stay as they are.
#pragma once

#include <glib.h>

void qv_message(const char *format, ...) G_GNUC_PRINTF(1, 2);
void qv_user_message(const char *format, ...) G_GNUC_PRINTF(1, 2);
