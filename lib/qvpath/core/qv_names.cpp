#include "core/qv_names.h"

#include <cstddef>

// U+06DE is the two UTF-8 bytes DB 9E; all matching below is byte-wise,
// which is safe because the grammar's own characters are ASCII and never
// occur inside a multi-byte UTF-8 sequence.
const char *const QV_HELPER_MARK = "\xDB\x9E ";
const char *const QV_ESL_PREFIX = "\xDB\x9E ESL-";
const char *const QV_GROUP_ESL_SUFFIX = "\xDB\x9E Edit Style Layer";
const char *const QV_ROTATION_PREFIX = "\xDB\x9E Rotation-";
const char *const QV_GROUP_ROTATION_STEM = "\xDB\x9E Rotation";
const char *const QV_GRADIENT_PREFIX = "\xDB\x9E Gradient-";

namespace {

// Tattoos and group numbers are 32-bit in GIMP; nothing larger can name one.
constexpr long kNumberLimit = 2147483647L;

struct QVNumber {
  long value = 0;
  size_t end = 0;  // index of the first non-digit
  bool any_digit = false;
};

QVNumber read_number(const std::string &s, size_t pos) {
  QVNumber n;
  n.end = pos;
  while (n.end < s.size() && s[n.end] >= '0' && s[n.end] <= '9') {
    const long digit = s[n.end] - '0';
    n.value = n.value > (kNumberLimit - digit) / 10 ? kNumberLimit : n.value * 10 + digit;
    n.any_digit = true;
    ++n.end;
  }
  return n;
}

bool starts_with(const std::string &s, size_t pos, const char *prefix) {
  const size_t length = std::char_traits<char>::length(prefix);
  return pos <= s.size() && s.compare(pos, length, prefix) == 0;
}

bool starts_with(const std::string &s, const char *prefix) { return s.rfind(prefix, 0) == 0; }

// The group prefix split off a name.
struct QVGroupPrefix {
  long group = 0;
  size_t after_brace = 0;  // 0 without a prefix
  size_t rest = 0;         // after the blanks that follow the brace
};

QVGroupPrefix split_group(const std::string &name) {
  QVGroupPrefix p;
  if (name.empty() || name[0] != '{') return p;
  const size_t close = name.find('}', 1);
  if (close == std::string::npos) return p;
  for (size_t i = 1; i < close; ++i)
    if (name[i] != ' ' && (name[i] < '0' || name[i] > '9')) return p;
  size_t digits = 1;
  while (digits < close && name[digits] == ' ') ++digits;
  p.group = read_number(name, digits).value;
  p.after_brace = close + 1;
  p.rest = p.after_brace;
  while (p.rest < name.size() && name[p.rest] == ' ') ++p.rest;
  return p;
}

// [start, end) of the bracket part, or none.
struct QVSpan {
  size_t start = 0;
  size_t end = 0;
};

std::optional<QVSpan> bracket_span(const std::string &name, const QVGroupPrefix &p) {
  if (p.rest >= name.size() || name[p.rest] != '[') return std::nullopt;
  const size_t close = name.find(']', p.rest);
  if (close == std::string::npos) return std::nullopt;
  return QVSpan{p.rest, close + 1};
}

std::optional<std::string> quoted_text(const std::string &name, const QVGroupPrefix &p) {
  size_t from = 0;
  if (const auto bracket = bracket_span(name, p))
    from = bracket->end;
  else if (p.rest < name.size() && name[p.rest] == '"')
    from = p.rest;
  else
    return std::nullopt;
  const size_t open = name.find('"', from);
  const size_t last = name.rfind('"');
  if (open == std::string::npos || last == open) return std::nullopt;
  return name.substr(open + 1, last - open - 1);
}

// The number after a helper prefix at the start of the name, else 0.
long number_after(const std::string &name, const char *prefix) {
  if (!starts_with(name, prefix)) return 0;
  return read_number(name, std::char_traits<char>::length(prefix)).value;
}

long esl_tattoo(const std::string &name) {
  if (!starts_with(name, QV_ESL_PREFIX)) return 0;
  const QVNumber n = read_number(name, std::char_traits<char>::length(QV_ESL_PREFIX));
  return n.any_digit && n.end == name.size() ? n.value : 0;
}

bool rest_is_group_esl(const std::string &name, const QVGroupPrefix &p) {
  return name.compare(p.rest, std::string::npos, QV_GROUP_ESL_SUFFIX) == 0;
}

long malformed_esl(const std::string &name, const QVGroupPrefix &p) {
  if (starts_with(name, QV_ESL_PREFIX)) {
    const QVNumber n = read_number(name, std::char_traits<char>::length(QV_ESL_PREFIX));
    return n.end < name.size() ? n.value : 0;
  }
  return rest_is_group_esl(name, p) ? 0 : -p.group;
}

}  // namespace

long qv_name_query_number(const std::string &name, int query) {
  const QVGroupPrefix p = split_group(name);
  switch (query) {
    case QV_NAME_GROUP:
      return p.group;
    case QV_NAME_GROUP_ROTATION:
      return starts_with(name, p.rest, QV_GROUP_ROTATION_STEM) ? p.group : 0;
    case QV_NAME_ROTATION_TATTOO:
      return number_after(name, QV_ROTATION_PREFIX);
    case QV_NAME_GRADIENT_TATTOO:
      return number_after(name, QV_GRADIENT_PREFIX);
    case QV_NAME_ESL_TATTOO:
      return esl_tattoo(name);
    case QV_NAME_GROUP_ESL:
      return rest_is_group_esl(name, p) ? p.group : 0;
    case QV_NAME_MALFORMED_ESL:
      return malformed_esl(name, p);
    default:
      return 0;
  }
}

std::optional<std::string> qv_name_query_text(const std::string &name, int query) {
  const QVGroupPrefix p = split_group(name);
  switch (query) {
    case QV_NAME_BRACKET:
      if (const auto b = bracket_span(name, p)) return name.substr(b->start, b->end - b->start);
      return std::nullopt;
    case QV_NAME_QUOTED:
      return quoted_text(name, p);
    case QV_NAME_AFTER_GROUP:
      return name.substr(p.after_brace);
    case QV_NAME_AFTER_BRACKET:
      if (const auto b = bracket_span(name, p)) return name.substr(b->end);
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

bool qv_name_is_helper_path(const std::string &name) {
  return qv_name_query_number(name, QV_NAME_GROUP_ROTATION) != 0 ||
         qv_name_query_number(name, QV_NAME_ROTATION_TATTOO) != 0 ||
         qv_name_query_number(name, QV_NAME_GRADIENT_TATTOO) != 0;
}

bool qv_is_esl_name(const std::string &name) {
  return qv_name_query_number(name, QV_NAME_ESL_TATTOO) != 0 ||
         qv_name_query_number(name, QV_NAME_GROUP_ESL) != 0;
}

std::string qv_esl_name(long owner) {
  if (owner > 0) return QV_ESL_PREFIX + std::to_string(owner);
  if (owner < 0) return "{" + std::to_string(-owner) + "}" + QV_GROUP_ESL_SUFFIX;
  return std::string();
}

std::string qv_rotation_helper_name(long tattoo) {
  return QV_ROTATION_PREFIX + std::to_string(tattoo) + " ";
}

std::string qv_group_rotation_helper_name(long group) {
  return "{" + std::to_string(group) + "}" + QV_GROUP_ROTATION_STEM + " ";
}

std::string qv_gradient_helper_name(long tattoo) {
  return QV_GRADIENT_PREFIX + std::to_string(tattoo) + " ";
}

int qv_path_kind_from_name(const std::string &name, bool style_has_image) {
  const auto bracket = qv_name_query_text(name, QV_NAME_BRACKET);
  const bool quoted = qv_name_query_text(name, QV_NAME_QUOTED).has_value();
  if (!bracket) {
    if (quoted) return QV_PATH_KIND_TEXT;
    return style_has_image ? QV_PATH_KIND_IMAGE : 0;
  }
  if (bracket->rfind("[@", 0) != 0) return QV_PATH_KIND_BRACKET | (quoted ? QV_PATH_KIND_TEXT : 0);
  int kind = QV_PATH_KIND_KEYSPLINE;
  if (*bracket == "[@->S]") kind |= QV_PATH_KIND_TO_SCRIPT;
  if (*bracket == "[@<-S]") kind |= QV_PATH_KIND_FROM_SCRIPT;
  if (*bracket == "[@-Script]") kind |= QV_PATH_KIND_SCRIPT;
  return kind;
}

std::optional<std::string> qv_find_rotation_helper(const std::vector<std::string> &names,
                                                   const std::string &owner, long owner_tattoo) {
  if (owner_tattoo < 1) return std::nullopt;
  const long group = qv_name_query_number(owner, QV_NAME_GROUP);
  for (const auto &name : names) {
    const bool match = group != 0
                           ? qv_name_query_number(name, QV_NAME_GROUP_ROTATION) == group
                           : qv_name_query_number(name, QV_NAME_ROTATION_TATTOO) == owner_tattoo;
    if (match) return name;
  }
  return std::nullopt;
}

// GIMP strips trailing blanks from item names, so "۞ Gradient-12 " is stored
// as "۞ Gradient-12": match by the number, which ends at the first
// non-digit, rather than by the built name with its blank.
std::optional<std::string> qv_find_gradient_helper(const std::vector<std::string> &names,
                                                   long owner_tattoo) {
  if (owner_tattoo < 1) return std::nullopt;
  for (const auto &name : names)
    if (qv_name_query_number(name, QV_NAME_GRADIENT_TATTOO) == owner_tattoo) return name;
  return std::nullopt;
}
