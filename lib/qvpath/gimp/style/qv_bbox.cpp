#include "gimp/style/qv_bbox.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/qv_names.h"
#include "core/qv_transform.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/paths/qv_path_calculate.h"
#include "gimp/paths/qv_path_points.h"
#include "gimp/style/qv_style_getter.h"
#include "gimp/style/qv_style_gimp.h"

const char *const QV_BBOX_PATH = "qv-bbox-path";
const char *const QV_BBOX_IMAGE = "qv-bbox-image";

namespace {

// Whole pixels of coordinates that may be huge or not finite.
gint32 to_pixel(double v, bool round_half_up) {
  if (!std::isfinite(v)) return 0;
  v = round_half_up ? std::floor(v + 0.5) : std::trunc(v);
  return static_cast<gint32>(std::clamp(v, -2147483648.0, 2147483647.0));
}

void store(const char *name, gint32 x0, gint32 y0, gint32 x1, gint32 y1) {
  const QVBox box = {x0, y0, x1 - x0, y1 - y0};
  qv_global_parasite_attach(name, 0, sizeof box, box.data());
}

QVPoint point(const std::vector<double> &p, size_t i) { return {p[3 * i], p[3 * i + 1]}; }

void store_corners(const std::vector<QVPoint> &corners, bool round_half_up) {
  gint32 x0 = INT32_MAX, y0 = INT32_MAX, x1 = INT32_MIN, y1 = INT32_MIN;
  for (const auto &c : corners) {
    const gint32 x = to_pixel(c.x, round_half_up), y = to_pixel(c.y, round_half_up);
    x0 = std::min(x0, x);
    y0 = std::min(y0, y);
    x1 = std::max(x1, x);
    y1 = std::max(y1, y);
  }
  store(QV_BBOX_IMAGE, x0, y0, x1, y1);
}

// A w x h rectangle centred on m, turned by `radians` about m.
std::vector<QVPoint> centred_rectangle(QVPoint m, double w, double h, double radians) {
  std::vector<QVPoint> corners = {{m.x - w / 2, m.y - h / 2},
                                  {m.x + w / 2, m.y - h / 2},
                                  {m.x + w / 2, m.y + h / 2},
                                  {m.x - w / 2, m.y + h / 2}};
  if (radians != 0)
    for (auto &c : corners) c = qv_rotate_point(c, m, radians);
  return corners;
}

// The frame an image is fitted into by its aspect-ratio bits, before the
// path's rotation and translation.
std::vector<QVPoint> image_frame(QVPoint p0, QVPoint p3, int mode, double w0, double h0) {
  if (mode & 2) p0 = {2 * p0.x - p3.x, 2 * p0.y - p3.y};
  const QVPoint m = {(p0.x + p3.x) / 2, (p0.y + p3.y) / 2};
  if (mode & 8) {
    double d = std::hypot(p3.x - p0.x, p3.y - p0.y);
    double width = std::fabs(w0);
    if (h0 > 0)
      width = w0 * d / h0;
    else
      d = 0;
    return centred_rectangle(m, width, d, std::atan2(p3.y - p0.y, p3.x - p0.x));
  }
  if (mode & 1) {
    const double w = std::fabs(p3.x - p0.x), h = std::fabs(p3.y - p0.y);
    const double keep_w = h0 > 0 ? w0 * h / h0 : 0;
    const double keep_h = w0 > 0 ? h0 * w / w0 : 0;
    const bool outside = mode & 4;
    const double width = outside ? std::max(w, keep_w) : std::min(w, keep_w);
    const double height = outside ? std::max(h, keep_h) : std::min(h, keep_h);
    return centred_rectangle(m, width, height, 0);
  }
  return {p0, {p3.x, p0.y}, p3, {p0.x, p3.y}};
}

void image_box(gint32 image, const char *path, const QVSnapshot *snapshot,
               const std::vector<double> &points, bool places_image) {
  if (places_image && points.size() > 32) {
    store_corners({point(points, 0), point(points, 3), point(points, 6), point(points, 9)}, false);
    return;
  }
  if (points.size() < 15) return;
  int mode = 0;
  QVSize size;
  QVRotation rotate_at, rotate_add;
  QVTriple translate;
  qv_path_get_style_attribute(image, path, snapshot, QV_GET_BINARY, nullptr,
                              {{"aspect-ratio-mode: ", &mode},
                               {"image-original-size: ", &size},
                               {"rotate-at: ", &rotate_at},
                               {"rotate-at-add: ", &rotate_add},
                               {"translate: ", &translate}});
  auto corners = image_frame(point(points, 0), point(points, 3), mode, size.v[2], size.v[3]);
  const QVPoint centre = {rotate_at.x + rotate_add.x, rotate_at.y + rotate_add.y};
  const double radians = (rotate_at.angle + rotate_add.angle) * 3.141592653589793 / 180.0;
  for (auto &c : corners) {
    c = qv_rotate_point(c, centre, radians);
    c.x += translate.v[0];
    c.y += translate.v[1];
  }
  store_corners(corners, true);
}

}  // namespace

void qv_path_bounding_boxes(gint32 image, const char *path, const QVSnapshot *snapshot) {
  if (!path || qv_path_tattoo_by_name(image, path, snapshot) == 0) return;
  QVpathCalc calc;
  calc.mode = QV_CALC_BBOX;
  if (qv_path_calculate3(image, path, calc, image, snapshot) && calc.status == 1)
    store(QV_BBOX_PATH, to_pixel(calc.x_min, true), to_pixel(calc.y_min, true),
          to_pixel(calc.x_max, true), to_pixel(calc.y_max, true));

  const bool places_image = qv_path_has_style_attribute(image, path, snapshot, "image: ", false);
  const bool bracketed = qv_name_query_text(path, QV_NAME_BRACKET).has_value();
  if (!places_image && !bracketed) return;
  image_box(image, path, snapshot, qv_path_read_points(image, path, snapshot).points, places_image);
}

std::optional<QVBox> qv_bbox_read(const char *name) {
  qv_parasite_ptr p(gimp_get_parasite(name));
  if (!p || gimp_parasite_data_size(p.get()) < static_cast<glong>(sizeof(QVBox)))
    return std::nullopt;
  QVBox box;
  std::memcpy(box.data(), gimp_parasite_data(p.get()), sizeof box);
  return box;
}
