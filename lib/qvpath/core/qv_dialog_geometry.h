// Dialog geometry: where a dialog was and how big, kept between GIMP sessions
// as a 20-byte record (five host-order int32) in a GIMP-wide parasite named
// after the dialog's key, or, for the standalone launcher, as integer keys of
// a key-file group. This file holds the record and the decisions only; the
// GIMP/GTK side applies them to real windows.
#pragma once

#include <glib.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

constexpr std::size_t QV_DIALOG_GEOMETRY_BYTES = 20;

// Bits of QVDialogGeometry::flags and of the save request.
constexpr std::int32_t QV_GEOMETRY_POSITION = 1;
constexpr std::int32_t QV_GEOMETRY_SIZE = 2;
constexpr std::int32_t QV_GEOMETRY_MAXIMIZED = 4;
// The caller's own bit, stored and handed back untouched.
constexpr std::int32_t QV_GEOMETRY_EXTRA = 8;

// The GDK window-state bits the save decision looks at (same values as
// GDK_WINDOW_STATE_ICONIFIED / _MAXIMIZED, kept here so the core needs no GDK).
constexpr int QV_WINDOW_STATE_ICONIFIED = 2;
constexpr int QV_WINDOW_STATE_MAXIMIZED = 4;

// Edges closer than this are treated as off screen: a window placed there
// would leave nothing for the user to grab.
constexpr int QV_GEOMETRY_EDGE_MARGIN = 16;

struct QVDialogGeometry {
  std::int32_t flags = 0;
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// Reads stored bytes: short data fills only the leading fields (the rest stay
// 0), data beyond 20 bytes is ignored. Null data gives the empty record.
QVDialogGeometry qv_dialog_geometry_parse(const void *data, std::size_t size);

// The 20 bytes to store.
std::array<std::uint8_t, QV_DIALOG_GEOMETRY_BYTES> qv_dialog_geometry_serialize(
    const QVDialogGeometry &record);

// What to do to a window when it is shown again.
struct QVGeometryPlan {
  bool move = false;
  int x = 0;
  int y = 0;
  bool set_default_size = false;
  int width = 0;
  int height = 0;
  bool maximize = false;
};

// Position: clamped to >= 0 and applied only when valid and not within
// QV_GEOMETRY_EDGE_MARGIN of the right/bottom edge. Size: applied when valid,
// positive and it fits from the clamped position to the screen's edges.
QVGeometryPlan qv_dialog_geometry_plan_restore(const QVDialogGeometry &record, int screen_width,
                                               int screen_height);

// The window's current placement, as the toolkit reports it.
struct QVWindowPlacement {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct QVGeometrySave {
  QVDialogGeometry record;
  int result = 0;  // 1: position/size taken from the window; 0: only the maximized bit changed
};

// The record to store when a dialog closes. An iconified or maximized window
// says nothing useful about its normal placement, so then only the maximized
// bit changes and the last normal placement is kept. `request` is a set of
// QV_GEOMETRY_POSITION, QV_GEOMETRY_SIZE and QV_GEOMETRY_EXTRA.
QVGeometrySave qv_dialog_geometry_plan_save(const QVDialogGeometry &previous, int last_state,
                                            int request, const QVWindowPlacement &window);

// --- Key-file variant (standalone launcher) ---------------------------------
// One group per window with the integer keys "x", "y", "width", "height".

struct QVKeyFileGeometry {
  std::optional<int> x;
  std::optional<int> y;
  std::optional<int> width;
  std::optional<int> height;
};

// Position under the same edge rule as the parasite record (needs both x and
// y); size is the smaller of saved and screen size (needs both, positive).
// Key files never maximize.
QVGeometryPlan qv_keyfile_geometry_plan_restore(const QVKeyFileGeometry &saved, int screen_width,
                                                int screen_height);

// A window that was last iconified, maximized or otherwise not in its normal
// state reports a placement that should not be remembered.
bool qv_keyfile_geometry_should_save(int last_state);

// Reads the group's keys; missing or non-integer keys stay none.
QVKeyFileGeometry qv_keyfile_geometry_read(GKeyFile *file, const char *group);

// Writes the window's placement into the group when the last state allows it;
// returns whether it wrote.
bool qv_keyfile_geometry_store(GKeyFile *file, const char *group, int last_state,
                               const QVWindowPlacement &window);
