#include "core/qv_timeline.h"

#include <glib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <memory>

#include "core/qv_filename.h"
#include "core/qv_glib_ptr.h"

const std::array<uint8_t, 8> QV_TIMELINE_FILE_MAGIC = {0x89, 'Q', 'V', 'T', 0x0D, 0x0A, 0x1A, 0x0A};

const char *const QV_TIMELINE_CURRENT_PARASITE = "qv-timeline-current-be";
const char *const QV_TIMELINE_RECENT_PARASITE = "qv-timeline-recent-be";
const char *const QV_TIMELINE_REST_PARASITE = "qv-timeline-rest-be";
const char *const QV_TIMELINE_DEFAULT_NAME = "Timeline";

namespace {

constexpr uint32_t AHDR_FIXED_PAYLOAD = QV_AHDR_FIXED_SIZE - QV_CHUNK_HEADER_SIZE;
constexpr uint32_t ANIM_FIXED_PAYLOAD = QV_ANIM_FIXED_SIZE - QV_CHUNK_HEADER_SIZE;

// ---- Field access in either byte order ----

void put_bytes(uint8_t *at, const void *value, size_t width, QVByteOrder order) {
  std::memcpy(at, value, width);
  if (order == QVByteOrder::big_endian && G_BYTE_ORDER == G_LITTLE_ENDIAN) {
    std::reverse(at, at + width);
  }
}

void get_bytes(const uint8_t *at, void *value, size_t width, QVByteOrder order) {
  uint8_t scratch[8];
  std::memcpy(scratch, at, width);
  if (order == QVByteOrder::big_endian && G_BYTE_ORDER == G_LITTLE_ENDIAN) {
    std::reverse(scratch, scratch + width);
  }
  std::memcpy(value, scratch, width);
}

// Writes fixed fields at chunk offsets into a buffer already sized for them.
struct FieldWriter {
  uint8_t *chunk;
  QVByteOrder order;
  void u32(size_t at, uint32_t v) const { put_bytes(chunk + at, &v, 4, order); }
  void i32(size_t at, int32_t v) const { put_bytes(chunk + at, &v, 4, order); }
  void f64(size_t at, double v) const { put_bytes(chunk + at, &v, 8, order); }
};

// Reads fixed fields of a chunk whose fixed part is known to be in bounds.
struct FieldReader {
  const uint8_t *chunk;
  QVByteOrder order;
  uint32_t u32(size_t at) const {
    uint32_t v;
    get_bytes(chunk + at, &v, 4, order);
    return v;
  }
  int32_t i32(size_t at) const {
    int32_t v;
    get_bytes(chunk + at, &v, 4, order);
    return v;
  }
  double f64(size_t at) const {
    double v;
    get_bytes(chunk + at, &v, 8, order);
    return v;
  }
};

uint32_t member_length(const std::optional<std::string> &member) {
  return member ? static_cast<uint32_t>(member->size() + 1) : 0;
}

void append_member(QVBytes &out, const std::optional<std::string> &member) {
  if (!member) return;
  out.insert(out.end(), member->begin(), member->end());
  out.push_back(0);
}

// Appends a chunk with room for its fixed payload; returns its offset.
size_t start_chunk(QVBytes &out, uint32_t type, uint32_t payload, size_t fixed_size,
                   QVByteOrder order) {
  const size_t at = out.size();
  out.resize(at + fixed_size, 0);
  FieldWriter w{out.data() + at, order};
  w.u32(0, payload);
  w.u32(4, type);
  return at;
}

// The header of one chunk at the start of data, checked to lie in bounds and
// to be of the expected type with at least `fixed_payload` bytes.
std::optional<std::string> check_frame(const uint8_t *data, size_t length, QVByteOrder order,
                                       uint32_t type, uint32_t fixed_payload) {
  if (data == nullptr || length < QV_CHUNK_HEADER_SIZE) {
    return "a chunk header is cut off";
  }
  const FieldReader r{data, order};
  const uint32_t size = r.u32(0);
  const uint32_t found = r.u32(4);
  if (found != type) {
    return "expected a \"" + qv_chunk_code_text(type) + "\" chunk, found \"" +
           qv_chunk_code_text(found) + "\"";
  }
  if (size > length - QV_CHUNK_HEADER_SIZE) {
    return "a \"" + qv_chunk_code_text(type) + "\" chunk runs past the end of the data";
  }
  if (size < fixed_payload) {
    return "a \"" + qv_chunk_code_text(type) + "\" chunk is too short for its fields";
  }
  return std::nullopt;
}

// Reads the strings that follow a fixed part. Their lengths must fit in
// the chunk (summed in 64 bits, so huge lengths cannot wrap) and each
// present string must end in its NUL.
std::optional<std::string> read_members(const uint8_t *chunk, uint32_t payload, size_t fixed_size,
                                        const uint32_t *lengths, size_t count,
                                        std::optional<std::string> *const *members) {
  uint64_t total = 0;
  for (size_t i = 0; i < count; ++i) total += lengths[i];
  if (total > uint64_t{payload} + QV_CHUNK_HEADER_SIZE - fixed_size) {
    return "string lengths run past the end of their chunk";
  }
  const uint8_t *at = chunk + fixed_size;
  for (size_t i = 0; i < count; ++i) {
    const uint32_t n = lengths[i];
    if (n == 0) {
      members[i]->reset();
      continue;
    }
    if (at[n - 1] != 0) {
      return "a string has no closing NUL";
    }
    members[i]->emplace(reinterpret_cast<const char *>(at), n - 1);
    at += n;
  }
  return std::nullopt;
}

// A host-order copy of a sound piece.
QVBytes host_copy(const uint8_t *data, size_t length, QVByteOrder order) {
  QVBytes copy(data, data + length);
  if (order == QVByteOrder::big_endian) {
    qv_chunks_to_host(copy.data(), copy.size());
  }
  return copy;
}

// Splits the name into base and first suffix number: "Intro#7" → ("Intro",
// 7), "Intro#" → ("Intro", 1), "Intro" → ("Intro", 1).
std::pair<std::string, long long> split_numbered_name(const std::string &name) {
  size_t digits_start = name.size();
  while (digits_start > 0 && g_ascii_isdigit(name[digits_start - 1])) --digits_start;
  if (digits_start == 0 || name[digits_start - 1] != '#') {
    return {name, 1};
  }
  const std::string base = name.substr(0, digits_start - 1);
  if (digits_start == name.size()) {
    return {base, 1};
  }
  // Long digit runs saturate instead of overflowing.
  const long long number = std::min<unsigned long long>(
      g_ascii_strtoull(name.c_str() + digits_start, nullptr, 10), 1000000000ULL);
  return {base, number};
}

// Where timeline `index` is kept: the current parasite, or a position in
// recent or rest. None past the last timeline.
enum class QVShelf { current, recent, rest };
struct QVTimelinePlace {
  QVShelf shelf;
  size_t position;
};

std::optional<QVTimelinePlace> timeline_place(const QVTimelineParasites &parasites, int index) {
  if (index < 0) return std::nullopt;
  size_t i = static_cast<size_t>(index);
  if (parasites.current) {
    if (i == 0) return QVTimelinePlace{QVShelf::current, 0};
    --i;
  }
  if (i < parasites.recent.size()) return QVTimelinePlace{QVShelf::recent, i};
  i -= parasites.recent.size();
  if (i < parasites.rest.size()) return QVTimelinePlace{QVShelf::rest, i};
  return std::nullopt;
}

}  // namespace

// ---- Records ----

QVTimeline qv_timeline_new(std::optional<std::string> name) {
  QVTimeline timeline;
  timeline.header.name = std::move(name);
  return timeline;
}

QVanimChunk &qv_timeline_add_entry(QVTimeline &timeline, QVanimChunk entry) {
  entry.anim_id = timeline.header.next_anim_id++;
  timeline.entries.push_back(std::move(entry));
  return timeline.entries.back();
}

double qv_anim_end(const QVanimChunk &entry) {
  double end = entry.begin + entry.duration;
  if (entry.repeat > 0) end += entry.duration * entry.repeat;
  if (entry.freeze_after >= 0) {
    end += entry.freeze_after;
    if (entry.fade_out > 0) end += entry.fade_out;
  }
  return end;
}

double qv_timeline_end(const QVTimeline &timeline) {
  double end = timeline.header.min_end;
  for (const QVanimChunk &entry : timeline.entries) end = std::max(end, qv_anim_end(entry));
  return end;
}

// ---- Chunks ----

void qv_ahdr_encode(QVBytes &out, const QVahdrChunk &h, QVByteOrder order) {
  const uint32_t frame = member_length(h.frame_fname);
  const uint32_t script = member_length(h.script_name);
  const uint32_t name = member_length(h.name);
  const size_t at = start_chunk(out, QV_CHUNK_AHDR, AHDR_FIXED_PAYLOAD + frame + script + name,
                                QV_AHDR_FIXED_SIZE, order);
  const FieldWriter w{out.data() + at, order};
  w.i32(8, h.next_anim_id);
  w.i32(12, h.unused_12);
  w.i32(16, h.interlace);
  w.i32(20, h.flatten);
  w.f64(24, h.fps);
  w.f64(32, h.inpoint);
  w.f64(40, h.outpoint);
  w.i32(48, h.outpoint_mode);
  w.i32(52, h.preview_step);
  w.f64(56, h.end);
  w.f64(64, h.min_end);
  w.f64(72, h.view_start);
  w.f64(80, h.view_seconds_per_pixel);
  w.i32(88, h.unused_88);
  w.u32(92, frame);
  w.u32(96, script);
  w.u32(100, name);
  append_member(out, h.frame_fname);
  append_member(out, h.script_name);
  append_member(out, h.name);
}

void qv_anim_encode(QVBytes &out, const QVanimChunk &e, QVByteOrder order) {
  const std::optional<std::string> *members[] = {&e.group_file,  &e.group_name,  &e.path_name,
                                                 &e.script_name, &e.script_text, &e.extra};
  uint32_t lengths[6];
  uint32_t payload = ANIM_FIXED_PAYLOAD;
  for (size_t i = 0; i < 6; ++i) {
    lengths[i] = member_length(*members[i]);
    payload += lengths[i];
  }
  const size_t at = start_chunk(out, QV_CHUNK_ANIM, payload, QV_ANIM_FIXED_SIZE, order);
  const FieldWriter w{out.data() + at, order};
  w.i32(8, e.anim_id);
  w.i32(12, e.group_id);
  w.i32(16, e.path_tattoo);
  w.i32(20, e.drawable_tattoo);
  w.i32(24, e.drawable_is_mask);
  w.f64(32, e.t_start);
  w.f64(40, e.freeze_before);
  w.f64(48, e.t_end);
  w.f64(56, e.freeze_after);
  w.f64(64, e.fade_in);
  w.f64(72, e.fade_out);
  w.f64(80, e.repeat);
  w.f64(88, e.begin);
  w.f64(96, e.duration);
  w.i32(104, e.unused_104);
  w.i32(108, e.unused_108);
  w.f64(112, e.unused_112);
  for (size_t i = 0; i < 6; ++i) w.u32(120 + 4 * i, lengths[i]);
  for (const auto *member : members) append_member(out, *member);
}

QVBytes qv_timeline_encode(const QVTimeline &timeline, QVByteOrder order) {
  QVBytes out;
  qv_ahdr_encode(out, timeline.header, order);
  for (const QVanimChunk &entry : timeline.entries) qv_anim_encode(out, entry, order);
  start_chunk(out, QV_CHUNK_AEND, 0, QV_CHUNK_HEADER_SIZE, order);
  return out;
}

namespace {

std::string number_text(double value) {
  char buffer[G_ASCII_DTOSTR_BUF_SIZE];
  return g_ascii_dtostr(buffer, sizeof buffer, value);
}

// A field that must be finite and within [low, high].
std::optional<std::string> out_of_range(const char *field, double value, double low, double high) {
  if (std::isfinite(value) && value >= low && value <= high) return std::nullopt;
  return std::string(field) + " " + number_text(value) + " is not between " + number_text(low) +
         " and " + number_text(high);
}

std::optional<std::string> not_finite(const char *field, double value) {
  if (std::isfinite(value)) return std::nullopt;
  return std::string(field) + " " + number_text(value) + " is not a number of seconds";
}

std::optional<std::string> first_fault(std::initializer_list<std::optional<std::string>> faults) {
  for (const auto &fault : faults)
    if (fault) return fault;
  return std::nullopt;
}

}  // namespace

std::optional<std::string> qv_ahdr_implausible(const QVahdrChunk &h) {
  if (!(std::isfinite(h.fps) && h.fps > 0 && h.fps <= QV_TIMELINE_FPS_MAX))
    return "frame rate " + number_text(h.fps) + " is not above 0 and up to " +
           number_text(QV_TIMELINE_FPS_MAX);
  if (h.interlace < QV_PROGRESSIVE || h.interlace > QV_INTERLACED_NTSC)
    return "interlace mode " + std::to_string(h.interlace) + " is not 0, 1 or 2";
  if (h.outpoint_mode < QV_OUT_IN_PLUS || h.outpoint_mode > QV_OUT_END)
    return "outpoint mode " + std::to_string(h.outpoint_mode) + " is not 0, 1 or 2";
  if (h.preview_step < 0) return "preview step " + std::to_string(h.preview_step) + " is negative";
  return first_fault({not_finite("inpoint", h.inpoint), not_finite("outpoint", h.outpoint),
                      not_finite("end", h.end), not_finite("minimum end", h.min_end),
                      not_finite("view start", h.view_start),
                      not_finite("view scale", h.view_seconds_per_pixel)});
}

std::optional<std::string> qv_anim_implausible(const QVanimChunk &e) {
  return first_fault(
      {out_of_range("t at start", e.t_start, -1, 1), out_of_range("t at end", e.t_end, -1, 1),
       out_of_range("duration", e.duration, 0, HUGE_VAL), not_finite("begin", e.begin),
       not_finite("repeat", e.repeat), not_finite("fade-in", e.fade_in),
       not_finite("fade-out", e.fade_out), not_finite("freeze-before", e.freeze_before),
       not_finite("freeze-after", e.freeze_after)});
}

QVDecoded<QVahdrChunk> qv_ahdr_decode(const uint8_t *data, size_t length, QVByteOrder order) {
  QVDecoded<QVahdrChunk> result;
  if (auto error = check_frame(data, length, order, QV_CHUNK_AHDR, AHDR_FIXED_PAYLOAD)) {
    result.error = *error;
    return result;
  }
  const FieldReader r{data, order};
  QVahdrChunk h;
  h.next_anim_id = r.i32(8);
  h.unused_12 = r.i32(12);
  h.interlace = r.i32(16);
  h.flatten = r.i32(20);
  h.fps = r.f64(24);
  h.inpoint = r.f64(32);
  h.outpoint = r.f64(40);
  h.outpoint_mode = r.i32(48);
  h.preview_step = r.i32(52);
  h.end = r.f64(56);
  h.min_end = r.f64(64);
  h.view_start = r.f64(72);
  h.view_seconds_per_pixel = r.f64(80);
  h.unused_88 = r.i32(88);
  const uint32_t lengths[] = {r.u32(92), r.u32(96), r.u32(100)};
  std::optional<std::string> *const members[] = {&h.frame_fname, &h.script_name, &h.name};
  if (auto error = read_members(data, r.u32(0), QV_AHDR_FIXED_SIZE, lengths, 3, members)) {
    result.error = "timeline header: " + *error;
    return result;
  }
  if (auto fault = qv_ahdr_implausible(h)) {
    result.error = "timeline header: " + *fault;
    return result;
  }
  result.value = std::move(h);
  return result;
}

QVDecoded<QVanimChunk> qv_anim_decode(const uint8_t *data, size_t length, QVByteOrder order) {
  QVDecoded<QVanimChunk> result;
  if (auto error = check_frame(data, length, order, QV_CHUNK_ANIM, ANIM_FIXED_PAYLOAD)) {
    result.error = *error;
    return result;
  }
  const FieldReader r{data, order};
  QVanimChunk e;
  e.anim_id = r.i32(8);
  e.group_id = r.i32(12);
  e.path_tattoo = r.i32(16);
  e.drawable_tattoo = r.i32(20);
  e.drawable_is_mask = r.i32(24);
  e.t_start = r.f64(32);
  e.freeze_before = r.f64(40);
  e.t_end = r.f64(48);
  e.freeze_after = r.f64(56);
  e.fade_in = r.f64(64);
  e.fade_out = r.f64(72);
  e.repeat = r.f64(80);
  e.begin = r.f64(88);
  e.duration = r.f64(96);
  e.unused_104 = r.i32(104);
  e.unused_108 = r.i32(108);
  e.unused_112 = r.f64(112);
  uint32_t lengths[6];
  for (size_t i = 0; i < 6; ++i) lengths[i] = r.u32(120 + 4 * i);
  std::optional<std::string> *const members[] = {&e.group_file,  &e.group_name,  &e.path_name,
                                                 &e.script_name, &e.script_text, &e.extra};
  if (auto error = read_members(data, r.u32(0), QV_ANIM_FIXED_SIZE, lengths, 6, members)) {
    result.error = "animation entry " + std::to_string(e.anim_id) + ": " + *error;
    return result;
  }
  if (auto fault = qv_anim_implausible(e)) {
    result.error = "animation entry " + std::to_string(e.anim_id) + ": " + *fault;
    return result;
  }
  result.value = std::move(e);
  return result;
}

QVDecoded<QVTimeline> qv_timeline_decode(const uint8_t *data, size_t length, QVByteOrder order) {
  QVDecoded<QVTimeline> result;
  QVTimeline timeline;
  auto header = qv_ahdr_decode(data, length, order);
  if (!header) {
    result.error = header.error;
    return result;
  }
  timeline.header = std::move(*header.value);
  // The walker stops at the first chunk whose frame breaks, so every chunk
  // looked at below lies inside the buffer.
  QVChunkWalker walker = qv_chunk_walker_new(data, length, order);
  qv_chunk_walker_next(walker);
  bool ended = false;
  while (const auto chunk = qv_chunk_walker_next(walker)) {
    const uint8_t *at = data + chunk->offset;
    const size_t left = length - chunk->offset;
    if (ended) {
      result.error = "a \"" + qv_chunk_code_text(chunk->type) + "\" chunk follows \"AEND\"";
      return result;
    }
    if (chunk->type == QV_CHUNK_AEND) {
      ended = true;
      continue;
    }
    auto entry = qv_anim_decode(at, left, order);
    if (!entry) {
      result.error = entry.error;
      return result;
    }
    timeline.entries.push_back(std::move(*entry.value));
  }
  if (walker.status != QVChunkStatus::ok) {
    result.error = qv_chunk_status_message(walker.status);
    return result;
  }
  if (!ended) {
    result.error = "the timeline has no \"AEND\" chunk";
    return result;
  }
  result.value = std::move(timeline);
  return result;
}

QVDecoded<QVTimeline> qv_timeline_decode(const QVBytes &bytes, QVByteOrder order) {
  return qv_timeline_decode(bytes.data(), bytes.size(), order);
}

QVDecoded<std::vector<QVBytes>> qv_timeline_split(const uint8_t *data, size_t length,
                                                  QVByteOrder order) {
  QVDecoded<std::vector<QVBytes>> result;
  std::vector<size_t> starts;
  QVChunkWalker walker = qv_chunk_walker_new(data, length, order);
  while (const auto chunk = qv_chunk_walker_next(walker)) {
    if (chunk->type == QV_CHUNK_AHDR) {
      starts.push_back(chunk->offset);
    } else if (starts.empty()) {
      result.error = "the data does not begin with a timeline header";
      return result;
    }
  }
  if (walker.status != QVChunkStatus::ok) {
    result.error = qv_chunk_status_message(walker.status);
    return result;
  }
  std::vector<QVBytes> pieces;
  for (size_t i = 0; i < starts.size(); ++i) {
    const size_t end = i + 1 < starts.size() ? starts[i + 1] : length;
    const auto timeline = qv_timeline_decode(data + starts[i], end - starts[i], order);
    if (!timeline) {
      result.error = "timeline " + std::to_string(i + 1) + ": " + timeline.error;
      return result;
    }
    pieces.push_back(host_copy(data + starts[i], end - starts[i], order));
  }
  result.value = std::move(pieces);
  return result;
}

QVDecoded<std::vector<QVTimeline>> qv_timelines_decode(const uint8_t *data, size_t length,
                                                       QVByteOrder order) {
  QVDecoded<std::vector<QVTimeline>> result;
  auto pieces = qv_timeline_split(data, length, order);
  if (!pieces) {
    result.error = pieces.error;
    return result;
  }
  std::vector<QVTimeline> timelines;
  for (const QVBytes &piece : *pieces.value) {
    timelines.push_back(std::move(*qv_timeline_decode(piece).value));
  }
  result.value = std::move(timelines);
  return result;
}

std::string qv_timeline_display_name(const QVahdrChunk &header) {
  // An empty stored name would be an unselectable blank row in a list.
  return header.name && !header.name->empty() ? *header.name : QV_TIMELINE_DEFAULT_NAME;
}

// ---- The three parasites and the directory ----

QVDecoded<QVTimelineParasites> qv_timeline_parasites_parse(const std::optional<QVBytes> &current,
                                                           const std::optional<QVBytes> &recent,
                                                           const std::optional<QVBytes> &rest,
                                                           QVByteOrder order) {
  QVDecoded<QVTimelineParasites> result;
  QVTimelineParasites parasites;
  struct Part {
    const std::optional<QVBytes> &bytes;
    const char *name;
  };
  const Part parts[] = {{current, QV_TIMELINE_CURRENT_PARASITE},
                        {recent, QV_TIMELINE_RECENT_PARASITE},
                        {rest, QV_TIMELINE_REST_PARASITE}};
  std::vector<QVBytes> *const targets[] = {nullptr, &parasites.recent, &parasites.rest};
  for (size_t i = 0; i < 3; ++i) {
    if (!parts[i].bytes) continue;
    auto pieces = qv_timeline_split(parts[i].bytes->data(), parts[i].bytes->size(), order);
    if (!pieces) {
      result.error = std::string("\"") + parts[i].name + "\": " + pieces.error;
      return result;
    }
    if (targets[i] != nullptr) {
      *targets[i] = std::move(*pieces.value);
    } else if (pieces.value->size() > 1) {
      result.error = std::string("\"") + parts[i].name + "\" holds more than one timeline";
      return result;
    } else if (pieces.value->size() == 1) {
      parasites.current = std::move(pieces.value->front());
    }
  }
  result.value = std::move(parasites);
  return result;
}

QVTimelineSalvage qv_timeline_parasites_salvage(const std::optional<QVBytes> &current,
                                                const std::optional<QVBytes> &recent,
                                                const std::optional<QVBytes> &rest,
                                                QVByteOrder order) {
  QVTimelineSalvage salvage;
  const std::optional<QVBytes> none;
  auto read_alone = [&](const std::optional<QVBytes> &c, const std::optional<QVBytes> &r,
                        const std::optional<QVBytes> &s) {
    auto parsed = qv_timeline_parasites_parse(c, r, s, order);
    if (!parsed) {
      salvage.problems.push_back("Timelines left out, their parasite is damaged: " + parsed.error);
      return QVTimelineParasites{};
    }
    return std::move(*parsed.value);
  };
  salvage.parasites.current = read_alone(current, none, none).current;
  salvage.parasites.recent = read_alone(none, recent, none).recent;
  salvage.parasites.rest = read_alone(none, none, rest).rest;
  return salvage;
}

std::optional<QVBytes> qv_timeline_parasite_content(const std::vector<QVBytes> &timelines,
                                                    QVByteOrder order) {
  if (timelines.empty()) return std::nullopt;
  QVBytes joined;
  for (const QVBytes &piece : timelines) joined.insert(joined.end(), piece.begin(), piece.end());
  if (order == QVByteOrder::big_endian) qv_chunks_to_big_endian(joined.data(), joined.size());
  return joined;
}

int qv_timeline_count(const QVTimelineParasites &parasites) {
  return (parasites.current ? 1 : 0) +
         static_cast<int>(parasites.recent.size() + parasites.rest.size());
}

QVTimelineDirectory qv_timeline_directory_new(const QVTimelineParasites &parasites,
                                              bool presence_only) {
  QVTimelineDirectory dir;
  auto list = [&dir](const QVBytes &piece) {
    // Pieces are checked when they are parsed, so the header decodes.
    const auto header = qv_ahdr_decode(piece.data(), piece.size());
    dir.names.push_back(header ? qv_timeline_display_name(*header.value)
                               : QV_TIMELINE_DEFAULT_NAME);
  };
  if (parasites.current) list(*parasites.current);
  for (const QVBytes &piece : parasites.recent) list(piece);
  if (!presence_only) {
    for (const QVBytes &piece : parasites.rest) list(piece);
  }
  dir.has_current = parasites.current ? 1 : 0;
  dir.recent_count = static_cast<int32_t>(parasites.recent.size());
  dir.rest_count = presence_only ? (parasites.rest.empty() ? 0 : -1)
                                 : static_cast<int32_t>(parasites.rest.size());
  dir.total = static_cast<int32_t>(dir.names.size());

  for (const std::string &name : dir.names) {
    const uint32_t n = static_cast<uint32_t>(name.size() + 1);
    const size_t at = start_chunk(dir.buffer, QV_CHUNK_NAME, 4 + n, 12, QVByteOrder::host);
    qv_chunk_put_u32(dir.buffer.data() + at + 8, n);
    dir.buffer.insert(dir.buffer.end(), name.c_str(), name.c_str() + n);
  }
  const size_t at = start_chunk(dir.buffer, QV_CHUNK_TDIR, 20, 28, QVByteOrder::host);
  const int32_t values[] = {dir.total, dir.has_current, dir.recent_count, dir.rest_count,
                            dir.recent_max};
  for (size_t i = 0; i < 5; ++i) qv_chunk_put_i32(dir.buffer.data() + at + 8 + 4 * i, values[i]);
  return dir;
}

std::optional<std::string> qv_timeline_name(const QVTimelineDirectory &directory, int index) {
  if (index < 0 || static_cast<size_t>(index) >= directory.names.size()) return std::nullopt;
  return directory.names[static_cast<size_t>(index)];
}

std::optional<QVBytes> qv_timeline_get(QVTimelineParasites &parasites, int index,
                                       QVTimelineGet mode) {
  const auto place = timeline_place(parasites, index);
  if (!place) return std::nullopt;
  const bool remove = mode != QVTimelineGet::copy;
  if (place->shelf == QVShelf::current) {
    QVBytes bytes = *parasites.current;
    if (remove) parasites.current.reset();
    return bytes;
  }
  auto &shelf = place->shelf == QVShelf::recent ? parasites.recent : parasites.rest;
  const auto at = shelf.begin() + static_cast<std::ptrdiff_t>(place->position);
  QVBytes bytes = *at;
  if (remove) shelf.erase(at);
  return bytes;
}

std::optional<QVBytes> qv_timeline_by_name(const QVTimelineParasites &parasites,
                                           const std::string &name) {
  const QVTimelineDirectory dir = qv_timeline_directory_new(parasites);
  const auto found = std::find(dir.names.begin(), dir.names.end(), name);
  if (found == dir.names.end()) return std::nullopt;
  const auto place = timeline_place(parasites, static_cast<int>(found - dir.names.begin()));
  if (!place) return std::nullopt;
  switch (place->shelf) {
    case QVShelf::current:
      return *parasites.current;
    case QVShelf::recent:
      return parasites.recent[place->position];
    case QVShelf::rest:
      return parasites.rest[place->position];
  }
  return std::nullopt;
}

void qv_timeline_push_current(QVTimelineParasites &parasites) {
  if (parasites.current) parasites.recent.insert(parasites.recent.begin(), *parasites.current);
}

bool qv_timeline_make_current(QVTimelineParasites &parasites, int index) {
  if (index == 0 && parasites.current) return true;
  auto taken = qv_timeline_get(parasites, index, QVTimelineGet::take);
  if (!taken) return false;
  qv_timeline_set_current(parasites, std::move(*taken), true);
  return true;
}

void qv_timeline_set_current(QVTimelineParasites &parasites, QVBytes timeline, bool push) {
  if (push) qv_timeline_push_current(parasites);
  parasites.current = std::move(timeline);
}

void qv_timeline_balance(QVTimelineParasites &parasites) {
  auto &recent = parasites.recent;
  auto &rest = parasites.rest;
  const size_t max = QV_TIMELINE_RECENT_MAX;
  if (recent.size() > max) {
    rest.insert(rest.begin(), std::make_move_iterator(recent.begin() + max),
                std::make_move_iterator(recent.end()));
    recent.erase(recent.begin() + max, recent.end());
  } else if (recent.size() < max && !rest.empty()) {
    const size_t moved = std::min(max - recent.size(), rest.size());
    recent.insert(recent.end(), std::make_move_iterator(rest.begin()),
                  std::make_move_iterator(rest.begin() + static_cast<std::ptrdiff_t>(moved)));
    rest.erase(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(moved));
  }
}

std::string qv_timeline_unique_name(const QVTimelineDirectory &directory,
                                    const std::string &wanted) {
  std::string candidate = wanted;
  if (candidate.empty()) {
    candidate = std::string(QV_TIMELINE_DEFAULT_NAME) + "#" + std::to_string(directory.total);
  }
  const auto [base, start] = split_numbered_name(candidate);
  const auto taken = [&directory](const std::string &name) {
    return std::find(directory.names.begin(), directory.names.end(), name) != directory.names.end();
  };
  // There are only directory.names.size() names, so at most that many
  // numbers past the start can be taken.
  for (long long n = start; taken(candidate); ++n) {
    candidate = base + "#" + std::to_string(n);
  }
  return candidate;
}

std::optional<std::string> qv_timeline_choose_apply(QVTimelineParasites &parasites,
                                                    std::vector<int> removed,
                                                    std::optional<int> selected, int list_mode) {
  std::optional<std::string> name;
  if (!selected) {
    qv_timeline_make_current(parasites, 0);
    qv_timeline_balance(parasites);
    return name;
  }
  // Highest first, so that every number still means the timeline it meant
  // when the user marked it.
  std::sort(removed.begin(), removed.end());
  removed.erase(std::unique(removed.begin(), removed.end()), removed.end());
  for (auto it = removed.rbegin(); it != removed.rend(); ++it) {
    qv_timeline_get(parasites, *it, QVTimelineGet::remove);
  }
  qv_timeline_balance(parasites);
  if (list_mode == 1) {
    name = qv_timeline_name(qv_timeline_directory_new(parasites), *selected);
  } else {
    qv_timeline_make_current(parasites, *selected);
  }
  qv_timeline_balance(parasites);
  return name;
}

// ---- Timeline files ----

QVBytes qv_timeline_file_bytes(const QVBytes &timeline) {
  QVBytes out(QV_TIMELINE_FILE_MAGIC.begin(), QV_TIMELINE_FILE_MAGIC.end());
  out.insert(out.end(), timeline.begin(), timeline.end());
  qv_chunks_to_big_endian(out.data() + QV_TIMELINE_FILE_MAGIC.size(),
                          out.size() - QV_TIMELINE_FILE_MAGIC.size());
  return out;
}

QVDecoded<QVBytes> qv_timeline_file_parse(const uint8_t *data, size_t length) {
  QVDecoded<QVBytes> result;
  const size_t magic = QV_TIMELINE_FILE_MAGIC.size();
  if (data == nullptr || length <= magic ||
      !std::equal(QV_TIMELINE_FILE_MAGIC.begin(), QV_TIMELINE_FILE_MAGIC.end(), data)) {
    result.error = "No valid timeline file";
    return result;
  }
  auto pieces = qv_timeline_split(data + magic, length - magic, QVByteOrder::big_endian);
  if (!pieces) {
    result.error = "No valid timeline file (" + pieces.error + ")";
    return result;
  }
  if (pieces.value->size() != 1) {
    result.error = "No valid timeline file (it holds more than one timeline)";
    return result;
  }
  result.value = std::move(pieces.value->front());
  return result;
}

QVDecoded<QVBytes> qv_timeline_file_read(const std::string &utf8_path) {
  QVDecoded<QVBytes> result;
  const auto quoted = [&utf8_path](const std::string &what) {
    return what + ":\n\"" + utf8_path + "\"";
  };
  const auto name = qv_filename_from_utf8(utf8_path.c_str());
  gchar *raw = nullptr;
  gsize size = 0;
  const bool read = name && g_file_get_contents(name->c_str(), &raw, &size, nullptr);
  const qv_gstring contents(raw);
  if (!read) {
    result.error = quoted("Could not open file");
    return result;
  }
  auto parsed = qv_timeline_file_parse(reinterpret_cast<const uint8_t *>(contents.get()), size);
  if (!parsed) {
    result.error = quoted(parsed.error);
    return result;
  }
  return parsed;
}

std::optional<std::string> qv_timeline_file_write(const std::string &utf8_path,
                                                  const QVBytes &timeline) {
  const auto quoted = [&utf8_path](const std::string &what) {
    return what + ":\n\"" + utf8_path + "\"";
  };
  // Only sound timelines go out: a file the reader refuses helps nobody.
  const auto check = qv_timeline_decode(timeline);
  if (!check) return quoted("No valid timeline (" + check.error + ")");
  const auto name = qv_filename_from_utf8(utf8_path.c_str());
  if (!name) return quoted("Could not open file");
  const QVBytes bytes = qv_timeline_file_bytes(timeline);
  GError *raw_error = nullptr;
  // g_file_set_contents writes a temporary file beside the target and
  // renames it over the target only once it is complete.
  const bool written =
      g_file_set_contents(name->c_str(), reinterpret_cast<const gchar *>(bytes.data()),
                          static_cast<gssize>(bytes.size()), &raw_error);
  const std::unique_ptr<GError, decltype(&g_error_free)> error(raw_error, g_error_free);
  if (!written) {
    std::string message = quoted("Could not write file");
    if (error) message += std::string("\n") + error->message;
    return message;
  }
  return std::nullopt;
}
