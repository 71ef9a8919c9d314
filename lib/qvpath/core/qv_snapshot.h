// Path snapshots: the paths and per-path parasites of an image held in memory
// as a host-order chunk sequence of "GHDR", "PATH" and "PARA" chunks, so that
// rendering and path groups can read paths that are not in the live image.
//
// Layouts (offsets from the chunk start, 32-bit fields in host order):
//   "PATH": 8 tattoo, 12 path type, 16 closed, 20 name length (with NUL),
//           24 byte length of the points (8 per double), 28 name, then the
//           doubles, unaligned.
//   "PARA": 8 flags, 12 name length (with NUL), 16 data size, 20 name, data.
//   "GHDR": 8 group number, 12 name length (with NUL), 16 name.
// A walk starts at the first byte and ends at the first chunk of any other
// type, or at the first chunk that is malformed: one whose frame breaks, whose
// name has no NUL inside its name field, or whose name and data do not fit
// in the chunk. Nothing past a malformed chunk is ever looked at.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A view of a host-order path snapshot (not owned).
struct QVSnapshot {
  const uint8_t *data = nullptr;
  size_t length = 0;
};

struct QVSnapshotPath {
  int32_t tattoo = 0;
  int32_t path_type = 0;
  int32_t closed = 0;
  std::string name;
  std::vector<double> points;  // the point triple list: x, y, type per point
};

struct QVSnapshotParasite {
  std::string name;
  uint32_t flags = 0;
  std::vector<uint8_t> data;
};

// The first "PATH" / "PARA" chunk whose name equals `name`, copied out; none
// when the walk ends first.
std::optional<QVSnapshotPath> qv_snapshot_find_path(const QVSnapshot &snapshot,
                                                    const std::string &name);
std::optional<QVSnapshotParasite> qv_snapshot_find_parasite(const QVSnapshot &snapshot,
                                                            const std::string &name);

// The name of the first "PATH" chunk with this tattoo; none when the walk
// ends first.
std::optional<std::string> qv_snapshot_path_name_by_tattoo(const QVSnapshot &snapshot,
                                                           int32_t tattoo);

// The names of all "PATH" / "PARA" chunks the walk reaches, in snapshot order.
std::vector<std::string> qv_snapshot_path_names(const QVSnapshot &snapshot);
std::vector<std::string> qv_snapshot_parasite_names(const QVSnapshot &snapshot);

// Every path and parasite the walk reaches, in snapshot order. `sound` is
// false when a malformed chunk ended the walk rather than the end of the data
// or a chunk of another type: then the lists hold only what came before it.
struct QVSnapshotContent {
  std::vector<QVSnapshotPath> paths;
  std::vector<QVSnapshotParasite> parasites;
  bool sound = true;
};
QVSnapshotContent qv_snapshot_read_all(const QVSnapshot &snapshot);

// Writers used by tests and by path-group storage: each appends one chunk in
// host order. Names are written up to their first NUL, as the readers see them.
void qv_snapshot_append_path(std::vector<uint8_t> &out, const QVSnapshotPath &path);
void qv_snapshot_append_parasite(std::vector<uint8_t> &out, const QVSnapshotParasite &parasite);
void qv_snapshot_append_group_header(std::vector<uint8_t> &out, int32_t group,
                                     const std::string &name);
// A chunk without payload, e.g. QV_CHUNK_GEND or QV_CHUNK_EODT.
void qv_snapshot_append_empty(std::vector<uint8_t> &out, uint32_t type);
