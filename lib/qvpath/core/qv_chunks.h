// Chunk sequences: every piece of binary data the suite keeps in parasites or
// files is a run of chunks (u32 payload size, u32 type code, payload). They
// are built in host order and stored big-endian; this file frames, walks and
// converts them without ever touching a byte outside the buffer it is given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

// A type code holds its letters so that its big-endian bytes spell them:
// the first letter is the most significant byte ("AHDR" = 0x41484452).
constexpr uint32_t qv_chunk_code(char a, char b, char c, char d) {
  return (uint32_t{static_cast<uint8_t>(a)} << 24) | (uint32_t{static_cast<uint8_t>(b)} << 16) |
         (uint32_t{static_cast<uint8_t>(c)} << 8) | uint32_t{static_cast<uint8_t>(d)};
}
constexpr uint32_t qv_chunk_code(const char (&letters)[5]) {
  return qv_chunk_code(letters[0], letters[1], letters[2], letters[3]);
}

// Timelines.
constexpr uint32_t QV_CHUNK_AHDR = qv_chunk_code("AHDR");
constexpr uint32_t QV_CHUNK_ANIM = qv_chunk_code("ANIM");
constexpr uint32_t QV_CHUNK_AEND = qv_chunk_code("AEND");
constexpr uint32_t QV_CHUNK_TDIR = qv_chunk_code("TDIR");
constexpr uint32_t QV_CHUNK_NAME = qv_chunk_code("NAME");
// Path groups, group files and in-memory group data.
constexpr uint32_t QV_CHUNK_FNAM = qv_chunk_code("FNAM");
constexpr uint32_t QV_CHUNK_FEND = qv_chunk_code("FEND");
constexpr uint32_t QV_CHUNK_GHDR = qv_chunk_code("GHDR");
constexpr uint32_t QV_CHUNK_GEND = qv_chunk_code("GEND");
constexpr uint32_t QV_CHUNK_PATH = qv_chunk_code("PATH");
constexpr uint32_t QV_CHUNK_PARA = qv_chunk_code("PARA");
constexpr uint32_t QV_CHUNK_GNXT = qv_chunk_code("GNXT");
constexpr uint32_t QV_CHUNK_EODT = qv_chunk_code("EODT");

constexpr size_t QV_CHUNK_HEADER_SIZE = 8;

// True for the thirteen type codes above.
bool qv_chunk_type_is_known(uint32_t type);

// The four letters of a code, or "0x" and eight hex digits when any of its
// bytes is not printable ASCII (for messages about foreign data).
std::string qv_chunk_code_text(uint32_t type);

// The smallest payload that holds every fixed field of a known type, counted
// from the payload start (a "PATH" needs more for its name and points).
uint32_t qv_chunk_min_payload(uint32_t type);

enum class QVChunkStatus {
  ok,
  truncated_header,      // fewer than 8 bytes left for a chunk header
  size_past_end,         // the payload size runs past the end of the data
  unknown_type,          // not one of the suite's thirteen type codes
  too_short_for_fields,  // the payload cannot hold its type's fixed fields
  points_past_chunk,     // a "PATH" point list runs past the end of its chunk
};

// An English sentence describing the status, for logs and user messages.
const char *qv_chunk_status_message(QVChunkStatus status);

enum class QVByteOrder { host, big_endian };

// One chunk found by a walk; size and type are in host order whatever the
// order of the data.
struct QVChunk {
  size_t offset = 0;  // of the chunk header within the data
  uint32_t size = 0;  // payload bytes after the 8 header bytes
  uint32_t type = 0;
};

// Walks a chunk sequence from its first byte. Every chunk it yields lies
// wholly inside the data and has a known type; the walk ends at the end of
// the data (status ok) or at the first chunk that breaks the frame (status
// says why, position points at that chunk).
struct QVChunkWalker {
  const uint8_t *data = nullptr;
  size_t length = 0;
  QVByteOrder order = QVByteOrder::host;
  size_t position = 0;
  QVChunkStatus status = QVChunkStatus::ok;
};

QVChunkWalker qv_chunk_walker_new(const uint8_t *data, size_t length,
                                  QVByteOrder order = QVByteOrder::host);

// The next chunk, or none when the walk has ended (see walker.status).
std::optional<QVChunk> qv_chunk_walker_next(QVChunkWalker &walker);

// Walks the whole sequence and checks, besides the frame, that every chunk
// holds the fields its type's byte-order conversion touches.
QVChunkStatus qv_chunks_check(const uint8_t *data, size_t length, QVByteOrder order);

// Byte-order conversion of a whole sequence in place. The sequence is checked
// first: on any status but ok the data is left exactly as it was, so a caller
// never sees a half-converted buffer.
QVChunkStatus qv_chunks_to_big_endian(uint8_t *data, size_t length);
QVChunkStatus qv_chunks_to_host(uint8_t *data, size_t length);

// Unaligned host-order field access; chunk payloads give no alignment.
inline uint32_t qv_chunk_get_u32(const uint8_t *at) {
  uint32_t value;
  std::memcpy(&value, at, sizeof value);
  return value;
}
inline int32_t qv_chunk_get_i32(const uint8_t *at) {
  int32_t value;
  std::memcpy(&value, at, sizeof value);
  return value;
}
inline void qv_chunk_put_u32(uint8_t *at, uint32_t value) { std::memcpy(at, &value, sizeof value); }
inline void qv_chunk_put_i32(uint8_t *at, int32_t value) { std::memcpy(at, &value, sizeof value); }
