#include "gimp/timeline/qv_timeline_parasites.h"

#include <glib/gi18n-lib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/qv_chunks.h"
#include "gimp/base/qv_messages.h"
#include "gimp/base/qv_parasite.h"

namespace {

const char *const kLegacyNames[] = {"qv-timeline-current", "qv-timeline-recent",
                                    "qv-timeline-rest"};

// Fields that the earlier layout kept little-endian inside otherwise
// big-endian chunks (offsets from the chunk start).
const size_t kAhdrDoubles[] = {24, 32, 40, 56, 64, 72, 80};
const size_t kAhdrInts[] = {20};
const size_t kAnimDoubles[] = {32, 40, 48, 56, 64, 72, 80, 88, 96, 112};
const size_t kAnimInts[] = {24};

void reverse_field(std::vector<guint8> &data, size_t at, size_t width, size_t chunk_end) {
  if (at + width > chunk_end) return;
  std::reverse(data.begin() + at, data.begin() + at + width);
}

void reverse_legacy_fields(std::vector<guint8> &data) {
  QVChunkWalker walker = qv_chunk_walker_new(data.data(), data.size());
  while (const auto chunk = qv_chunk_walker_next(walker)) {
    const size_t end = chunk->offset + QV_CHUNK_HEADER_SIZE + chunk->size;
    if (chunk->type == QV_CHUNK_AHDR) {
      for (size_t f : kAhdrDoubles) reverse_field(data, chunk->offset + f, 8, end);
      for (size_t f : kAhdrInts) reverse_field(data, chunk->offset + f, 4, end);
    } else if (chunk->type == QV_CHUNK_ANIM) {
      for (size_t f : kAnimDoubles) reverse_field(data, chunk->offset + f, 8, end);
      for (size_t f : kAnimInts) reverse_field(data, chunk->offset + f, 4, end);
    }
  }
}

}  // namespace

int qv_timeline_parasites_migrate(gint32 image) {
  int converted = 0;
  for (const char *name : kLegacyNames) {
    auto data = qv_image_parasite_bytes(image, name);
    if (!data) continue;
    QVChunkStatus status = qv_chunks_to_host(data->data(), data->size());
    if (status == QVChunkStatus::ok) {
      reverse_legacy_fields(*data);
      status = qv_chunks_to_big_endian(data->data(), data->size());
    }
    if (status != QVChunkStatus::ok) {
      // Keep the old parasite: converting damaged data would lose it.
      qv_user_message(_("Timeline parasite \"%s\" was not converted: %s"), name,
                      qv_chunk_status_message(status));
      continue;
    }
    const std::string new_name = std::string(name) + "-be";
    qv_parasite_attach(image, new_name.c_str(), GIMP_PARASITE_PERSISTENT, data->size(),
                       data->data());
    qv_parasite_remove(image, name);
    ++converted;
  }
  return converted;
}
