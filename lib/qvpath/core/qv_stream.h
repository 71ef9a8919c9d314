// QVStream: the growable in-memory byte stream in which every chunk sequence
// (timelines, path groups) is assembled before it is stored.
//
// Ownership: qv_stream_new returns the stream by value. The record owns its
// clusters, so a stream is freed when it goes out of scope; there is no
// qv_stream_free. A stream can be moved but not copied.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

constexpr size_t QV_STREAM_CLUSTER_SIZE = 512;

using QVStreamCluster = std::array<uint8_t, QV_STREAM_CLUSTER_SIZE>;

struct QVStream {
  size_t length = 0;    // bytes written so far
  size_t position = 0;  // read position, 0 <= position <= length
  size_t cluster_size = QV_STREAM_CLUSTER_SIZE;
  // Cluster k holds bytes k*512 ... k*512+511. Each cluster is its own
  // allocation, so bytes once written never move while the stream grows.
  std::vector<std::unique_ptr<QVStreamCluster>> clusters;
};

enum QVStreamWhence { QV_SEEK_SET = 0, QV_SEEK_CUR = 1, QV_SEEK_END = 2 };

// An empty stream: length 0, position 0, no clusters.
QVStream qv_stream_new();

// Appends size*count bytes of `data` (the position is moved to the end
// first) and returns the number of bytes written; afterwards length and
// position both stand at the new end. Writes nothing and returns 0 when the
// product is 0, overflows size_t, or `data` is null.
size_t qv_stream_write(const void *data, size_t size, size_t count, QVStream &stream);

// Copies min(size*count, length-position) bytes from the position into
// `buffer`, advances the position by that much and returns it; 0 when nothing
// is left. An overflowing product or a null buffer reads nothing.
size_t qv_stream_read(void *buffer, size_t size, size_t count, QVStream &stream);

// Moves the position to offset from the start (QV_SEEK_SET), the position
// (QV_SEEK_CUR) or the length (QV_SEEK_END), clamped to 0 ... length, and
// returns the new position. An unknown whence leaves the position as it is.
size_t qv_stream_seek(QVStream &stream, int64_t offset, int whence);

// The whole content as one contiguous buffer (empty for an empty stream).
// Leaves the position at the end, as reading everything from 0 would.
std::vector<uint8_t> qv_stream_get_buffer(QVStream &stream);
