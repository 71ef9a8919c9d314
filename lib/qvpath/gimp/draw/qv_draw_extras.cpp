#include "gimp/draw/qv_draw_extras.h"

#include <optional>

#include "core/qv_names.h"
#include "gimp/draw/qv_draw_image.h"
#include "gimp/draw/qv_draw_text.h"

namespace {

QVPoint point_at(const std::vector<double> &points, size_t k) {
  return {points[3 * k], points[3 * k + 1]};
}

// The text of a path stands on anchor `k`, as high as it lies from anchor
// `k - 3`, and runs toward anchor `k + 3` when the list holds more than
// `direction_after` values.
QVTextPlace text_place(const std::vector<double> &points, size_t k, size_t direction_after) {
  std::optional<QVPoint> toward;
  if (points.size() > direction_after) toward = point_at(points, k + 3);
  return qv_text_place(point_at(points, k - 3), point_at(points, k), toward);
}

QVExtraResult text_result(bool drawn) {
  return drawn ? QVExtraResult::drawn : QVExtraResult::abort;
}

}  // namespace

QVExtraResult qv_draw_image_or_text(gint32 image, const std::string &path,
                                    const std::vector<double> &points, const QVSnapshot *snapshot,
                                    const char *override_text, const QVPlacement &placement) {
  const auto bracket = qv_name_query_text(path, QV_NAME_BRACKET);
  if (bracket && bracket->compare(0, 2, "[@") == 0) return QVExtraResult::none;
  std::optional<std::string> text = qv_name_query_text(path, QV_NAME_QUOTED);
  if (text && qv_text_is_blank(*text)) text.reset();
  const auto where = qv_image_place(points);
  if (!where) return QVExtraResult::none;

  if (!bracket && text)
    return text_result(qv_draw_text(image, path, *text, text_place(points, 3, 20), snapshot,
                                    override_text, placement));

  const QVImageAttrs a = qv_read_image_attrs(image, path, override_text);
  if (!a.image) return QVExtraResult::none;
  if (!bracket) {
    qv_draw_placed_image(image, a, *where, placement);
    return QVExtraResult::drawn;
  }

  // A symbol: the source image holds a layer named like the bracket part,
  // placed by two corners only; its text stands on anchors 6 and 9.
  qv_draw_symbol(image, a, *bracket, {where->c1, where->c2, std::nullopt}, placement);
  if (text && points.size() >= 33)
    return text_result(qv_draw_text(image, path, *text, text_place(points, 9, 41), snapshot,
                                    override_text, placement));
  return QVExtraResult::drawn;
}
