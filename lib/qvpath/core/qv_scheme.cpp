#include "core/qv_scheme.h"

#include <glib.h>

#include <cmath>
#include <vector>

#include "core/qv_glib_ptr.h"

namespace {

bool is_separator(char c) { return c == '\\' || c == '/'; }

std::vector<std::string> split_components(const std::string &path) {
  std::vector<std::string> parts(1);
  for (char c : path) {
    if (is_separator(c))
      parts.emplace_back();
    else
      parts.back() += c;
  }
  return parts;
}

std::string join_native(const std::vector<std::string> &parts, size_t begin, size_t end) {
  std::string out;
  for (size_t i = begin; i < end; ++i) {
    if (i > begin) out += G_DIR_SEPARATOR_S;
    out += parts[i];
  }
  return out;
}

std::string to_native(const std::string &path) {
  std::string out = path;
  for (char &c : out)
    if (is_separator(c)) c = G_DIR_SEPARATOR;
  return out;
}

// Directory and name joined with one separator, as written by the user.
std::string join_unchanged(const std::string &dir, const std::string &script) {
  qv_gstring joined(g_build_filename(to_native(dir).c_str(), to_native(script).c_str(), nullptr));
  // g_build_filename drops a leading empty element, so keep a root directory.
  std::string out = joined.get();
  if (!dir.empty() && is_separator(dir[0]) && (out.empty() || out[0] != G_DIR_SEPARATOR))
    out = G_DIR_SEPARATOR_S + out;
  return out;
}

bool is_plain_number(const std::string &text) {
  if (text.empty() || text.find_first_not_of("0123456789+-.eE") != std::string::npos) return false;
  char *end = nullptr;
  const double value = g_ascii_strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && std::isfinite(value);
}

}  // namespace

std::optional<std::string> qv_scheme_resolve_relative(const std::string &image_file,
                                                      const std::string &script) {
  if (image_file.empty() || script.empty() || script[0] != '.') return script;
  const size_t last = image_file.find_last_of("\\/");
  if (last == std::string::npos) return script;
  const std::string dir = image_file.substr(0, last);

  std::vector<std::string> dir_parts = split_components(dir);
  const std::vector<std::string> script_parts = split_components(script);
  size_t first_other = 0;
  for (; first_other < script_parts.size(); ++first_other) {
    const std::string &part = script_parts[first_other];
    if (part == "..") {
      if (dir_parts.size() <= 1) return join_unchanged(image_file.substr(0, last + 1), script);
      dir_parts.pop_back();
    } else if (part != "." && !part.empty()) {
      break;
    }
  }
  if (first_other == script_parts.size()) return std::nullopt;
  const std::string rest = join_native(script_parts, first_other, script_parts.size());
  return join_native(dir_parts, 0, dir_parts.size()) + G_DIR_SEPARATOR_S + rest;
}

std::string qv_scheme_string_literal(const std::string &text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

bool qv_scheme_is_string_literal(const std::string &text) {
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') return false;
  for (size_t i = 1; i + 1 < text.size(); ++i) {
    if (text[i] == '"') return false;
    if (text[i] == '\\' && ++i + 1 >= text.size()) return false;  // escapes the closing quote
  }
  return true;
}

std::string qv_scheme_nested_program(int image, int drawable, const std::string &av,
                                     const std::string &name, const std::string &body) {
  const std::string av_value = is_plain_number(av) ? av : qv_scheme_string_literal(av);
  const std::string name_value =
      qv_scheme_is_string_literal(name) ? name : qv_scheme_string_literal(name);
  return "(begin (define image " + std::to_string(image) + ") (define draw " +
         std::to_string(drawable) + ") (define av " + av_value + ") (define name " + name_value +
         ")\n" + body + "\n)\n";
}

double qv_scheme_strtod(const char *text) {
  if (!text) return 0.0;
  const double value = g_ascii_strtod(text, nullptr);
  return std::isfinite(value) ? value : 0.0;
}
