#include "gimp/draw/qv_draw_markers.h"

#include <optional>
#include <vector>

#include "core/qv_glib_ptr.h"
#include "core/qv_style.h"
#include "core/qv_transform.h"
#include "gimp/paths/qv_path_calculate.h"
#include "gimp/paths/qv_path_points.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/style/qv_path_copy.h"
#include "gimp/style/qv_style_getter.h"
#include "gimp/style/qv_style_gimp.h"

namespace {

constexpr unsigned kGetFlags = QV_GET_BINARY | QV_GET_OVERRIDE;

struct QVPathEnds {
  QVPoint start, end;
  double start_angle = 0, end_angle = 0;
};

std::optional<QVPathEnds> path_ends(gint32 image, const std::string &path) {
  QVpathCalc calc;
  calc.mode = QV_CALC_LENGTH;
  if (!qv_path_calculate3(image, path.c_str(), calc, image, nullptr) || calc.status != 1)
    return std::nullopt;
  return QVPathEnds{
      {calc.begin_x, calc.begin_y}, {calc.end_x, calc.end_y}, calc.begin_angle, calc.end_angle};
}

// The drawn path's rotation, "rotate-at-add: " included, as its own draw
// applies it.
QVRotation path_rotation(gint32 image, const std::string &path, const char *override_text) {
  QVRotation at, add;
  qv_path_get_style_attribute(image, path.c_str(), nullptr, kGetFlags, override_text,
                              {{"rotate-at: ", &at}, {"rotate-at-add: ", &add}});
  at.x += add.x;
  at.y += add.y;
  at.angle += add.angle;
  if (!qv_rotation_is_effective(at.angle)) at.angle = 0;
  return at;
}

// The drawn path's style (with its sheet) and the current override, for the
// marker's draw. The marker's points already carry the path's rotation, so
// the marker's draw must not rotate them again (neither through this text
// nor through the marker's own style); the translation is left to it.
std::string marker_override(gint32 image, const std::string &path, const char *override_text) {
  std::optional<std::string> override_value;
  if (override_text) override_value = override_text;
  const auto merged = qv_style_merge(
      qv_path_get_style_text_with_sheet(image, path.c_str(), nullptr), override_value);
  QVStyleItems items = merged ? *merged : QVStyleItems{};
  items.push_back("rotate-at: 0 0 0");
  items.push_back("rotate-at-add: 0 0 0");
  return qv_style_join(items);
}

void draw_one_marker(gint32 image, const std::string &path, const QVSnapshot *snapshot,
                     const std::string &marker, QVMarkerEnd which, const QVPathEnds &ends,
                     const QVRotation &rotation, const std::string &override_for_marker,
                     QVMarkerDraw draw) {
  std::vector<double> points = qv_path_read_points(image, marker.c_str(), snapshot).points;
  if (points.size() < 6) return;
  QVTriple offsets;
  qv_path_get_style_attribute(image, marker.c_str(), snapshot, QV_GET_BINARY | QV_GET_GEOMETRY,
                              nullptr, {{"marker-offsets: ", &offsets}});
  const bool at_start = which == QVMarkerEnd::start;
  const QVAffine m = qv_marker_matrix({offsets.v[0], offsets.v[1]}, which,
                                      at_start ? ends.start_angle : ends.end_angle,
                                      at_start ? ends.start : ends.end, rotation);
  qv_affine_apply(m, QV_OP_TRANSFORM_MATRIX, points);

  const auto style = qv_path_get_style_text(image, marker.c_str(), snapshot);
  const gint32 vectors = qv_path_write_points(image, "qv-marker", 1, points);
  if (vectors < 1) return;
  // GIMP makes the name unique; the path is known by the name it got.
  const std::string temp = qv_take_string(gimp_item_get_name(vectors));
  if (style) qv_path_store_style(image, temp.c_str(), *style);
  qv_path_set_style_attribute(
      image, temp.c_str(),
      {{"marker-attr-ignore: ", "yes"}, {"rotate-at: ", "0 0 0"}, {"rotate-at-add: ", "0 0 0"}});
  draw(image, nullptr, override_for_marker.c_str());
  qv_path_delete_with_parasites(image, temp.c_str());
  qv_path_set_current(image, path.c_str());
}

}  // namespace

void qv_draw_markers(gint32 image, const std::string &path, const QVSnapshot *snapshot,
                     const char *override_text, const std::string &marker_start,
                     const std::string &marker_end, QVMarkerDraw draw) {
  if (marker_start.empty() && marker_end.empty()) return;
  const auto ends = path_ends(image, path);
  if (!ends) return;
  const QVRotation rotation = path_rotation(image, path, override_text);
  const std::string override_for_marker = marker_override(image, path, override_text);
  if (!marker_start.empty())
    draw_one_marker(image, path, snapshot, marker_start, QVMarkerEnd::start, *ends, rotation,
                    override_for_marker, draw);
  if (!marker_end.empty())
    draw_one_marker(image, path, snapshot, marker_end, QVMarkerEnd::end, *ends, rotation,
                    override_for_marker, draw);
  qv_path_set_current(image, path.c_str());
}
