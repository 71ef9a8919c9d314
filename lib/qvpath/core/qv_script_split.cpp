#include "core/qv_script_split.h"

#include <glib.h>
#include <glib/gstdio.h>

#include <algorithm>

#include "core/qv_glib_ptr.h"

namespace {

struct Cursor {
  const std::string &text;
  size_t pos = 0;
  int line = 1;
  int column = 0;  // characters since the last line break

  bool at_end() const { return pos >= text.size(); }
  char peek(size_t ahead = 0) const { return pos + ahead < text.size() ? text[pos + ahead] : '\0'; }
  // Line and column of the character at pos.
  std::pair<int, int> here() const { return {line, column + 1}; }
  void advance() {
    const unsigned char c = static_cast<unsigned char>(text[pos++]);
    if (c == '\n') {
      ++line;
      column = 0;
    } else if ((c & 0xC0) != 0x80) {  // UTF-8 continuation bytes belong to the previous character
      ++column;
    }
  }
  void advance(size_t n) {
    for (size_t i = 0; i < n && !at_end(); ++i) advance();
  }
};

bool is_blank(char c) { return static_cast<unsigned char>(c) < '!'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

void skip_to_line_end(Cursor &c) {
  while (!c.at_end() && c.peek() != '\n') c.advance();
}

void skip_blanks_and_comments(Cursor &c) {
  while (!c.at_end()) {
    if (is_blank(c.peek()))
      c.advance();
    else if (c.peek() == ';')
      skip_to_line_end(c);
    else
      break;
  }
}

// A backslash in a string literal escapes one character, or an octal or
// decimal code of three or two digits.
void skip_escape(Cursor &c) {
  c.advance();
  if (is_digit(c.peek()) && is_digit(c.peek(1)) && is_digit(c.peek(2)))
    c.advance(3);
  else if (is_digit(c.peek()) && is_digit(c.peek(1)))
    c.advance(2);
  else
    c.advance();
}

std::string error_expression(const char *format, int line, int column) {
  qv_gstring text(g_strdup_printf(format, line, column));
  return text.get();
}

struct Scanned {
  size_t begin = 0, end = 0;
  std::optional<std::string> error;
};

// Scans one expression starting at a non-blank character.
Scanned scan_expression(Cursor &c) {
  Scanned s{c.pos, c.pos, std::nullopt};
  int depth = 0;
  bool in_string = false;
  std::pair<int, int> opened{0, 0};
  while (!c.at_end()) {
    const char ch = c.peek();
    if (in_string) {
      if (ch == '\\') {
        skip_escape(c);
        continue;
      }
      if (ch == '"') in_string = false;
      c.advance();
      continue;
    }
    if (depth == 0 && (is_blank(ch) || ch == ';') && c.pos > s.begin) break;
    if (ch == ';') {
      skip_to_line_end(c);
      continue;
    }
    if (ch == '#' && c.peek(1) == '\\') {  // a character literal such as #\( counts for nothing
      c.advance(3);
      continue;
    }
    if (ch == '"') in_string = true;
    if (ch == '(') {
      if (depth == 0) opened = c.here();
      ++depth;
    } else if (ch == ')') {
      if (depth == 0) {
        const auto [line, column] = c.here();
        c.advance();
        s.end = c.pos;
        s.error = error_expression(
            "(gimp-message \"[Line %d:%d] Error: unexpected )... closing parentheses!\")", line,
            column);
        return s;
      }
      if (--depth == 0) {
        c.advance();
        break;
      }
    }
    c.advance();
  }
  s.end = c.pos;
  if (depth > 0)
    s.error = error_expression(
        "(gimp-message \"[Line %d:%d] Error: no closing parentheses ...) found!\")", opened.first,
        opened.second);
  return s;
}

std::string expression_text(const std::string &text, const Scanned &s) {
  return s.error ? *s.error : text.substr(s.begin, s.end - s.begin);
}

}  // namespace

std::vector<std::string> qv_script_split(const std::string &text) {
  std::vector<std::string> out;
  Cursor c{text};
  for (;;) {
    skip_blanks_and_comments(c);
    if (c.at_end()) break;
    const Scanned s = scan_expression(c);
    out.push_back(expression_text(text, s));
    if (s.error) break;
  }
  return out;
}

QVScriptRead qv_script_read_from_string(const std::string &text, long index) {
  Cursor c{text};
  c.advance(static_cast<size_t>(std::clamp<long>(index, 0, static_cast<long>(text.size()))));
  skip_blanks_and_comments(c);
  if (c.at_end()) return {"()", c.pos};
  const Scanned s = scan_expression(c);
  return {expression_text(text, s), s.end};
}

std::optional<std::string> qv_script_write_tmp_file(const std::vector<std::string> &expressions) {
  std::string content;
  for (const auto &e : expressions) content += e + "\n";
  gchar *name = nullptr;
  GError *error = nullptr;
  const int fd = g_file_open_tmp("qv-script-XXXXXX.scm", &name, &error);
  qv_gstring name_holder(name);
  if (error) g_error_free(error);
  if (fd < 0) return std::nullopt;
  g_close(fd, nullptr);
  // g_file_set_contents writes to a temporary file and renames it, so the
  // script is either complete or absent.
  if (!g_file_set_contents(name, content.data(), static_cast<gssize>(content.size()), nullptr)) {
    g_unlink(name);
    return std::nullopt;
  }
  qv_gstring utf8(g_filename_to_utf8(name, -1, nullptr, nullptr, nullptr));
  if (!utf8) {
    g_unlink(name);
    return std::nullopt;
  }
  return std::string(utf8.get());
}
