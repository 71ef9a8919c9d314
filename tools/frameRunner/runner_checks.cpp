#include "runner_checks.h"

#include "core/qv_filename.h"
#include "core/qv_frame_names.h"
#include "core/qv_glib_ptr.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <unistd.h>

const char *const QV_RUNNER_DEFAULT_GIMP = "gimp-console-2.10";

QVRunnerTimelines qv_runner_read_timelines(const std::string &xcf) {
  QVRunnerTimelines result;
  const QVXcfRead read = qv_xcf_read_file(xcf);
  if (!read.image) {
    result.error = "»" + xcf + "« is not a valid GIMP XCF image: " + read.error;
    return result;
  }
  result.list = qv_xcf_timelines(*read.image);
  return result;
}

std::optional<std::string> qv_runner_check_frame_name(const std::string &frame_name) {
  if (qv_frame_name_split(frame_name).extension.empty()) {
    return "The first frame »" + frame_name +
           "« needs an extension such as .png: it tells GIMP the file format.";
  }
  const std::string folder = qv_frame_name_folder(frame_name);
  const std::string native = qv_filename_from_utf8(folder.c_str()).value_or(folder);
  if (!g_file_test(native.c_str(), G_FILE_TEST_IS_DIR)) {
    return "Directory »" + folder + "« does not exist!";
  }
  if (g_access(native.c_str(), W_OK) != 0) {
    return "Directory »" + folder + "« cannot be written to!";
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
    if (i > 0) names += i + 1 == list.timelines.size() ? " and " : ", ";
    names += "\"" + list.timelines[i].name + "\"";
  }
  return names.empty() ? "none" : names;
}
