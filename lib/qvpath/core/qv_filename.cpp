#include "core/qv_filename.h"

#include <glib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/qv_glib_ptr.h"

namespace {

// G_FILENAME_ENCODING may list several charsets ("@locale,UTF-8"); GLib
// itself converts with the first one and uses the rest only for display.
// None means "the locale's charset".
std::optional<std::string> configured_charset() {
  const char *env = g_getenv("G_FILENAME_ENCODING");
  if (!env) return std::nullopt;
  qv_gstrv parts(g_strsplit(env, ",", 2));
  qv_gstring first(g_strstrip(g_strdup(parts && parts.get()[0] ? parts.get()[0] : "")));
  if (first.get()[0] == '\0' || std::strcmp(first.get(), "@locale") == 0) return std::nullopt;
  return std::string(first.get());
}

std::optional<std::string> take_converted(gchar *converted, gsize written, GError *error) {
  qv_gstring holder(converted);
  if (error) g_error_free(error);
  if (!converted) return std::nullopt;
  return std::string(converted, written);
}

bool is_missing(const char *text) { return !text || text[0] == '\0'; }

}  // namespace

std::string qv_filename_charset() {
  if (auto charset = configured_charset()) return *charset;
  const char *locale_charset = nullptr;
  g_get_charset(&locale_charset);
  return locale_charset ? locale_charset : "UTF-8";
}

std::optional<std::string> qv_filename_from_utf8(const char *utf8) {
  if (is_missing(utf8)) return std::nullopt;
  if (!g_utf8_validate(utf8, -1, nullptr)) return std::string(utf8);
  GError *error = nullptr;
  gsize written = 0;
  if (auto charset = configured_charset()) {
    gchar *out = g_convert(utf8, -1, charset->c_str(), "UTF-8", nullptr, &written, &error);
    return take_converted(out, written, error);
  }
  gchar *out = g_locale_from_utf8(utf8, -1, nullptr, &written, &error);
  return take_converted(out, written, error);
}

std::optional<std::string> qv_filename_to_utf8(const char *name) {
  if (is_missing(name)) return std::nullopt;
  GError *error = nullptr;
  gsize written = 0;
  if (auto charset = configured_charset()) {
    gchar *out = g_convert(name, -1, "UTF-8", charset->c_str(), nullptr, &written, &error);
    return take_converted(out, written, error);
  }
  gchar *out = g_locale_to_utf8(name, -1, nullptr, &written, &error);
  return take_converted(out, written, error);
}

QVFile qv_fopen_utf8(const char *utf8_name, const char *mode) {
  if (!mode) return nullptr;
  const auto name = qv_filename_from_utf8(utf8_name);
  // A charset such as UTF-16 puts NULs inside the name; fopen would open a
  // truncated, different name.
  if (!name || name->find('\0') != std::string::npos) return nullptr;
  return QVFile(std::fopen(name->c_str(), mode));
}

std::string qv_filename_resolve(std::string name, const std::optional<std::string> &base_file) {
  std::replace(name.begin(), name.end(), '\\', '/');
  if (!g_path_is_absolute(name.c_str()) && base_file) {
    const qv_gstring folder(g_path_get_dirname(base_file->c_str()));
    name = qv_take_string(g_build_filename(folder.get(), name.c_str(), nullptr));
  }
  return qv_take_string(g_canonicalize_filename(name.c_str(), nullptr));
}

namespace {

std::vector<std::string> folder_parts(const std::string &canonical) {
  std::vector<std::string> parts;
  qv_gstrv split(g_strsplit(canonical.c_str(), "/", -1));
  for (gchar **part = split.get(); *part; ++part)
    if (**part) parts.emplace_back(*part);
  return parts;
}

}  // namespace

std::optional<std::string> qv_filename_relative(const std::string &target,
                                                const std::optional<std::string> &base_file) {
  if (!base_file || !g_path_is_absolute(target.c_str()) || !g_path_is_absolute(base_file->c_str()))
    return std::nullopt;
  const qv_gstring folder(g_path_get_dirname(base_file->c_str()));
  const auto from = folder_parts(qv_take_string(g_canonicalize_filename(folder.get(), nullptr)));
  const auto to = folder_parts(qv_take_string(g_canonicalize_filename(target.c_str(), nullptr)));
  if (to.empty()) return std::nullopt;
  size_t shared = 0;
  // The file's own name is never a shared folder.
  while (shared < from.size() && shared + 1 < to.size() && from[shared] == to[shared]) ++shared;
  std::string relative;
  for (size_t up = shared; up < from.size(); ++up) relative += "../";
  if (relative.empty()) relative = "./";
  for (size_t i = shared; i < to.size(); ++i) relative += to[i] + (i + 1 < to.size() ? "/" : "");
  return relative;
}
