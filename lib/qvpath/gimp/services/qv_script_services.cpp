#include "gimp/services/qv_script_services.h"

#include <glib/gi18n-lib.h>
#include <glib/gstdio.h>

#include "core/qv_filename.h"
#include "core/qv_glib_ptr.h"
#include "core/qv_script_split.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_scheme_gimp.h"

namespace {

bool is_empty(const char *text) { return !text || !*text; }

std::optional<std::string> read_file(const std::string &name) {
  gchar *content = nullptr;
  gsize length = 0;
  if (!g_file_test(name.c_str(), G_FILE_TEST_IS_REGULAR) ||
      !g_file_get_contents(name.c_str(), &content, &length, nullptr))
    return std::nullopt;
  qv_gstring holder(content);
  return std::string(content, length);
}

}  // namespace

std::vector<std::string> qv_script_array(gint32 image, const char *script) {
  if (is_empty(script)) return {};
  return qv_script_split(qv_scheme_script_text(image, script));
}

std::vector<std::string> qv_script_array_from_file(gint32 image, const char *file) {
  const auto name = is_empty(file) ? std::nullopt : qv_scheme_resolve_script(image, file);
  if (!name || !g_file_test(name->c_str(), G_FILE_TEST_IS_REGULAR)) {
    qv_message(_("File '%s' not exists!"), file ? file : "");
    return {};
  }
  const auto text = read_file(*name);
  if (!text || text->empty()) {
    qv_message(_("File '%s' has no data!"), file);
    return {};
  }
  return qv_script_split(*text);
}

std::vector<std::string> qv_script_array_from_string(const char *script) {
  if (is_empty(script)) {
    qv_message(_("No Script-Data!"));
    return {};
  }
  return qv_script_split(script);
}

std::optional<std::string> qv_script_combine(gint32 image, const char *prefix, const char *script,
                                             const char *suffix) {
  if (is_empty(script)) return std::nullopt;
  return std::string(prefix ? prefix : "") + qv_scheme_script_text(image, script) +
         (suffix ? suffix : "");
}

QVTmpFileResult qv_script_get_tmp_file(gint32 image, const char *script, std::string &file_name) {
  if (is_empty(script)) return QVTmpFileResult::EMPTY_SCRIPT;
  const auto written =
      qv_script_write_tmp_file(qv_script_split(qv_scheme_script_text(image, script)));
  if (!written) {
    qv_message(_("Abort, the temporary script file could not be written!"));
    return QVTmpFileResult::FAILED;
  }
  file_name = *written;
  return QVTmpFileResult::WRITTEN;
}

void qv_remove_file(const char *file_name) {
  if (const auto name = qv_filename_from_utf8(file_name)) g_remove(name->c_str());
}
