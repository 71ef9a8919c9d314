#include "core/qv_chunks.h"

#include <glib.h>

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

// Payload fields that byte-order conversion touches, as offsets from the
// chunk start; each list ends at the first 0 (no field lives at offset 0).
struct QVChunkLayout {
  uint32_t type;
  uint8_t words[14];
  uint8_t doubles[11];
};

constexpr QVChunkLayout QV_CHUNK_LAYOUTS[] = {
    {QV_CHUNK_AHDR, {8, 12, 16, 20, 48, 52, 88, 92, 96, 100}, {24, 32, 40, 56, 64, 72, 80}},
    {QV_CHUNK_ANIM,
     {8, 12, 16, 20, 24, 104, 108, 120, 124, 128, 132, 136, 140},
     {32, 40, 48, 56, 64, 72, 80, 88, 96, 112}},
    {QV_CHUNK_AEND, {}, {}},
    {QV_CHUNK_TDIR, {8, 12, 16, 20, 24}, {}},
    {QV_CHUNK_NAME, {8}, {}},
    {QV_CHUNK_FNAM, {8}, {}},
    {QV_CHUNK_FEND, {}, {}},
    {QV_CHUNK_GHDR, {8, 12}, {}},
    {QV_CHUNK_GEND, {}, {}},
    // The point list behind the fixed fields is handled on its own.
    {QV_CHUNK_PATH, {8, 12, 16, 20, 24}, {}},
    {QV_CHUNK_PARA, {8, 12, 16}, {}},
    {QV_CHUNK_GNXT, {8}, {}},
    {QV_CHUNK_EODT, {}, {}},
};

constexpr size_t PATH_NAME_LENGTH_OFFSET = 20;
constexpr size_t PATH_POINT_BYTES_OFFSET = 24;
constexpr size_t PATH_NAME_OFFSET = 28;

const QVChunkLayout *qv_chunk_layout(uint32_t type) {
  for (const QVChunkLayout &layout : QV_CHUNK_LAYOUTS) {
    if (layout.type == type) {
      return &layout;
    }
  }
  return nullptr;
}

// Converting between host order and big-endian is a byte reversal on a
// little-endian host and nothing at all on a big-endian one.
void reverse_unless_big_endian_host(uint8_t *at, size_t width) {
  if (G_BYTE_ORDER == G_LITTLE_ENDIAN) {
    std::reverse(at, at + width);
  }
}

uint32_t read_u32(const uint8_t *at, QVByteOrder order) {
  if (order == QVByteOrder::host) {
    return qv_chunk_get_u32(at);
  }
  return (uint32_t{at[0]} << 24) | (uint32_t{at[1]} << 16) | (uint32_t{at[2]} << 8) |
         uint32_t{at[3]};
}

QVChunkStatus check_fields(const uint8_t *data, const QVChunk &chunk, QVByteOrder order) {
  if (chunk.size < qv_chunk_min_payload(chunk.type)) {
    return QVChunkStatus::too_short_for_fields;
  }
  if (chunk.type != QV_CHUNK_PATH) {
    return QVChunkStatus::ok;
  }
  const uint8_t *start = data + chunk.offset;
  const uint64_t point_bytes = read_u32(start + PATH_POINT_BYTES_OFFSET, order);
  if (point_bytes == 0) {
    return QVChunkStatus::ok;  // no array is converted, so none need fit
  }
  // 64-bit sums: two u32 fields plus a small constant cannot overflow.
  const uint64_t array_end =
      PATH_NAME_OFFSET + read_u32(start + PATH_NAME_LENGTH_OFFSET, order) + point_bytes / 8 * 8;
  if (array_end > QV_CHUNK_HEADER_SIZE + uint64_t{chunk.size}) {
    return QVChunkStatus::points_past_chunk;
  }
  return QVChunkStatus::ok;
}

void convert_fixed_fields(uint8_t *start, const QVChunkLayout &layout) {
  for (uint8_t offset : layout.words) {
    if (offset == 0) break;
    reverse_unless_big_endian_host(start + offset, 4);
  }
  for (uint8_t offset : layout.doubles) {
    if (offset == 0) break;
    reverse_unless_big_endian_host(start + offset, 8);
  }
}

// Needs the name length and point byte count in host order.
void convert_path_points(uint8_t *start) {
  const uint32_t point_bytes = qv_chunk_get_u32(start + PATH_POINT_BYTES_OFFSET);
  if (point_bytes == 0) {
    return;
  }
  uint8_t *points = start + PATH_NAME_OFFSET + qv_chunk_get_u32(start + PATH_NAME_LENGTH_OFFSET);
  for (uint32_t i = 0; i < point_bytes / 8; ++i) {
    reverse_unless_big_endian_host(points + 8 * size_t{i}, 8);
  }
}

void convert_header(uint8_t *start) {
  reverse_unless_big_endian_host(start, 4);
  reverse_unless_big_endian_host(start + 4, 4);
}

void chunk_to_big_endian(uint8_t *start, const QVChunkLayout &layout) {
  if (layout.type == QV_CHUNK_PATH) {
    convert_path_points(start);  // while its fields are still readable
  }
  convert_fixed_fields(start, layout);
  convert_header(start);
}

void chunk_to_host(uint8_t *start, const QVChunkLayout &layout) {
  convert_header(start);
  convert_fixed_fields(start, layout);
  if (layout.type == QV_CHUNK_PATH) {
    convert_path_points(start);
  }
}

QVChunkStatus convert_sequence(uint8_t *data, size_t length, QVByteOrder from,
                               void (*convert_chunk)(uint8_t *, const QVChunkLayout &)) {
  const QVChunkStatus status = qv_chunks_check(data, length, from);
  if (status != QVChunkStatus::ok) {
    return status;
  }
  QVChunkWalker walker = qv_chunk_walker_new(data, length, from);
  while (const std::optional<QVChunk> chunk = qv_chunk_walker_next(walker)) {
    convert_chunk(data + chunk->offset, *qv_chunk_layout(chunk->type));
  }
  return walker.status;
}

}  // namespace

bool qv_chunk_type_is_known(uint32_t type) { return qv_chunk_layout(type) != nullptr; }

std::string qv_chunk_code_text(uint32_t type) {
  std::string letters;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char letter = static_cast<char>((type >> shift) & 0xFF);
    if (letter < 0x20 || letter > 0x7E) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(type));
      return hex;
    }
    letters += letter;
  }
  return letters;
}

uint32_t qv_chunk_min_payload(uint32_t type) {
  const QVChunkLayout *layout = qv_chunk_layout(type);
  if (layout == nullptr) {
    return 0;
  }
  uint32_t end = QV_CHUNK_HEADER_SIZE;
  for (uint8_t offset : layout->words) {
    end = std::max<uint32_t>(end, offset == 0 ? 0 : offset + 4u);
  }
  for (uint8_t offset : layout->doubles) {
    end = std::max<uint32_t>(end, offset == 0 ? 0 : offset + 8u);
  }
  return end - QV_CHUNK_HEADER_SIZE;
}

const char *qv_chunk_status_message(QVChunkStatus status) {
  switch (status) {
    case QVChunkStatus::ok:
      return "The chunk data is sound.";
    case QVChunkStatus::truncated_header:
      return "The chunk data is cut off: fewer than 8 bytes are left for a chunk header.";
    case QVChunkStatus::size_past_end:
      return "A chunk's size runs past the end of the data.";
    case QVChunkStatus::unknown_type:
      return "A chunk has an unknown type code.";
    case QVChunkStatus::too_short_for_fields:
      return "A chunk is too short to hold the fields of its type.";
    case QVChunkStatus::points_past_chunk:
      return "A path chunk's point list runs past the end of the chunk.";
  }
  return "Unknown chunk status.";
}

QVChunkWalker qv_chunk_walker_new(const uint8_t *data, size_t length, QVByteOrder order) {
  QVChunkWalker walker;
  walker.data = data;
  walker.length = data == nullptr ? 0 : length;
  walker.order = order;
  return walker;
}

std::optional<QVChunk> qv_chunk_walker_next(QVChunkWalker &walker) {
  if (walker.status != QVChunkStatus::ok || walker.position >= walker.length) {
    return std::nullopt;
  }
  const size_t left = walker.length - walker.position;
  if (left < QV_CHUNK_HEADER_SIZE) {
    walker.status = QVChunkStatus::truncated_header;
    return std::nullopt;
  }
  QVChunk chunk;
  chunk.offset = walker.position;
  chunk.size = read_u32(walker.data + walker.position, walker.order);
  chunk.type = read_u32(walker.data + walker.position + 4, walker.order);
  if (!qv_chunk_type_is_known(chunk.type)) {
    walker.status = QVChunkStatus::unknown_type;
    return std::nullopt;
  }
  if (chunk.size > left - QV_CHUNK_HEADER_SIZE) {
    walker.status = QVChunkStatus::size_past_end;
    return std::nullopt;
  }
  walker.position += QV_CHUNK_HEADER_SIZE + chunk.size;
  return chunk;
}

QVChunkStatus qv_chunks_check(const uint8_t *data, size_t length, QVByteOrder order) {
  QVChunkWalker walker = qv_chunk_walker_new(data, length, order);
  while (const std::optional<QVChunk> chunk = qv_chunk_walker_next(walker)) {
    const QVChunkStatus status = check_fields(data, *chunk, order);
    if (status != QVChunkStatus::ok) {
      return status;
    }
  }
  return walker.status;
}

QVChunkStatus qv_chunks_to_big_endian(uint8_t *data, size_t length) {
  return convert_sequence(data, length, QVByteOrder::host, chunk_to_big_endian);
}

QVChunkStatus qv_chunks_to_host(uint8_t *data, size_t length) {
  return convert_sequence(data, length, QVByteOrder::big_endian, chunk_to_host);
}
