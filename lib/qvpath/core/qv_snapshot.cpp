#include <new>

#include "core/qv_snapshot.h"

#include "core/qv_chunks.h"
#include "core/qv_fatal.h"

#include <glib.h>

#include <cstring>
#include <limits>

namespace {

constexpr size_t PATH_FIXED_END = 28;
constexpr size_t PARA_FIXED_END = 20;
constexpr size_t GHDR_FIXED_END = 16;

// Borrowed views into the snapshot bytes of one well-formed chunk.
struct PathView {
  const uint8_t *start;
  const char *name;
  const uint8_t *points;
  size_t point_count;
};

struct ParasiteView {
  const uint8_t *start;
  const char *name;
  const uint8_t *data;
  size_t data_size;
};

// The name field [offset, offset + name_length) must lie inside the chunk
// and hold a NUL; returns the name or null when it does not.
const char *name_in_chunk(const uint8_t *start, const QVChunk &chunk, size_t offset,
                          uint64_t name_length) {
  const uint64_t chunk_end = QV_CHUNK_HEADER_SIZE + uint64_t{chunk.size};
  if (name_length == 0 || offset + name_length > chunk_end) {
    return nullptr;
  }
  const uint8_t *name = start + offset;
  if (std::memchr(name, '\0', static_cast<size_t>(name_length)) == nullptr) {
    return nullptr;
  }
  return reinterpret_cast<const char *>(name);
}

std::optional<PathView> view_path(const uint8_t *start, const QVChunk &chunk) {
  if (QV_CHUNK_HEADER_SIZE + uint64_t{chunk.size} < PATH_FIXED_END) {
    return std::nullopt;
  }
  const uint64_t name_length = qv_chunk_get_u32(start + 20);
  const uint64_t point_bytes = qv_chunk_get_u32(start + 24);
  const char *name = name_in_chunk(start, chunk, PATH_FIXED_END, name_length);
  if (name == nullptr || point_bytes % sizeof(double) != 0 ||
      PATH_FIXED_END + name_length + point_bytes > QV_CHUNK_HEADER_SIZE + uint64_t{chunk.size}) {
    return std::nullopt;
  }
  return PathView{start, name, start + PATH_FIXED_END + name_length,
                  static_cast<size_t>(point_bytes / sizeof(double))};
}

std::optional<ParasiteView> view_parasite(const uint8_t *start, const QVChunk &chunk) {
  if (QV_CHUNK_HEADER_SIZE + uint64_t{chunk.size} < PARA_FIXED_END) {
    return std::nullopt;
  }
  const uint64_t name_length = qv_chunk_get_u32(start + 12);
  const uint64_t data_size = qv_chunk_get_u32(start + 16);
  const char *name = name_in_chunk(start, chunk, PARA_FIXED_END, name_length);
  if (name == nullptr ||
      PARA_FIXED_END + name_length + data_size > QV_CHUNK_HEADER_SIZE + uint64_t{chunk.size}) {
    return std::nullopt;
  }
  return ParasiteView{start, name, start + PARA_FIXED_END + name_length,
                      static_cast<size_t>(data_size)};
}

bool group_header_is_sound(const uint8_t *start, const QVChunk &chunk) {
  if (QV_CHUNK_HEADER_SIZE + uint64_t{chunk.size} < GHDR_FIXED_END) {
    return false;
  }
  return name_in_chunk(start, chunk, GHDR_FIXED_END, qv_chunk_get_u32(start + 12)) != nullptr;
}

// Walks the snapshot, handing every path and parasite to the visitors until
// one of them returns false or the walk ends. Returns false only when a
// malformed chunk (or a broken frame) ended the walk.
template <typename OnPath, typename OnParasite>
bool walk_snapshot(const QVSnapshot &snapshot, OnPath on_path, OnParasite on_parasite) {
  QVChunkWalker walker = qv_chunk_walker_new(snapshot.data, snapshot.length);
  while (const std::optional<QVChunk> chunk = qv_chunk_walker_next(walker)) {
    const uint8_t *start = snapshot.data + chunk->offset;
    if (chunk->type == QV_CHUNK_PATH) {
      const std::optional<PathView> path = view_path(start, *chunk);
      if (!path) return false;
      if (!on_path(*path)) return true;
    } else if (chunk->type == QV_CHUNK_PARA) {
      const std::optional<ParasiteView> parasite = view_parasite(start, *chunk);
      if (!parasite) return false;
      if (!on_parasite(*parasite)) return true;
    } else if (chunk->type == QV_CHUNK_GHDR) {
      if (!group_header_is_sound(start, *chunk)) return false;
    } else {
      return true;
    }
  }
  return walker.status == QVChunkStatus::ok;
}

QVSnapshotPath copy_path(const PathView &view) {
  QVSnapshotPath path;
  path.tattoo = qv_chunk_get_i32(view.start + 8);
  path.path_type = qv_chunk_get_i32(view.start + 12);
  path.closed = qv_chunk_get_i32(view.start + 16);
  path.name = view.name;
  qv_or_abort("Abort, *points=malloc(path->nrPoints_x8) failed!",
              [&] { path.points.resize(view.point_count); });
  if (view.point_count > 0) {
    std::memcpy(path.points.data(), view.points, view.point_count * sizeof(double));
  }
  return path;
}

QVSnapshotParasite copy_parasite(const ParasiteView &view) {
  QVSnapshotParasite parasite;
  parasite.name = view.name;
  parasite.flags = qv_chunk_get_u32(view.start + 8);
  qv_or_abort("Abort, parasite->data=malloc(parasite->size) failed!",
              [&] { parasite.data.assign(view.data, view.data + view.data_size); });
  return parasite;
}

// Appends the header and reserves the payload; returns the payload start.
// Sizes are checked by the callers, so the u32 size field cannot wrap.
size_t append_chunk(std::vector<uint8_t> &out, uint32_t type, size_t payload_size) {
  const size_t start = out.size();
  qv_or_abort("Abort, buf=malloc() failed!",
              [&] { out.resize(start + QV_CHUNK_HEADER_SIZE + payload_size); });
  qv_chunk_put_u32(out.data() + start, static_cast<uint32_t>(payload_size));
  qv_chunk_put_u32(out.data() + start + 4, type);
  return start;
}

void put_name(uint8_t *at, const char *name, size_t name_length) {
  std::memcpy(at, name, name_length);
  at[name_length] = '\0';
}

bool fits_in_u32(uint64_t value) { return value <= std::numeric_limits<uint32_t>::max(); }

}  // namespace

std::optional<QVSnapshotPath> qv_snapshot_find_path(const QVSnapshot &snapshot,
                                                    const std::string &name) {
  std::optional<QVSnapshotPath> found;
  walk_snapshot(
      snapshot,
      [&](const PathView &path) {
        if (name != path.name) return true;
        found = copy_path(path);
        return false;
      },
      [](const ParasiteView &) { return true; });
  return found;
}

std::optional<QVSnapshotParasite> qv_snapshot_find_parasite(const QVSnapshot &snapshot,
                                                            const std::string &name) {
  std::optional<QVSnapshotParasite> found;
  walk_snapshot(
      snapshot, [](const PathView &) { return true; },
      [&](const ParasiteView &parasite) {
        if (name != parasite.name) return true;
        found = copy_parasite(parasite);
        return false;
      });
  return found;
}

std::optional<std::string> qv_snapshot_path_name_by_tattoo(const QVSnapshot &snapshot,
                                                           int32_t tattoo) {
  std::optional<std::string> found;
  walk_snapshot(
      snapshot,
      [&](const PathView &path) {
        if (qv_chunk_get_i32(path.start + 8) != tattoo) return true;
        found = std::string(path.name);
        return false;
      },
      [](const ParasiteView &) { return true; });
  return found;
}

std::vector<std::string> qv_snapshot_path_names(const QVSnapshot &snapshot) {
  std::vector<std::string> names;
  walk_snapshot(
      snapshot,
      [&](const PathView &path) {
        names.emplace_back(path.name);
        return true;
      },
      [](const ParasiteView &) { return true; });
  return names;
}

std::vector<std::string> qv_snapshot_parasite_names(const QVSnapshot &snapshot) {
  std::vector<std::string> names;
  walk_snapshot(
      snapshot, [](const PathView &) { return true; },
      [&](const ParasiteView &parasite) {
        names.emplace_back(parasite.name);
        return true;
      });
  return names;
}

QVSnapshotContent qv_snapshot_read_all(const QVSnapshot &snapshot) {
  QVSnapshotContent content;
  content.sound = walk_snapshot(
      snapshot,
      [&](const PathView &path) {
        content.paths.push_back(copy_path(path));
        return true;
      },
      [&](const ParasiteView &parasite) {
        content.parasites.push_back(copy_parasite(parasite));
        return true;
      });
  return content;
}

void qv_snapshot_append_path(std::vector<uint8_t> &out, const QVSnapshotPath &path) {
  const size_t name_length = std::strlen(path.name.c_str());
  const uint64_t point_bytes = uint64_t{path.points.size()} * sizeof(double);
  const uint64_t payload = PATH_FIXED_END - QV_CHUNK_HEADER_SIZE + name_length + 1 + point_bytes;
  g_return_if_fail(fits_in_u32(payload));

  const size_t start = append_chunk(out, QV_CHUNK_PATH, static_cast<size_t>(payload));
  uint8_t *chunk = out.data() + start;
  qv_chunk_put_i32(chunk + 8, path.tattoo);
  qv_chunk_put_i32(chunk + 12, path.path_type);
  qv_chunk_put_i32(chunk + 16, path.closed);
  qv_chunk_put_u32(chunk + 20, static_cast<uint32_t>(name_length + 1));
  qv_chunk_put_u32(chunk + 24, static_cast<uint32_t>(point_bytes));
  put_name(chunk + PATH_FIXED_END, path.name.c_str(), name_length);
  if (point_bytes > 0) {
    std::memcpy(chunk + PATH_FIXED_END + name_length + 1, path.points.data(),
                static_cast<size_t>(point_bytes));
  }
}

void qv_snapshot_append_parasite(std::vector<uint8_t> &out, const QVSnapshotParasite &parasite) {
  const size_t name_length = std::strlen(parasite.name.c_str());
  const uint64_t payload =
      PARA_FIXED_END - QV_CHUNK_HEADER_SIZE + name_length + 1 + uint64_t{parasite.data.size()};
  g_return_if_fail(fits_in_u32(payload));

  const size_t start = append_chunk(out, QV_CHUNK_PARA, static_cast<size_t>(payload));
  uint8_t *chunk = out.data() + start;
  qv_chunk_put_u32(chunk + 8, parasite.flags);
  qv_chunk_put_u32(chunk + 12, static_cast<uint32_t>(name_length + 1));
  qv_chunk_put_u32(chunk + 16, static_cast<uint32_t>(parasite.data.size()));
  put_name(chunk + PARA_FIXED_END, parasite.name.c_str(), name_length);
  if (!parasite.data.empty()) {
    std::memcpy(chunk + PARA_FIXED_END + name_length + 1, parasite.data.data(),
                parasite.data.size());
  }
}

void qv_snapshot_append_group_header(std::vector<uint8_t> &out, int32_t group,
                                     const std::string &name) {
  const size_t name_length = std::strlen(name.c_str());
  const uint64_t payload = GHDR_FIXED_END - QV_CHUNK_HEADER_SIZE + name_length + 1;
  g_return_if_fail(fits_in_u32(payload));

  const size_t start = append_chunk(out, QV_CHUNK_GHDR, static_cast<size_t>(payload));
  uint8_t *chunk = out.data() + start;
  qv_chunk_put_i32(chunk + 8, group);
  qv_chunk_put_u32(chunk + 12, static_cast<uint32_t>(name_length + 1));
  put_name(chunk + GHDR_FIXED_END, name.c_str(), name_length);
}

void qv_snapshot_append_empty(std::vector<uint8_t> &out, uint32_t type) {
  append_chunk(out, type, 0);
}
