// The pure half of the Script-Fu bridge: where a script file named relative
// to an image lives, and the program text handed to GIMP's generic Scheme
// evaluator when the suite's own evaluator is already busy.
#pragma once

#include <optional>
#include <string>

// Resolves a script name against the file name of the image it belongs to
// (both UTF-8; "\" and "/" are both accepted as separators on input, the
// result uses the native one).
// - Without an image file name, or when the image's name has no directory
//   part, the script name is returned unchanged.
// - A name that does not begin with "." is absolute (or Scheme text) and is
//   returned unchanged.
// - Otherwise the leading "." and ".." components are applied to the image's
//   directory and the rest is appended. When ".." climbs above the first
//   directory component, directory and script name are simply joined.
// - A name made only of "." and ".." components gives none.
std::optional<std::string> qv_scheme_resolve_relative(const std::string &image_file,
                                                      const std::string &script);

// The text as a Scheme string literal: wrapped in double quotes, with "\" and
// "\"" escaped. Other bytes (UTF-8, line breaks) are valid inside a literal
// as they stand.
std::string qv_scheme_string_literal(const std::string &text);

// True when the text is exactly one well-formed Scheme string literal.
bool qv_scheme_is_string_literal(const std::string &text);

// The program text for the generic evaluator: a `begin` form that binds
// image, draw, av and name and then runs the body. av is spliced as a number
// only when it is one; name only when it is already a string literal; other
// texts are bound as string literals, so neither can inject code.
std::string qv_scheme_nested_program(int image, int drawable, const std::string &av,
                                     const std::string &name, const std::string &body);

// The text read as a decimal number independently of the locale; text that
// is no number (or no finite one) gives 0.
double qv_scheme_strtod(const char *text);
