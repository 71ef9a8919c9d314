#include "core/qv_placement.h"

#include <algorithm>
#include <cmath>

#include "core/qv_angles.h"

namespace {

QVPoint point_at(const std::vector<double> &points, size_t k) {
  return {points[3 * k], points[3 * k + 1]};
}

void set_width_centred(QVFrame &f, double width) {
  const double mid = (f.left + f.right) / 2;
  f.left = mid - width / 2;
  f.right = mid + width / 2;
}

void set_height_centred(QVFrame &f, double height) {
  const double mid = (f.top + f.bottom) / 2;
  f.top = mid - height / 2;
  f.bottom = mid + height / 2;
}

}  // namespace

QVFrame qv_frame_from_corners(QVPoint c1, QVPoint c2, int aspect) {
  QVFrame f;
  if (aspect & QV_ASPECT_MARKER) {
    // Straight down is upright: the image then needs no turn at all.
    if (!(c2.x == c1.x && c2.y >= c1.y)) f.angle = std::atan2(c2.y - c1.y, c2.x - c1.x) - QV_PI / 2;
  } else {
    f.flip_h = c2.x < c1.x;
    f.flip_v = c2.y < c1.y;
  }
  const double distance = std::hypot(c2.x - c1.x, c2.y - c1.y);
  QVPoint other = c1;
  if (aspect & QV_ASPECT_CENTRE_ON_FIRST) {
    f.cx = c1.x;
    f.cy = c1.y;
    f.d = 2 * distance;
    other = {2 * c1.x - c2.x, 2 * c1.y - c2.y};
  } else {
    f.cx = (c1.x + c2.x) / 2;
    f.cy = (c1.y + c2.y) / 2;
    f.d = distance;
  }
  f.left = std::min(other.x, c2.x);
  f.right = std::max(other.x, c2.x);
  f.top = std::min(other.y, c2.y);
  f.bottom = std::max(other.y, c2.y);
  return f;
}

bool qv_frame_usable(const QVFrame &f, int aspect) {
  const bool w = std::floor(f.width()) != 0, h = std::floor(f.height()) != 0;
  if ((aspect & QV_ASPECT_KEEP) && (aspect & QV_ASPECT_DRAW_OUTSIDE)) return w || h;
  return w && h;
}

void qv_frame_fit(QVFrame &f, int aspect, double iw, double ih) {
  if (!(iw > 0) || !(ih > 0) || !std::isfinite(iw) || !std::isfinite(ih)) return;
  const double r = iw / ih;
  if (aspect & QV_ASPECT_MARKER) {
    f.left = f.cx - f.d * r / 2;
    f.right = f.cx + f.d * r / 2;
    f.top = f.cy - f.d / 2;
    f.bottom = f.cy + f.d / 2;
    return;
  }
  if (!(aspect & QV_ASPECT_KEEP)) return;
  const double w = f.width(), h = f.height();
  const bool narrower = h > 0 ? w / h <= r : false;
  const bool outside = aspect & QV_ASPECT_DRAW_OUTSIDE;
  if (narrower != outside)
    set_height_centred(f, w / r);
  else
    set_width_centred(f, h * r);
}

QVCorners qv_frame_corners(const QVFrame &f) {
  const double l = f.flip_h ? f.right : f.left, r = f.flip_h ? f.left : f.right;
  const double t = f.flip_v ? f.bottom : f.top, b = f.flip_v ? f.top : f.bottom;
  return {QVPoint{l, t}, QVPoint{r, t}, QVPoint{l, b}, QVPoint{r, b}};
}

std::optional<QVImagePlace> qv_image_place(const std::vector<double> &points) {
  if (points.size() < 3 * 3 + 2) return std::nullopt;
  QVImagePlace where{point_at(points, 0), point_at(points, 3), std::nullopt};
  if (points.size() > 32)
    where.quad = QVCorners{where.c1, where.c2, point_at(points, 6), point_at(points, 9)};
  return where;
}

std::pair<std::string, std::optional<std::string>> qv_image_value_split(const std::string &value) {
  const size_t semicolon = value.find(';');
  if (semicolon == std::string::npos) return {value, std::nullopt};
  return {value.substr(0, semicolon), value.substr(semicolon + 1)};
}

int qv_layer_coordinate(double v) {
  if (!std::isfinite(v)) return 0;
  return static_cast<int>(std::clamp(v, -1e9, 1e9));
}
