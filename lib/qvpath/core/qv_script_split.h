// Splitting Scheme text into its top-level expressions without evaluating
// it. Script-Fu locks a file it loads when the code in it fails, so the
// suite's scripts never load files: they get the expressions as strings and
// evaluate them one by one. The split never fails: a syntax error becomes an
// expression that shows the error when evaluated.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// The expressions in order, each exactly as written. Where a parenthesis is
// unbalanced, that expression is replaced by a (gimp-message ...) naming line
// and column (both from 1) and everything after it is dropped.
// An expression ends where its parentheses close, or at a blank or ";" at
// depth 0; parentheses inside string literals, comments and character
// literals do not count.
std::vector<std::string> qv_script_split(const std::string &text);

struct QVScriptRead {
  std::string expression;  // "()" when no expression remains
  size_t next = 0;         // byte offset just after the expression
};

// The first expression at or after the byte offset (clamped to the text).
QVScriptRead qv_script_read_from_string(const std::string &text, long index);

// Writes the expressions, each followed by a line break, into a new file in
// GLib's temporary folder; returns its name (UTF-8), or none when the file
// could not be written (nothing is left behind then).
std::optional<std::string> qv_script_write_tmp_file(const std::vector<std::string> &expressions);
