#include "qv_xcf_timelines.h"

#include "qv_chunks.h"

#include <cmath>
#include <cstring>

const char *const QV_TIMELINE_PARASITE_CURRENT = "qv-timeline-current-be";
const char *const QV_TIMELINE_PARASITE_RECENT = "qv-timeline-recent-be";
const char *const QV_TIMELINE_PARASITE_REST = "qv-timeline-rest-be";

namespace {

// Offsets within an "AHDR" chunk, header included.
constexpr size_t AHDR_FPS = 24;
constexpr size_t AHDR_INPOINT = 32;
constexpr size_t AHDR_OUTPOINT = 40;
constexpr size_t AHDR_OUTPOINT_MODE = 48;
constexpr size_t AHDR_END = 56;
constexpr size_t AHDR_MIN_END = 64;
constexpr size_t AHDR_FRAME_NAME_LENGTH = 92;
constexpr size_t AHDR_SCRIPT_LENGTH = 96;
constexpr size_t AHDR_NAME_LENGTH = 100;
constexpr size_t AHDR_FIXED_END = 104;

constexpr int32_t OUTPOINT_AT_END = 2;

uint32_t be32(const uint8_t *at) {
  return (uint32_t{at[0]} << 24) | (uint32_t{at[1]} << 16) | (uint32_t{at[2]} << 8) | at[3];
}

double be_double(const uint8_t *at) {
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits = (bits << 8) | at[i];
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// A stored string: `length` bytes counting its NUL; the text stops at the
// first NUL, so a string without one inside its field is cut at the field.
std::string stored_text(const uint8_t *at, uint32_t length) {
  if (length == 0) return {};
  const void *nul = std::memchr(at, '\0', length);
  const size_t size = nul ? static_cast<const uint8_t *>(nul) - at : length;
  return std::string(reinterpret_cast<const char *>(at), size);
}

// The header of one timeline, or none when its strings do not fit its chunk.
std::optional<QVTimelineInfo> read_header(const uint8_t *chunk, uint32_t payload,
                                          QVTimelineGroup group) {
  const uint64_t chunk_end = QV_CHUNK_HEADER_SIZE + uint64_t{payload};
  if (chunk_end < AHDR_FIXED_END) return std::nullopt;
  const uint32_t frame_length = be32(chunk + AHDR_FRAME_NAME_LENGTH);
  const uint32_t script_length = be32(chunk + AHDR_SCRIPT_LENGTH);
  const uint32_t name_length = be32(chunk + AHDR_NAME_LENGTH);
  if (AHDR_FIXED_END + uint64_t{frame_length} + script_length + name_length > chunk_end) {
    return std::nullopt;
  }
  QVTimelineInfo info;
  info.group = group;
  info.fps = be_double(chunk + AHDR_FPS);
  info.inpoint = be_double(chunk + AHDR_INPOINT);
  info.outpoint = be_double(chunk + AHDR_OUTPOINT);
  info.outpoint_mode = static_cast<int32_t>(be32(chunk + AHDR_OUTPOINT_MODE));
  info.end = be_double(chunk + AHDR_END);
  info.min_end = be_double(chunk + AHDR_MIN_END);
  const uint8_t *strings = chunk + AHDR_FIXED_END;
  info.frame_filename = stored_text(strings, frame_length);
  info.name = stored_text(strings + frame_length + script_length, name_length);
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
  double out = timeline.outpoint;
  if (timeline.outpoint_mode == OUTPOINT_AT_END) out = std::fmax(timeline.end, timeline.min_end);
  const double frames = timeline.fps * (out - timeline.inpoint) + 0.5;
  if (!std::isfinite(frames) || frames < 1.0) return 0;
  if (frames >= static_cast<double>(QV_TIMELINE_MAX_FRAMES)) return QV_TIMELINE_MAX_FRAMES;
  return static_cast<long>(frames);
}

const QVTimelineInfo *qv_timeline_find(const QVTimelineList &list, const std::string &name) {
  for (const QVTimelineInfo &timeline : list.timelines) {
    if (timeline.name == name) return &timeline;
  }
  return nullptr;
}
