#include "core/qv_dialog_geometry.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kFieldCount = QV_DIALOG_GEOMETRY_BYTES / sizeof(std::int32_t);

std::array<std::int32_t, kFieldCount> fields_of(const QVDialogGeometry &r) {
  return {r.flags, r.x, r.y, r.width, r.height};
}

QVDialogGeometry record_of(const std::array<std::int32_t, kFieldCount> &f) {
  return QVDialogGeometry{f[0], f[1], f[2], f[3], f[4]};
}

// 64-bit arithmetic: stored values come from a parasite anyone can write, so
// "screen - x" must not overflow for extreme x.
bool position_on_screen(std::int64_t x, std::int64_t y, int screen_width, int screen_height) {
  return x < std::int64_t{screen_width} - QV_GEOMETRY_EDGE_MARGIN &&
         y < std::int64_t{screen_height} - QV_GEOMETRY_EDGE_MARGIN;
}

bool size_fits(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height,
               int screen_width, int screen_height) {
  return width > 0 && height > 0 && screen_width - x >= width && screen_height - y >= height;
}

}  // namespace

QVDialogGeometry qv_dialog_geometry_parse(const void *data, std::size_t size) {
  std::array<std::uint8_t, QV_DIALOG_GEOMETRY_BYTES> bytes{};
  if (data) std::memcpy(bytes.data(), data, std::min(size, bytes.size()));
  std::array<std::int32_t, kFieldCount> f{};
  std::memcpy(f.data(), bytes.data(), bytes.size());
  return record_of(f);
}

std::array<std::uint8_t, QV_DIALOG_GEOMETRY_BYTES> qv_dialog_geometry_serialize(
    const QVDialogGeometry &record) {
  const auto f = fields_of(record);
  std::array<std::uint8_t, QV_DIALOG_GEOMETRY_BYTES> bytes{};
  std::memcpy(bytes.data(), f.data(), bytes.size());
  return bytes;
}

QVGeometryPlan qv_dialog_geometry_plan_restore(const QVDialogGeometry &record, int screen_width,
                                               int screen_height) {
  QVGeometryPlan plan;
  plan.x = std::max(record.x, 0);
  plan.y = std::max(record.y, 0);
  plan.move = (record.flags & QV_GEOMETRY_POSITION) &&
              position_on_screen(plan.x, plan.y, screen_width, screen_height);
  plan.set_default_size =
      (record.flags & QV_GEOMETRY_SIZE) &&
      size_fits(plan.x, plan.y, record.width, record.height, screen_width, screen_height);
  if (plan.set_default_size) {
    plan.width = record.width;
    plan.height = record.height;
  }
  plan.maximize = (record.flags & QV_GEOMETRY_MAXIMIZED) != 0;
  return plan;
}

QVGeometrySave qv_dialog_geometry_plan_save(const QVDialogGeometry &previous, int last_state,
                                            int request, const QVWindowPlacement &window) {
  QVGeometrySave out{previous, 0};
  QVDialogGeometry &r = out.record;
  if (last_state & QV_WINDOW_STATE_ICONIFIED) {
    r.flags &= ~QV_GEOMETRY_MAXIMIZED;
    return out;
  }
  if (last_state & QV_WINDOW_STATE_MAXIMIZED) {
    r.flags |= QV_GEOMETRY_MAXIMIZED;
    return out;
  }
  r.flags &= ~(QV_GEOMETRY_POSITION | QV_GEOMETRY_MAXIMIZED | QV_GEOMETRY_SIZE | QV_GEOMETRY_EXTRA);
  if (request & QV_GEOMETRY_POSITION) {
    r.flags |= QV_GEOMETRY_POSITION;
    r.x = window.x;
    r.y = window.y;
  }
  if (request & QV_GEOMETRY_SIZE) {
    r.flags |= QV_GEOMETRY_SIZE;
    r.width = window.width;
    r.height = window.height;
  }
  r.flags |= request & QV_GEOMETRY_EXTRA;
  out.result = 1;
  return out;
}

QVGeometryPlan qv_keyfile_geometry_plan_restore(const QVKeyFileGeometry &saved, int screen_width,
                                                int screen_height) {
  QVGeometryPlan plan;
  if (saved.x && saved.y) {
    plan.x = std::max(*saved.x, 0);
    plan.y = std::max(*saved.y, 0);
    plan.move = position_on_screen(plan.x, plan.y, screen_width, screen_height);
  }
  if (saved.width && saved.height && *saved.width > 0 && *saved.height > 0) {
    plan.set_default_size = true;
    plan.width = std::min(*saved.width, screen_width);
    plan.height = std::min(*saved.height, screen_height);
  }
  return plan;
}

bool qv_keyfile_geometry_should_save(int last_state) { return last_state == 0; }

namespace {

std::optional<int> read_int(GKeyFile *file, const char *group, const char *key) {
  GError *error = nullptr;
  const gint value = g_key_file_get_integer(file, group, key, &error);
  if (error) {
    g_error_free(error);
    return std::nullopt;
  }
  return value;
}

}  // namespace

QVKeyFileGeometry qv_keyfile_geometry_read(GKeyFile *file, const char *group) {
  QVKeyFileGeometry g;
  if (!file || !group) return g;
  g.x = read_int(file, group, "x");
  g.y = read_int(file, group, "y");
  g.width = read_int(file, group, "width");
  g.height = read_int(file, group, "height");
  return g;
}

bool qv_keyfile_geometry_store(GKeyFile *file, const char *group, int last_state,
                               const QVWindowPlacement &window) {
  if (!file || !group || !qv_keyfile_geometry_should_save(last_state)) return false;
  g_key_file_set_integer(file, group, "x", window.x);
  g_key_file_set_integer(file, group, "y", window.y);
  g_key_file_set_integer(file, group, "width", window.width);
  g_key_file_set_integer(file, group, "height", window.height);
  return true;
}
