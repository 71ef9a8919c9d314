#include "runner_checks.h"

#include "core/qv_filename.h"
#include "core/qv_frame_names.h"
#include "core/qv_glib_ptr.h"
#include "core/qv_locale.h"

#include <glib.h>
#include <glib/gi18n-lib.h>
#include <glib/gstdio.h>
#include <unistd.h>

const char *const QV_RUNNER_DEFAULT_GIMP = "gimp-console-2.10";

QVRunnerTimelines qv_runner_read_timelines(const std::string &xcf) {
  QVRunnerTimelines result;
  const QVXcfRead read = qv_xcf_read_file(xcf);
  if (!read.image) {
    result.error =
        qv_text(_("»%s« is not a valid GIMP XCF image: %s"), xcf.c_str(), read.error.c_str());
    return result;
  }
  result.list = qv_xcf_timelines(*read.image);
  return result;
}

std::optional<std::string> qv_runner_check_frame_name(const std::string &frame_name) {
  if (qv_frame_name_split(frame_name).extension.empty()) {
    return qv_text(_("The first frame »%s« needs an extension such as .png: it tells GIMP the file "
                     "format."),
                   frame_name.c_str());
  }
  const std::string folder = qv_frame_name_folder(frame_name);
  const std::string native = qv_filename_from_utf8(folder.c_str()).value_or(folder);
  if (!g_file_test(native.c_str(), G_FILE_TEST_IS_DIR)) {
    return qv_text(_("Directory »%s« does not exist!"), folder.c_str());
  }
  if (g_access(native.c_str(), W_OK) != 0) {
    return qv_text(_("Directory »%s« cannot be written to!"), folder.c_str());
  }
  return std::nullopt;
}

std::optional<std::string> qv_runner_find_gimp(const std::string &gimp) {
  if (gimp.empty()) return std::nullopt;
  const std::string native = qv_filename_from_utf8(gimp.c_str()).value_or(gimp);
  const std::string found = qv_take_string(g_find_program_in_path(native.c_str()));
  if (found.empty()) return std::nullopt;
  return found;
}

std::string qv_runner_timeline_names(const QVTimelineList &list) {
  std::string names;
  for (size_t i = 0; i < list.timelines.size(); ++i) {
    if (i > 0) names += i + 1 == list.timelines.size() ? _(" and ") : ", ";
    names += "\"" + list.timelines[i].name + "\"";
  }
  return names.empty() ? _("none") : names;
}
