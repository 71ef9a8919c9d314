#include "gimp/paths/qv_path_calculate.h"

#include <glib/gi18n-lib.h>

#include <optional>
#include <string>
#include <vector>

#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_scopes.h"
#include "gimp/paths/qv_path_points.h"
#include "gimp/paths/qv_paths.h"

namespace {

// Scripts match these reports by their fixed origin, so the numbers stay put
// whatever happens to this file.
constexpr int kNoPathLine = 62;
constexpr int kNoPointsLine = 103;
constexpr const char *kReporter = "qv_path_calculate3";
constexpr gint32 kBezierPathType = 1;

void report(int line, const char *text) { qv_user_message("[%d] %s: %s", line, kReporter, text); }

std::optional<std::string> path_name(gint32 image, const char *path) {
  if (path && *path) return std::string(path);
  return qv_path_current(image);
}

bool write_new_paths(gint32 image, const std::vector<QVCalcNewPath> &paths) {
  if (paths.empty()) return true;
  if (!gimp_image_is_valid(image)) return false;
  const QVUndoGroup undo(image);
  bool written = true;
  for (const auto &p : paths)
    written = qv_path_write_points(image, p.name.c_str(), kBezierPathType, p.points) > 0 && written;
  return written;
}

}  // namespace

int qv_path_calculate3(gint32 image, const char *path, QVpathCalc &calc, gint32 receiving_image,
                       const QVSnapshot *snapshot) {
  const auto name = path_name(image, path);
  if (!name) {
    report(kNoPathLine, _("No Path available!"));
    return 0;
  }
  const QVPathPoints read = qv_path_read_points(image, name->c_str(), snapshot);
  std::vector<QVCalcNewPath> new_paths;
  const int computed = qv_path_calculate_points(read.points, calc, &new_paths);
  if (!computed) {
    if (calc.status == -1) report(kNoPointsLine, _("No Path Points!"));
    return 0;
  }
  return write_new_paths(receiving_image, new_paths) ? 1 : 0;
}

int qv_path_calculate2(gint32 image, const char *path, QVpathCalc &calc, gint32 receiving_image) {
  return qv_path_calculate3(image, path, calc, receiving_image, nullptr);
}

int qv_path_calculate(gint32 image, const char *path, QVpathCalc &calc) {
  return qv_path_calculate2(image, path, calc, image);
}
