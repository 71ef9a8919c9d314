#include "core/qv_xcf_timelines.h"

#include "core/qv_chunks.h"
#include "core/qv_render_timing.h"
#include "core/qv_timeline.h"

const char *const QV_TIMELINE_PARASITE_CURRENT = "qv-timeline-current-be";
const char *const QV_TIMELINE_PARASITE_RECENT = "qv-timeline-recent-be";
const char *const QV_TIMELINE_PARASITE_REST = "qv-timeline-rest-be";

namespace {

// The header of one timeline, read by the timeline library; none when its
// strings do not fit its chunk.
std::optional<QVTimelineInfo> read_header(const uint8_t *chunk, uint32_t payload,
                                          QVTimelineGroup group) {
  const auto decoded =
      qv_ahdr_decode(chunk, QV_CHUNK_HEADER_SIZE + size_t{payload}, QVByteOrder::big_endian);
  if (!decoded) return std::nullopt;
  const QVahdrChunk &h = *decoded.value;
  QVTimelineInfo info;
  info.group = group;
  info.header = h;
  info.frame_filename = h.frame_fname.value_or("");
  info.name = h.name.value_or("");
  if (info.name.empty()) info.name = "Timeline";
  return info;
}

// Every header of one parasite; the current parasite holds a single timeline.
void read_parasite(const QVXcfImage &image, const char *name, QVTimelineGroup group,
                   QVTimelineList &list) {
  const QVXcfParasite *parasite = qv_xcf_find_parasite(image, name);
  if (!parasite) return;
  QVChunkWalker walker =
      qv_chunk_walker_new(parasite->data.data(), parasite->data.size(), QVByteOrder::big_endian);
  while (const std::optional<QVChunk> chunk = qv_chunk_walker_next(walker)) {
    if (chunk->type != QV_CHUNK_AHDR) continue;
    const auto header = read_header(parasite->data.data() + chunk->offset, chunk->size, group);
    if (!header) {
      list.problems.push_back(std::string(name) + ": a timeline header's texts run past its chunk");
      return;
    }
    list.timelines.push_back(*header);
    if (group == QVTimelineGroup::current) return;
  }
  if (walker.status != QVChunkStatus::ok) {
    list.problems.push_back(std::string(name) + ": " + qv_chunk_status_message(walker.status));
  }
}

}  // namespace

QVTimelineList qv_xcf_timelines(const QVXcfImage &image) {
  QVTimelineList list;
  read_parasite(image, QV_TIMELINE_PARASITE_CURRENT, QVTimelineGroup::current, list);
  read_parasite(image, QV_TIMELINE_PARASITE_RECENT, QVTimelineGroup::recent, list);
  read_parasite(image, QV_TIMELINE_PARASITE_REST, QVTimelineGroup::rest, list);
  return list;
}

long qv_timeline_frame_count(const QVTimelineInfo &timeline) {
  // The renderer's rule, so that the launcher asks for the frames it renders.
  return qv_ahdr_frame_count(timeline.header);
}

const QVTimelineInfo *qv_timeline_find(const QVTimelineList &list, const std::string &name) {
  for (const QVTimelineInfo &timeline : list.timelines) {
    if (timeline.name == name) return &timeline;
  }
  return nullptr;
}
