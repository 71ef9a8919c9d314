#include "gimp/base/qv_scheme_gimp.h"

#include <glib/gi18n-lib.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "core/qv_filename.h"
#include "core/qv_glib_ptr.h"
#include "core/qv_scheme.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_read_cache.h"

const char *const QV_SCHEME_COUNTER_KEY = "qv_scheme_run_eval4_ref";
const char *const QV_SCHEME_VERSION_KEY = "script_fu_qv_scheme_version";
// Script-Fu registers a script under the name given to script-fu-register.
const char *const QV_SCHEME_EVAL4_PROC = "script-fu-qv-eval4";
const char *const QV_SCHEME_GENERIC_EVAL_PROC = "plug-in-script-fu-eval";

namespace {

struct QVParamsDeleter {
  int count;
  void operator()(GimpParam *p) const { gimp_destroy_params(p, count); }
};
using QVReturnValues = std::unique_ptr<GimpParam, QVParamsDeleter>;

bool succeeded(const QVReturnValues &values, int count) {
  return values && count > 0 && values.get()[0].data.d_status == GIMP_PDB_SUCCESS;
}

int scheme_version() {
  const gint size = gimp_procedural_db_get_data_size(QV_SCHEME_VERSION_KEY);
  if (size < 1) return 0;
  std::vector<guint8> data(static_cast<size_t>(size));
  if (!gimp_procedural_db_get_data(QV_SCHEME_VERSION_KEY, data.data())) return 0;
  return data[0];
}

bool run_eval4(gint32 image, gint32 drawable, const char *av, const char *name,
               const char *script) {
  gint count = 0;
  GimpParam *values =
      gimp_run_procedure(QV_SCHEME_EVAL4_PROC, &count, GIMP_PDB_INT32, GIMP_RUN_NONINTERACTIVE,
                         GIMP_PDB_IMAGE, image, GIMP_PDB_DRAWABLE, drawable, GIMP_PDB_STRING, av,
                         GIMP_PDB_STRING, name, GIMP_PDB_STRING, script, GIMP_PDB_END);
  return succeeded(QVReturnValues(values, QVParamsDeleter{count}), count);
}

bool run_generic(const std::string &program) {
  qv_message(_("Script will be executed with »plug_in_script_fu_eval«!"));
  gint count = 0;
  GimpParam *values =
      gimp_run_procedure(QV_SCHEME_GENERIC_EVAL_PROC, &count, GIMP_PDB_INT32,
                         GIMP_RUN_NONINTERACTIVE, GIMP_PDB_STRING, program.c_str(), GIMP_PDB_END);
  return succeeded(QVReturnValues(values, QVParamsDeleter{count}), count);
}

std::string image_file_name(gint32 image) {
  if (image < 1) return {};
  return qv_take_string(gimp_image_get_filename(image));
}

}  // namespace

gint32 qv_scheme_counter_get() {
  if (gimp_procedural_db_get_data_size(QV_SCHEME_COUNTER_KEY) != 4) return 0;
  gint32 value = 0;
  return gimp_procedural_db_get_data(QV_SCHEME_COUNTER_KEY, &value) ? value : 0;
}

void qv_scheme_counter_set(gint32 value) {
  gimp_procedural_db_set_data(QV_SCHEME_COUNTER_KEY, &value, 4);
}

gint32 qv_scheme_counter_raise() {
  const gint32 value = qv_scheme_counter_get() + 1;
  qv_scheme_counter_set(value);
  return value;
}

void qv_scheme_counter_lower() { qv_scheme_counter_set(std::max(0, qv_scheme_counter_get() - 1)); }

std::optional<std::string> qv_scheme_resolve_script(gint32 image, const char *script) {
  if (!script || !*script) return std::nullopt;
  const auto resolved = qv_scheme_resolve_relative(image_file_name(image), script);
  if (!resolved) return std::nullopt;
  return qv_filename_from_utf8(resolved->c_str());
}

std::string qv_scheme_script_text(gint32 image, const char *script) {
  if (!script) return {};
  if (const auto file = qv_scheme_resolve_script(image, script);
      file && g_file_test(file->c_str(), G_FILE_TEST_IS_REGULAR)) {
    gchar *content = nullptr;
    gsize length = 0;
    if (g_file_get_contents(file->c_str(), &content, &length, nullptr)) {
      qv_gstring holder(content);
      return std::string(content, length);
    }
  }
  return script;
}

namespace {

// A script may change any path or parasite behind the suite's back: what
// was read before it is read again.
struct QVForgetReadsAfter {
  ~QVForgetReadsAfter() { qv_read_cache_invalidate(); }
};

}  // namespace

bool qv_scheme_run_eval4_ref(gint32 image, gint32 drawable, const char *av, const char *name,
                             const char *script) {
  const QVForgetReadsAfter forget;
  av = av ? av : "";
  name = name ? name : "\"\"";
  script = script ? script : "";
  // The evaluator gets the code rather than the file name: it keeps the
  // code's split into expressions, which a render asks for every frame.
  const std::string code = qv_scheme_script_text(image, script);
  if (scheme_version() == 1) return run_eval4(image, drawable, av, name, code.c_str());

  QVSchemeNesting nesting;
  if (nesting.level < 2) return run_eval4(image, drawable, av, name, code.c_str());
  return run_generic(
      qv_scheme_nested_program(image, drawable, av, name, qv_scheme_script_text(image, script)));
}
