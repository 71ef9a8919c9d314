// What the script service procedures do for the suite's Scheme side: script
// text from files or strings, split into expressions or copied to a
// temporary file that Script-Fu may load (and lock) safely.
#pragma once

#include <libgimp/gimp.h>

#include <optional>
#include <string>
#include <vector>

// The expressions of the script (file relative to the image, absolute file,
// or Scheme text); none for an empty script.
std::vector<std::string> qv_script_array(gint32 image, const char *script);

// The expressions of a file that must exist and hold data; otherwise a
// message and none.
std::vector<std::string> qv_script_array_from_file(gint32 image, const char *file);

// The expressions of the text; an empty text gives a message and none.
std::vector<std::string> qv_script_array_from_string(const char *script);

// prefix + script text + suffix; none for an empty script.
std::optional<std::string> qv_script_combine(gint32 image, const char *prefix, const char *script,
                                             const char *suffix);

enum class QVTmpFileResult { EMPTY_SCRIPT, WRITTEN, FAILED };

// Writes the script's expressions into a fresh temporary file; its UTF-8
// name goes to file_name when written. A failure is shown as a message.
QVTmpFileResult qv_script_get_tmp_file(gint32 image, const char *script, std::string &file_name);

// Removes the file named in UTF-8 (the name is taken as it stands).
void qv_remove_file(const char *file_name);
